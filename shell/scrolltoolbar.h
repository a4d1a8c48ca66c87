#pragma once
// The main window's toolbar: the ten command buttons and, at its right end, the page slider and
// the page indicator, all over one tiled background picture. The slider picks a page of the
// search panel's current volume; the page changes once, when a move of the slider ends, and
// the slider tells the panel's model itself. The indicator shows "header word/page" for the
// last page shown from the volume.

#include "panel/panelports.h"
#include "shell/xedit.h"
#include "shell/xsliderctrl.h"
#include "shell/xtoolbar.h"

#include <functional>

class QAction;

namespace varo {
class CLeftFormModel;
}

/// Where the slider and the page indicator go in the toolbar's layout.
inline constexpr int ID_SLIDER_PLACE = 32787;
inline constexpr int ID_PAGE_TEXT_PLACE = 32788;
/// Their control ids, which are also their object names.
inline constexpr int IDC_PAGE_SLIDER = 101;
inline constexpr int IDC_PAGE_TEXT = 102;

/// The toolbar's pictures.
inline const QString kToolBarBackground = QStringLiteral(":/toolbar-background.png");
inline const QString kToolBarNormalImages = QStringLiteral(":/toolbar-normal.png");
inline const QString kToolBarDisabledImages = QStringLiteral(":/toolbar-disabled.png");
inline const QString kToolBarHotImages = QStringLiteral(":/toolbar-hot.png");
inline const QString kSliderCursor = QStringLiteral(":/slider-cursor.png");

class CSCrollToolBar : public CXToolBar, public varo::IPageSlider {
    Q_OBJECT
public:
    explicit CSCrollToolBar(QWidget* parent = nullptr);

    /// Lays out the buttons, taking each command's action from actionOf, then the pictures,
    /// the slider and the indicator. False when a command has no action.
    bool Create(const std::function<QAction*(int)>& actionOf);

    /// The search panel whose current volume the slider moves through; not owned.
    void SetPanel(varo::CLeftFormModel* panel) { m_panel = panel; }

    CXSliderCtrl* Slider() const { return m_wndSlider; }
    CXEdit* PageText() const { return m_wndPageText; }

    // IPageSlider: the panel sets the range, the position and the indicator's text.
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    void SetPageText(const std::u16string& text) override;

signals:
    /// The slider came to rest and the panel was asked for the page it points at.
    void pageChosen();

private:
    void CreateSlider();
    void CreatePageText();
    void OnScrollEnded();

    CXSliderCtrl* m_wndSlider = nullptr;
    CXEdit* m_wndPageText = nullptr;
    varo::CLeftFormModel* m_panel = nullptr;
};

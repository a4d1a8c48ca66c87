#include "shell/scrolltoolbar.h"

#include "panel/leftformmodel.h"
#include "shell/commandids.h"

#include <QAction>

#include <vector>

namespace {

using namespace varo::shell;

constexpr int kSeparator = 0;
constexpr int kImageSize = 40;
constexpr int kButtonCount = 10;
constexpr QRgb kMaskColour = qRgb(255, 0, 255);
constexpr int kSliderWidth = 300;
// The indicator's place is 100 pixels wide and the box reaches past it for longer texts.
constexpr int kPageTextWidth = 120;

// Left to right; the slider and the indicator end the row.
const std::vector<int> kLayout = {
    ID_EDIT_SELECT_ALL, ID_EDIT_COPY, kSeparator,     ID_FILE_PRINT,   kSeparator,         ID_PREVIOUS_VOLUME,
    ID_PREVIOUS_PAGE,   ID_NEXT_PAGE, ID_NEXT_VOLUME, kSeparator,      ID_PREVIOUS_HIT,    ID_NEXT_HIT,
    kSeparator,         ID_APP_ABOUT, kSeparator,     ID_SLIDER_PLACE, ID_PAGE_TEXT_PLACE,
};

}  // namespace

CSCrollToolBar::CSCrollToolBar(QWidget* parent) : CXToolBar(parent) {}

// The slider and the indicator take their places at the end of the row once the buttons have
// their pictures.
bool CSCrollToolBar::Create(const std::function<QAction*(int)>& actionOf)
{
    for (int id : kLayout) {
        if (id == kSeparator) {
            addSeparator();
        } else if (id != ID_SLIDER_PLACE && id != ID_PAGE_TEXT_PLACE) {
            QAction* action = actionOf(id);
            if (action == nullptr)
                return false;
            addAction(action);
        }
    }
    SetImageSize(kImageSize, kImageSize);
    SetBkBitmap(kToolBarBackground);
    SetImageLists(kButtonCount, kMaskColour, kToolBarNormalImages, kToolBarDisabledImages, kToolBarHotImages);
    CreateSlider();
    CreatePageText();
    return true;
}

// The slider shows nothing until a volume is opened: its range is 0 ... 0.
void CSCrollToolBar::CreateSlider()
{
    m_wndSlider = new CXSliderCtrl(this);
    m_wndSlider->setObjectName(IdName(IDC_PAGE_SLIDER));
    m_wndSlider->setFixedSize(kSliderWidth, kImageSize + 6);
    m_wndSlider->SetBkBitmap(kToolBarBackground);
    const QPixmap cursor(kSliderCursor);
    if (!cursor.isNull())
        m_wndSlider->SetScrollCursor(QCursor(cursor, cursor.width() / 2, cursor.height() / 2));
    m_wndSlider->setRange(0, 0);
    connect(m_wndSlider, &CXSliderCtrl::scrollEnded, this, &CSCrollToolBar::OnScrollEnded);
    addWidget(m_wndSlider);
}

void CSCrollToolBar::CreatePageText()
{
    m_wndPageText = new CXEdit(this);
    m_wndPageText->setObjectName(IdName(IDC_PAGE_TEXT));
    m_wndPageText->setReadOnly(true);
    m_wndPageText->setFrame(false);
    m_wndPageText->setFocusPolicy(Qt::ClickFocus);
    m_wndPageText->setFixedSize(kPageTextWidth, kImageSize + 6);
    m_wndPageText->SetBkBitmap(kToolBarBackground);
    addWidget(m_wndPageText);
}

// Without a current volume a move changes nothing but the thumb.
void CSCrollToolBar::OnScrollEnded()
{
    if (m_panel == nullptr || m_panel->m_curRecord == 0)
        return;
    m_panel->OnSliderReleased(m_wndSlider->value());
    emit pageChosen();
}

void CSCrollToolBar::SetRange(int minimum, int maximum)
{
    if (m_wndSlider != nullptr)
        m_wndSlider->setRange(minimum, maximum);
}

void CSCrollToolBar::SetPosition(int position)
{
    if (m_wndSlider != nullptr)
        m_wndSlider->setValue(position);
}

void CSCrollToolBar::SetPageText(const std::u16string& text)
{
    if (m_wndPageText == nullptr)
        return;
    m_wndPageText->setText(QString::fromStdU16String(text));
    m_wndPageText->setCursorPosition(0);
}

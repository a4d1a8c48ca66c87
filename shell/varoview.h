#pragma once
// The text view: shows the page files the search panel writes, starting blank ("about:blank").
// Navigation takes a file path with an optional "#anchor". A page is text from the collection:
// the view loads nothing it names (pictures, style sheets, other files) but the program's own
// pictures, and a link moves at most to an anchor of the page itself, never to another file or
// program. Pages render with a CJK serif font, with Hanazono for ideographs beyond the basic
// plane.

#include "panel/citation.h"
#include "panel/pagefind.h"
#include "panel/panelports.h"
#include "panel/readingzoom.h"

#include <QTextBrowser>

#include <functional>
#include <optional>

class CFindBar;
class QPrinter;

class CVaroView : public QTextBrowser, public varo::ITextView {
    Q_OBJECT
public:
    explicit CVaroView(QWidget* parent = nullptr);

    static inline const QString kBlank = QStringLiteral("about:blank");

    /// Shows a page file, optionally followed by "#" and an anchor name, or "about:blank".
    /// The file is read again at every navigation: the panel rewrites its page files under the
    /// same names. A file that cannot be read shows an error page and a message box.
    void Navigate(const QString& location);
    void Navigate(const std::u16string& path, const std::u16string& anchor) override;
    /// The text position at the view's top left, and scrolling a position to the top: a place
    /// in the text outlasts a change of zoom or of the view's width, where a scroll value would
    /// not.
    int TopPosition() const override;
    void ScrollToPosition(int position) override;
    /// The browser's own back and forward (Alt+Left / Alt+Right, the mouse's side buttons in
    /// the view) ask the window to walk the pages the reader has seen.
    void backward() override { emit backRequested(); }
    void forward() override { emit forwardRequested(); }

    /// The current location as it was navigated to: "about:blank" until the first page.
    QString GetLocationURL() const { return m_location; }
    bool IsBlank() const { return m_location == kBlank; }
    /// Whether copy has something to copy (the view's own enabling of copy).
    bool CanCopy() const { return textCursor().hasSelection(); }

    void CopySelection();

    /// Where the citation of the shown page comes from (the search panel).
    void SetCitationSource(std::function<std::optional<varo::CitationTag>()> source) { m_citation = std::move(source); }
    /// 引用をコピー: the selected text and a citation line in the chosen format. False, with a
    /// message, when nothing is selected or the page is not in the catalogue.
    bool CopyCitation();
    /// The selected text with its line ends, and the citation line alone.
    QString SelectedText() const;
    std::optional<QString> CitationLine() const;
    /// The citation format of the settings store (placeholders {category} {title} {volume}
    /// {label} {page}); 引用の書式… edits it.
    static QString CitationFormat();
    static void SetCitationFormat(const QString& format);
    void EditCitationFormat();

    void SelectAllText();
    /// Prints the shown page at once, without a dialog; false, printing nothing, when there is
    /// no printer to print on.
    bool PrintNow();
    /// Prints through the print dialog (Ctrl+P).
    void PrintWithDialog();
    void PageSetup();
    void PrintPreview();

    /// The printer the view prints on: one for the whole run, so that page setup carries over
    /// to the next print.
    static QPrinter& Printer();

    /// The largest picture of the program's own that a page may show.
    static constexpr qint64 kMaxPictureBytes = 4 << 20;

    /// What a page may load: the program's own pictures (":/name" or "qrc:/name") and, for the
    /// template's cell background "../Back.gif", the program's picture Back.gif when it has one.
    /// Everything else a page names (files, other schemes, data: URLs, style sheets) loads as
    /// nothing, without being read.
    QVariant loadResource(int type, const QUrl& name) override;

    // Zoom: the page font scales and the text reflows to the view's width; the page file keeps
    // its bytes.
    int ZoomPercent() const { return m_zoom.Percent(); }
    bool CanZoomIn() const { return m_zoom.CanZoomIn(); }
    bool CanZoomOut() const { return m_zoom.CanZoomOut(); }
    void ZoomIn();
    void ZoomOut();
    void ZoomReset();
    /// A level from the settings store: brought onto the nearest step in range.
    void SetZoomPercent(int percent);

    // Find in the page (Ctrl+F).
    CFindBar* FindBar() const { return m_findBar; }
    void OpenFindBar();
    void FindNext();
    void FindPrevious();
    const varo::CPageFind& PageFind() const { return m_find; }
    /// The characters that may stand at each position of a text to find: the shell hands in the
    /// panel's variants while its variant option is on; without one, each character is itself.
    using FindAlternatives = std::function<std::vector<std::u16string>(const std::u16string&)>;
    void SetFindAlternatives(FindAlternatives alternatives) { m_findAlternatives = std::move(alternatives); }

    /// The hit the anchor of the last navigation names, as a document position and length;
    /// length 0 when the page was opened without a hit anchor.
    std::pair<int, int> CurrentHit() const { return m_currentHit; }

    /// The colours of what the view marks: the hit the hit commands moved to (the page's other
    /// hits keep the renderer's highlight), every match of find in page, and the current match.
    static inline const QColor kCurrentHitColour = QColor(0xFF, 0xC8, 0x3D);
    static inline const QColor kFindMatchColour = QColor(0xBF, 0xE6, 0xFF);
    static inline const QColor kCurrentFindMatchColour = QColor(0x5A, 0xB4, 0xFF);

signals:
    /// A navigation has been carried out (the blank state included).
    void navigated(const QString& location);
    void zoomChanged(int percent);
    void backRequested();
    void forwardRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowContextMenu(const QPoint& globalPosition);
    void FollowLink(const QUrl& link);
    void Load(const QString& path);
    void ApplyZoom();
    void PlaceFindBar();
    void RunFind(int from);
    void OnFindClosed();
    void MarkCurrentHit(const QString& anchor);
    void UpdateMarks();
    void CentreOn(int position);

    QString m_location = kBlank;
    varo::CReadingZoom m_zoom;
    qreal m_basePointSize = 14;
    CFindBar* m_findBar = nullptr;
    varo::CPageFind m_find;
    FindAlternatives m_findAlternatives;
    std::pair<int, int> m_currentHit{0, 0};
    std::function<std::optional<varo::CitationTag>()> m_citation;
};

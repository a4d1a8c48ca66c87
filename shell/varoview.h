#pragma once
// The text view: shows the page files the search panel writes, starting blank ("about:blank").
// Navigation takes a file path with an optional "#anchor". A page is text from the collection:
// the view loads nothing it names (pictures, style sheets, other files) but the program's own
// pictures, and a link moves at most to an anchor of the page itself, never to another file or
// program. Pages render with a CJK serif font, with Hanazono for ideographs beyond the basic
// plane.

#include "panel/citation.h"
#include "panel/panelports.h"

#include <QTextBrowser>

#include <functional>
#include <optional>

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

signals:
    /// A navigation has been carried out (the blank state included).
    void navigated(const QString& location);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ShowContextMenu(const QPoint& globalPosition);
    void FollowLink(const QUrl& link);
    void Load(const QString& path);

    QString m_location = kBlank;
    std::function<std::optional<varo::CitationTag>()> m_citation;
};

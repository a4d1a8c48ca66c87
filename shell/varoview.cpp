#include "shell/varoview.h"

#include "shell/findbar.h"
#include "shell/messagebox.h"
#include "shell/settings.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrintPreviewDialog>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <QWheelEvent>

namespace {

// A browser takes a table's height as the least it may have and lets the table grow with its
// content; the text document keeps a fixed height and leaves out what does not fit in it. The
// pages' template fixes its table's height, so without this a long page would lose its end.
void LetTablesGrow(QTextFrame* frame)
{
    for (QTextFrame* child : frame->childFrames()) {
        QTextFrameFormat format = child->frameFormat();
        if (format.height().type() == QTextLength::FixedLength) {
            format.setHeight(QTextLength());
            child->setFrameFormat(format);
        }
        LetTablesGrow(child);
    }
}

// The template fixes its table at 635 pixels and its columns at 80 and 450, and the text of a
// page stands in either column, depending on its label: in the narrow one it would be squeezed
// to a few characters a line. Every table instead spans the view's width and its columns share
// it by their content, so the column holding the text takes what the others leave, however
// wide the view or large the font. Only the shown document changes; the page file stays.
void LetColumnsShareTheWidth(QTextFrame* frame)
{
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) {
            QTextTableFormat format = table->format();
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            format.setColumnWidthConstraints(QList<QTextLength>(table->columns(), QTextLength()));
            table->setFormat(format);
        }
        LetColumnsShareTheWidth(child);
    }
}

const QString kUnreadablePageText =
    QStringLiteral("頁のファイル %1 を読めませんでした。もう一度その頁を選ぶか、プログラムを起動し直して下さい。");

// The template names its first cell's background relative to the page file.
const QString kTemplateBackground = QStringLiteral("../Back.gif");
const QString kOwnBackground = QStringLiteral(":/Back.gif");

// The program's own picture a page names, as a resource path; empty for anything else.
QString OwnPicturePath(const QUrl& name)
{
    const QString text = name.toString();
    if (text == kTemplateBackground)
        return kOwnBackground;
    if (name.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + name.path();
    // A resource path (":/name") is no valid URL, but keeps its path.
    if (name.scheme().isEmpty() && name.path().startsWith(QLatin1String(":/")))
        return name.path();
    return {};
}

// What stands in for a picture the page may not load: nothing to see. It must be a picture,
// not an empty value: for a null resource the document would read the file itself.
QVariant NoPicture()
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

CVaroView::CVaroView(QWidget* parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("CVaroView"));
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &CVaroView::FollowLink);
    QFont pageFont(QStringLiteral("Noto Serif CJK TC"), 14);
    pageFont.setFamilies({QStringLiteral("Noto Serif CJK TC"), QStringLiteral("Noto Sans CJK TC"),
                          QStringLiteral("HanaMinA"), QStringLiteral("HanaMinB")});
    document()->setDefaultFont(pageFont);
    m_basePointSize = pageFont.pointSizeF();
    m_findBar = new CFindBar(this);
    connect(m_findBar, &CFindBar::textChanged, this, [this] { RunFind(textCursor().selectionStart()); });
    connect(m_findBar, &CFindBar::nextRequested, this, &CVaroView::FindNext);
    connect(m_findBar, &CFindBar::previousRequested, this, &CVaroView::FindPrevious);
    connect(m_findBar, &CFindBar::closed, this, &CVaroView::OnFindClosed);
    auto* cite = new QAction(QStringLiteral("引用をコピー"), this);
    cite->setObjectName(QStringLiteral("copyCitation"));
    cite->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    cite->setShortcutContext(Qt::WidgetShortcut);
    connect(cite, &QAction::triggered, this, &CVaroView::CopyCitation);
    addAction(cite);
}

void CVaroView::Navigate(const std::u16string& path, const std::u16string& anchor)
{
    QString location = QString::fromStdU16String(path);
    if (!anchor.empty())
        location += QLatin1Char('#') + QString::fromStdU16String(anchor);
    Navigate(location);
}

int CVaroView::TopPosition() const
{
    return IsBlank() ? 0 : std::max(cursorForPosition(QPoint(0, 0)).position(), 0);
}

void CVaroView::ScrollToPosition(int position)
{
    if (IsBlank() || position <= 0)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(std::min(position, document()->characterCount() - 1));
    verticalScrollBar()->setValue(verticalScrollBar()->value() + cursorRect(cursor).top());
}

void CVaroView::Navigate(const QString& location)
{
    m_location = location;
    if (location == kBlank) {
        clear();
    } else {
        const qsizetype hash = location.indexOf(QLatin1Char('#'));
        Load(hash < 0 ? location : location.left(hash));
        // An anchor the page lacks leaves the page at its top.
        moveCursor(QTextCursor::Start);
        if (hash >= 0)
            scrollToAnchor(location.mid(hash + 1));
        MarkCurrentHit(hash >= 0 ? location.mid(hash + 1) : QString());
    }
    if (location == kBlank)
        m_currentHit = {0, 0};
    // A new page: the find bar, when open, finds its text in it.
    if (m_findBar->isVisible())
        RunFind(0);
    else
        UpdateMarks();
    emit navigated(m_location);
}

void CVaroView::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setHtml(QStringLiteral("<p>%1</p>").arg(kUnreadablePageText.arg(path.toHtmlEscaped())));
        varo::shell::ShowMessageBox(this, kUnreadablePageText.arg(path));
        return;
    }
    const QByteArray bytes = file.readAll();
    // The page names its charset (UTF-8); a page without one is taken as UTF-8 too.
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    const QString html = decoder.decode(bytes);
    // No base location: what the page names is not looked up beside the page file.
    setHtml(html);
    LetTablesGrow(document()->rootFrame());
    LetColumnsShareTheWidth(document()->rootFrame());
}

QVariant CVaroView::loadResource(int type, const QUrl& name)
{
    if (type != QTextDocument::ImageResource)
        return QString();  // an empty style sheet (or page): nothing is read
    const QString path = OwnPicturePath(name);
    if (path.isEmpty())
        return NoPicture();
    QFile file(path);
    if (!QFileInfo(file).isFile() || file.size() > kMaxPictureBytes || !file.open(QIODevice::ReadOnly))
        return NoPicture();
    const QImage image = QImage::fromData(file.read(kMaxPictureBytes));
    return image.isNull() ? NoPicture() : QVariant(image);
}

// A link moves to an anchor of the shown page; a link anywhere else is not followed.
void CVaroView::FollowLink(const QUrl& link)
{
    if (!IsBlank() && link.hasFragment() && link.path().isEmpty() && link.scheme().isEmpty() && link.host().isEmpty())
        scrollToAnchor(link.fragment());
}

void CVaroView::CopySelection()
{
    copy();
}

void CVaroView::SelectAllText()
{
    selectAll();
}

QPrinter& CVaroView::Printer()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

bool CVaroView::PrintNow()
{
    // Without a printer the page would go nowhere, and nothing would say so.
    // A printer chosen in the print dialog may be a file; otherwise it must be a real printer.
    QPrinter& printer = Printer();
    const bool toFile = !printer.outputFileName().isEmpty();
    const bool toPrinter =
        printer.outputFormat() == QPrinter::NativeFormat && printer.isValid() && !printer.printerName().isEmpty();
    if (!toFile && !toPrinter)
        return false;
    document()->print(&printer);
    return true;
}

void CVaroView::PrintWithDialog()
{
    QPrintDialog dialog(&Printer(), this);
    if (dialog.exec() == QDialog::Accepted)
        document()->print(&Printer());
}

void CVaroView::PageSetup()
{
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}

void CVaroView::PrintPreview()
{
    QPrintPreviewDialog dialog(&Printer(), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { document()->print(printer); });
    dialog.exec();
}

// The right button opens the view's own two-item menu once a page is shown, and nothing at all
// while the view is blank; the default context menu never opens.
void CVaroView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}

void CVaroView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        ShowContextMenu(event->globalPosition().toPoint());
        return;
    }
    QTextBrowser::mousePressEvent(event);
}

void CVaroView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        ShowContextMenu(event->globalPosition().toPoint());
        return;
    }
    QTextBrowser::mouseDoubleClickEvent(event);
}

void CVaroView::ShowContextMenu(const QPoint& globalPosition)
{
    if (IsBlank())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("RightClick"));
    QAction* copyAction = menu.addAction(QStringLiteral("コピー(&C)"), this, &CVaroView::CopySelection);
    copyAction->setObjectName(QStringLiteral("32771"));
    QAction* selectAction = menu.addAction(QStringLiteral("すべて選択。"), this, &CVaroView::SelectAllText);
    selectAction->setObjectName(QStringLiteral("32772"));
    menu.addSeparator();
    QAction* citeAction = menu.addAction(QStringLiteral("引用をコピー"), this, &CVaroView::CopyCitation);
    citeAction->setObjectName(QStringLiteral("copyCitation"));
    citeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    citeAction->setEnabled(CanCopy());
    QAction* formatAction = menu.addAction(QStringLiteral("引用の書式…"), this, &CVaroView::EditCitationFormat);
    formatAction->setObjectName(QStringLiteral("citationFormat"));
    menu.exec(globalPosition);
}

void CVaroView::ZoomIn()
{
    if (m_zoom.ZoomIn())
        ApplyZoom();
}

void CVaroView::ZoomOut()
{
    if (m_zoom.ZoomOut())
        ApplyZoom();
}

void CVaroView::ZoomReset()
{
    if (m_zoom.Reset())
        ApplyZoom();
}

void CVaroView::SetZoomPercent(int percent)
{
    m_zoom.SetPercent(percent);
    ApplyZoom();
}

// Only the document's font grows or shrinks; the tables already span the view's width, so the
// text reflows at every size. The reader keeps the place: the same text stays at the top.
void CVaroView::ApplyZoom()
{
    const int top = TopPosition();
    QFont font = document()->defaultFont();
    font.setPointSizeF(m_basePointSize * m_zoom.Percent() / 100.0);
    document()->setDefaultFont(font);
    ScrollToPosition(top);
    emit zoomChanged(m_zoom.Percent());
}

// Ctrl+wheel zooms: away from the reader enlarges, as in browsers. The view's own wheel zoom
// would change the widget's font behind the level's back.
void CVaroView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int delta = event->angleDelta().y();
        if (delta > 0)
            ZoomIn();
        else if (delta < 0)
            ZoomOut();
        event->accept();
        return;
    }
    QTextBrowser::wheelEvent(event);
}

void CVaroView::resizeEvent(QResizeEvent* event)
{
    QTextBrowser::resizeEvent(event);
    PlaceFindBar();
}

// The bar stands in the view's top right corner, over the page, as in browsers.
void CVaroView::PlaceFindBar()
{
    const QSize size = m_findBar->sizeHint();
    const int width = std::min(size.width(), viewport()->width());
    m_findBar->setGeometry(viewport()->x() + viewport()->width() - width, viewport()->y(), width, size.height());
}

void CVaroView::OpenFindBar()
{
    PlaceFindBar();
    // A selection in the page is the likeliest thing to find.
    const QString selected = textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_findBar->Field()->setText(selected);
    m_findBar->Open();
    RunFind(textCursor().selectionStart());
}

void CVaroView::OnFindClosed()
{
    m_find.Clear();
    UpdateMarks();
    setFocus(Qt::OtherFocusReason);
}

// Finds the bar's text in the page's raw text, whose positions are the document's own (table
// cells and paragraphs each take one character there, as in the document).
void CVaroView::RunFind(int from)
{
    const std::u16string what = m_findBar->Text().toStdU16String();
    const auto alternatives = m_findAlternatives ? m_findAlternatives(what) : varo::CPageFind::Plain(what);
    m_find.Find(IsBlank() ? std::u16string() : document()->toRawText().toStdU16String(), alternatives,
                static_cast<std::size_t>(std::max(from, 0)));
    m_findBar->SetCount(QString::fromStdU16String(m_find.CountText()), !what.empty() && m_find.Count() == 0);
    UpdateMarks();
    if (m_find.Current() >= 0)
        CentreOn(static_cast<int>(m_find.Matches()[static_cast<std::size_t>(m_find.Current())].position));
}

void CVaroView::FindNext()
{
    if (!m_findBar->isVisible()) {
        OpenFindBar();
        return;
    }
    if (m_find.Next()) {
        m_findBar->SetCount(QString::fromStdU16String(m_find.CountText()), false);
        UpdateMarks();
        CentreOn(static_cast<int>(m_find.Matches()[static_cast<std::size_t>(m_find.Current())].position));
    }
}

void CVaroView::FindPrevious()
{
    if (!m_findBar->isVisible()) {
        OpenFindBar();
        return;
    }
    if (m_find.Previous()) {
        m_findBar->SetCount(QString::fromStdU16String(m_find.CountText()), false);
        UpdateMarks();
        CentreOn(static_cast<int>(m_find.Matches()[static_cast<std::size_t>(m_find.Current())].position));
    }
}

// The hit an anchor names: the highlighted run the renderer wrote beside the anchor, taken as
// the characters with the highlight's background from the anchor on. The page's other hits
// keep the renderer's highlight; this one gets a colour of its own and the middle of the view.
void CVaroView::MarkCurrentHit(const QString& anchor)
{
    m_currentHit = {0, 0};
    if (anchor.isEmpty())
        return;
    int anchorPosition = -1;
    for (QTextBlock block = document()->begin(); block.isValid() && anchorPosition < 0; block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            if (fragment.fragment().charFormat().anchorNames().contains(anchor)) {
                anchorPosition = fragment.fragment().position();
                break;
            }
        }
    }
    if (anchorPosition < 0)
        return;
    const QTextBlock block = document()->findBlock(anchorPosition);
    int start = -1;
    int end = -1;
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
        const QTextFragment piece = fragment.fragment();
        if (piece.position() + piece.length() <= anchorPosition)
            continue;
        const bool highlighted = piece.charFormat().background().style() != Qt::NoBrush;
        if (highlighted) {
            if (start < 0)
                start = std::max(piece.position(), anchorPosition);
            end = piece.position() + piece.length();
        } else if (start >= 0) {
            break;
        }
    }
    if (start < 0)
        return;
    m_currentHit = {start, end - start};
    CentreOn(start);
}

void CVaroView::UpdateMarks()
{
    QList<ExtraSelection> marks;
    const auto mark = [this, &marks](int position, int length, const QColor& colour) {
        ExtraSelection selection;
        selection.cursor = QTextCursor(document());
        selection.cursor.setPosition(position);
        selection.cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        selection.format.setBackground(colour);
        marks << selection;
    };
    if (m_currentHit.second > 0)
        mark(m_currentHit.first, m_currentHit.second, kCurrentHitColour);
    for (std::size_t i = 0; i < m_find.Count(); ++i) {
        const varo::PageMatchTag& match = m_find.Matches()[i];
        const bool current = static_cast<long>(i) == m_find.Current();
        mark(static_cast<int>(match.position), static_cast<int>(match.length),
             current ? kCurrentFindMatchColour : kFindMatchColour);
    }
    setExtraSelections(marks);
}

// Scrolls so that the position stands in the middle of the view, as far as the page allows.
void CVaroView::CentreOn(int position)
{
    if (position < 0 || position >= document()->characterCount())
        return;
    QTextCursor cursor(document());
    cursor.setPosition(position);
    const QRect rect = cursorRect(cursor);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + rect.center().y() - viewport()->height() / 2);
}

namespace {

const QString kCitationFormatKey = QStringLiteral("Research/CitationFormat");

}  // namespace

QString CVaroView::SelectedText() const
{
    // The text cursor separates paragraphs by U+2029 and lines by U+2028.
    QString text = textCursor().selectedText();
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    text.replace(QChar(0x2028), QLatin1Char('\n'));
    return text;
}

QString CVaroView::CitationFormat()
{
    const QString format = varo::shell::OpenSettings()->value(kCitationFormatKey).toString();
    return format.isEmpty() ? QString::fromStdU16String(varo::kDefaultCitationFormat) : format;
}

void CVaroView::SetCitationFormat(const QString& format)
{
    varo::shell::OpenSettings()->setValue(kCitationFormatKey, format);
}

std::optional<QString> CVaroView::CitationLine() const
{
    const std::optional<varo::CitationTag> citation = m_citation ? m_citation() : std::nullopt;
    if (!citation || IsBlank())
        return std::nullopt;
    return QString::fromStdU16String(varo::FormatCitation(CitationFormat().toStdU16String(), *citation));
}

bool CVaroView::CopyCitation()
{
    if (!CanCopy()) {
        varo::shell::ShowMessageBox(
            this, QStringLiteral("引用する文を本文で選んでから、もう一度「引用をコピー」を選んで下さい。"));
        return false;
    }
    const std::optional<QString> line = CitationLine();
    if (!line) {
        varo::shell::ShowMessageBox(this, QStringLiteral("この頁は目録にないため、出典を示せません。"
                                                         "選んだ文だけをコピーするには「コピー」を使って下さい。"));
        return false;
    }
    QGuiApplication::clipboard()->setText(SelectedText() + QLatin1Char('\n') + *line);
    return true;
}

void CVaroView::EditCitationFormat()
{
    bool accepted = false;
    const QString format = QInputDialog::getText(
        this, QStringLiteral("引用の書式"),
        QStringLiteral("出典の行の書式です。{category} 類別、{title} 書名、{volume} 巻、{label} 頁、"
                       "{page} 頁番号がそれぞれに置き換わります。"),
        QLineEdit::Normal, CitationFormat(), &accepted);
    if (accepted)
        SetCitationFormat(format.isEmpty() ? QString::fromStdU16String(varo::kDefaultCitationFormat) : format);
}

// Pages are text from the collection, and a collection may come from anyone: the text view shows
// a page that names pictures, style sheets, devices and files elsewhere, or links anywhere, and
// loads nothing of it but the program's own pictures, and no link takes it off the page. Whether
// a file was read is asked of the kernel (inotify), so that a read by any part of the view counts.
#include "shell/varo.h"
#include "shell/varoview.h"
#include "tests/shell/shellfixture.h"

#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <fcntl.h>
#include <map>
#include <sys/inotify.h>
#include <unistd.h>

using varo::test::TempDir;
using varo::test::ToQString;

namespace {

namespace fs = std::filesystem;

const QSize kPictureSize(37, 23);

// Reports which of the watched files were opened since it started.
class OpenWatch {
public:
    explicit OpenWatch(const std::vector<fs::path>& files) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        for (const fs::path& file : files)
            m_names[::inotify_add_watch(m_fd, file.c_str(), IN_OPEN | IN_ACCESS)] = file.filename().string();
    }
    ~OpenWatch() { ::close(m_fd); }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    QStringList Opened() const
    {
        QStringList opened;
        alignas(inotify_event) char buffer[4096];
        ssize_t length = 0;
        while ((length = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const auto found = m_names.find(event->wd);
                opened << QString::fromStdString(found == m_names.end() ? "?" : found->second);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        opened.removeDuplicates();
        return opened;
    }

private:
    int m_fd;
    std::map<int, std::string> m_names;
};

// Records every URL handed to the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

// Files a hostile page names: a picture and a style sheet that turns text red, outside the
// page's folder and beside the page.
struct HostileFiles {
    TempDir dir;
    fs::path picture = dir.Path() / "picture.png";
    fs::path styleSheet = dir.Path() / "sheet.css";
    fs::path pages = dir.Path() / "pages";
    fs::path nearPicture = pages / "near.png";

    HostileFiles()
    {
        fs::create_directories(pages);
        QImage image(kPictureSize, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.save(ToQString(picture));
        image.save(ToQString(nearPicture));
        QFile sheet(ToQString(styleSheet));
        if (sheet.open(QIODevice::WriteOnly))
            sheet.write("p { color: #ff0000; }");
    }

    std::vector<fs::path> Watched() const { return {picture, styleSheet, nearPicture}; }

    // Writes the page with every "PICTURE" and "SHEET" replaced by the files' absolute paths.
    QString WritePage(QString html) const
    {
        html.replace(QStringLiteral("PICTURE"), ToQString(picture))
            .replace(QStringLiteral("SHEET"), ToQString(styleSheet));
        const QString path = ToQString(pages / "windows.html");
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(html.toUtf8());
        return path;
    }
};

QSize PictureSize(const QVariant& resource)
{
    if (resource.userType() == QMetaType::QImage)
        return qvariant_cast<QImage>(resource).size();
    if (resource.userType() == QMetaType::QPixmap)
        return qvariant_cast<QPixmap>(resource).size();
    if (resource.userType() == QMetaType::QByteArray)
        return QImage::fromData(resource.toByteArray()).size();
    return {};
}

// Every way a page is drawn: on the screen, and on a printer (which draws pictures apart).
void DrawEverywhere(CVaroView& view, const TempDir& dir)
{
    view.grab();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ToQString(dir.Path() / "printed.pdf"));
    view.document()->print(&printer);
}

QPoint LinkPoint(const CVaroView& view, const QString& href)
{
    const QTextDocument* document = view.document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().anchorHref() == href) {
                QTextCursor cursor(const_cast<QTextDocument*>(document));
                cursor.setPosition(fragment.position() + fragment.length() / 2);
                return view.cursorRect(cursor).center();
            }
        }
    }
    return {-1, -1};
}

}  // namespace

class HostilePageTest : public QObject {
    Q_OBJECT

private slots:
    void pageNamingFiles_loadsNoneOfThem_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("picture");  // the name the page gives its picture; none: a sheet
        QTest::newRow("file URL") << "<img src=\"file://PICTURE\">"
                                  << "file://PICTURE";
        QTest::newRow("absolute path") << "<img src=\"PICTURE\">"
                                       << "PICTURE";
        QTest::newRow("path out of the page's folder") << "<img src=\"../picture.png\">"
                                                       << "../picture.png";
        QTest::newRow("picture beside the page") << "<img src=\"near.png\">"
                                                 << "near.png";
        QTest::newRow("endless device") << "<img src=\"file:///dev/zero\" width=50>"
                                        << "file:///dev/zero";
        QTest::newRow("system file") << "<img src=\"/etc/hostname\">"
                                     << "/etc/hostname";
        QTest::newRow("style url") << "<p style=\"background-image: url(PICTURE)\">字</p>"
                                   << "PICTURE";
        QTest::newRow("cell background") << "<table><tr><td background=\"PICTURE\">字</td></tr></table>"
                                         << "PICTURE";
        QTest::newRow("page background") << "<body background=\"PICTURE\"><p>字</p></body>"
                                         << "PICTURE";
        QTest::newRow("style sheet link") << "<head><link rel=\"stylesheet\" href=\"SHEET\"></head><p>字</p>"
                                          << "";
        QTest::newRow("style sheet import") << "<style>@import url(\"SHEET\");</style><p>字</p>"
                                            << "";
    }

    void pageNamingFiles_loadsNoneOfThem()
    {
        QFETCH(QString, html);
        QFETCH(QString, picture);
        HostileFiles files;
        CVaroView view;
        view.resize(800, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const OpenWatch watch(files.Watched());
        view.Navigate(files.WritePage(QStringLiteral("<html><body><p>頁</p>%1</body></html>").arg(html)));
        DrawEverywhere(view, files.dir);

        QCOMPARE(watch.Opened(), QStringList());
        QVERIFY(view.toPlainText().contains(QStringLiteral("頁")));
        if (!picture.isEmpty()) {
            picture.replace(QStringLiteral("PICTURE"), ToQString(files.picture));
            const QSize size = PictureSize(view.document()->resource(QTextDocument::ImageResource, QUrl(picture)));
            QVERIFY2(size != kPictureSize && size.width() * size.height() <= 1, qPrintable(picture));
        }
        for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it)
                QVERIFY(it.fragment().charFormat().foreground().color() != QColor(Qt::red));
        }
    }

    void programsOwnPictures_show_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("resource path") << ":/varo-16.png";
        QTest::newRow("resource URL") << "qrc:/varo-16.png";
    }

    void programsOwnPictures_show()
    {
        QFETCH(QString, name);
        HostileFiles files;
        CVaroView view;
        view.Navigate(files.WritePage(QStringLiteral("<p><img src=\"%1\">頁</p>").arg(name)));
        QCOMPARE(PictureSize(view.document()->resource(QTextDocument::ImageResource, QUrl(name))), QSize(16, 16));
    }

    // Clicked or taken with the keyboard, a link to anything but an anchor of the page leaves the
    // view where it is and hands nothing to the desktop; an anchor link moves to the anchor.
    void links_neverLeaveThePage()
    {
        HostileFiles files;
        UrlRecorder recorder;
        const QStringList schemes = {"file", "http", "https", "mailto", "ftp"};
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, &recorder, "Open");
        const QStringList links = {"file://PICTURE",          "PICTURE",
                                   "../picture.png",          "near.png",
                                   "http://example.invalid/", "mailto:someone@example.invalid",
                                   "ftp://example.invalid/x"};
        QString html = QStringLiteral("<html><body><p><a href=\"#0003\">下へ</a></p>");
        for (const QString& link : links)
            html += QStringLiteral("<p><a href=\"%1\">連結</a></p>").arg(link);
        for (int line = 0; line < 200; ++line)
            html += QStringLiteral("<p>學而時習之</p>");
        html += QStringLiteral("<p><a name=\"0003\"></a>終</p></body></html>");
        const QString page = files.WritePage(html);

        CVaroView view;
        view.resize(600, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const OpenWatch watch(files.Watched());
        view.Navigate(page);
        const QString text = view.toPlainText();
        for (QString link : links) {
            link.replace(QStringLiteral("PICTURE"), ToQString(files.picture));
            const QPoint point = LinkPoint(view, link);
            QVERIFY2(point.x() >= 0, qPrintable(link));
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point);
            QCOMPARE(view.GetLocationURL(), page);
            QCOMPARE(view.toPlainText(), text);
            QCOMPARE(view.verticalScrollBar()->value(), 0);
        }
        // The keyboard: Tab goes to the next link, Enter takes it.
        view.setFocus();
        for (int link = 0; link <= links.size(); ++link) {
            QTest::keyClick(&view, Qt::Key_Tab);
            if (link > 0) {
                QTest::keyClick(&view, Qt::Key_Return);
                QCOMPARE(view.toPlainText(), text);
            }
        }
        QCOMPARE(view.GetLocationURL(), page);
        QCOMPARE(recorder.opened, QList<QUrl>());
        QCOMPARE(watch.Opened(), QStringList());

        view.verticalScrollBar()->setValue(0);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, LinkPoint(view, QStringLiteral("#0003")));
        QVERIFY(view.verticalScrollBar()->value() > 1000);
        for (const QString& scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
};

QTEST_MAIN(HostilePageTest)
#include "hostilepage_test.moc"

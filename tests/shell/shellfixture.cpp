#include "tests/shell/shellfixture.h"

#include "text/codeconverter.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

namespace varo::test {

namespace {

std::vector<VolumeSpec> Volumes()
{
    std::vector<std::u32string> guofeng(105, U"詩之云");
    guofeng[0] = U"詩之云詩之云詩之云";
    return {
        {u"詩部", u"詩經", u"國風", 1, guofeng},
        {u"詩部", u"詩經", u"小雅", 5, {U"鹿鳴", U"四牡", U"皇華"}},
        {u"詩部", u"楚辭", u"離騷", 1, {U"離騷一", U"離騷二"}},
        {u"史部", u"史記", u"本紀", 1, {U"本紀一", U"本紀二"}},
    };
}

void Require(const std::string& complaint)
{
    if (!complaint.empty())
        throw std::runtime_error(complaint);
}

}  // namespace

void WriteShellCollection(const std::filesystem::path& folder)
{
    Require(WriteVolumes(folder, Volumes()));
}

QString ToQString(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

void IsolateSettings()
{
    // Removed when the test program ends.
    static QTemporaryDir folder;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
}

void OnNextModal(const std::function<void(QWidget*)>& action)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            action(modal);
            if (modal->isVisible())
                modal->close();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

void TypeText(QWidget* widget, const QString& text)
{
    for (QChar unit : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(unit), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(unit), Qt::NoModifier);
    }
}

std::unique_ptr<CMainFrame> OpenFrame(const std::filesystem::path& folder, const std::filesystem::path& program)
{
    IsolateSettings();
    FrameFoldersTag folders;
    const std::u16string native = CCodeConverter::Utf8ToUtf16(folder.string());
    folders.panel = {native, native, native};
    folders.program = ToQString(program.empty() ? folder / "no-program-here" : program);
    auto frame = std::make_unique<CMainFrame>(folders);
    frame->OnInitialUpdate();
    frame->resize(1000, 700);
    frame->show();
    frame->activateWindow();
    if (!QTest::qWaitForWindowActive(frame.get()))
        qWarning("the main window did not become active");
    return frame;
}

}  // namespace varo::test

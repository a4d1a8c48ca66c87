#include "tests/shell/shellfixture.h"

#include "text/codeconverter.h"
#include "tools/writer/cataloguewriter.h"

#include <QTest>

#include <cstdio>
#include <stdexcept>

namespace varo::test {

namespace {

struct VolumeSpec {
    std::u16string category;
    std::u16string title;
    std::u16string volume;
    uint16_t firstLabel = 1;
    std::vector<std::u32string> pages;
};

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

// A category or title entry opens where its name changes and spans its volumes' pages.
std::vector<writer::CatalogueEntry> CatalogueOf(const std::vector<VolumeSpec>& volumes)
{
    std::vector<writer::CatalogueEntry> entries;
    size_t category = 0;
    size_t title = 0;
    uint32_t nextPage = 1;
    for (size_t i = 0; i < volumes.size(); ++i) {
        const VolumeSpec& volume = volumes[i];
        const auto pages = static_cast<uint32_t>(volume.pages.size());
        const bool newCategory = i == 0 || volume.category != volumes[i - 1].category;
        if (newCategory) {
            category = entries.size();
            entries.push_back({volume.category, 1, nextPage, 0, volume.firstLabel});
        }
        if (newCategory || volume.title != volumes[i - 1].title) {
            title = entries.size();
            entries.push_back({volume.title, 2, nextPage, 0, volume.firstLabel});
        }
        entries.push_back({volume.volume, 3, nextPage, pages, volume.firstLabel});
        entries[category].docNo += pages;
        entries[title].docNo += pages;
        nextPage += pages;
    }
    return entries;
}

void Require(const std::string& complaint)
{
    if (!complaint.empty())
        throw std::runtime_error(complaint);
}

}  // namespace

void WriteShellCollection(const std::filesystem::path& folder)
{
    const std::vector<VolumeSpec> volumes = Volumes();
    std::vector<writer::PageInput> pages;
    for (size_t v = 0; v < volumes.size(); ++v) {
        for (size_t k = 0; k < volumes[v].pages.size(); ++k) {
            char name[64];
            std::snprintf(name, sizeof name, "c\\v%zu\\%04zu.htm", v, volumes[v].firstLabel + k);
            pages.push_back(SimplePage(name, volumes[v].pages[k]));
        }
    }
    Require(writer::WriteTextSet(folder, "Index", pages, {}));
    std::string catalogue;
    Require(writer::BuildCatalogueImage(CatalogueOf(volumes), catalogue));
    if (!writer::WriteFileBytes(folder / "zlq.dir", catalogue))
        throw std::runtime_error("cannot write zlq.dir");
}

QString ToQString(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
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

// The search panel over a collection with one data file damaged: missing, empty, cut short at
// places that matter, unreadable, a posting chain that runs in a circle. One session of a user
// (contents, page and volume commands, searches in and / or, results and hit commands, every
// search target) runs on each, and must end with the system's own messages and nothing else:
// no crash, no false result, no page shown other than as stored, nothing written into the data
// folder and no page file left behind.
#include "tests/panel/panelfixture_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varo {
namespace {

namespace fs = std::filesystem;
using test::VolumeSpec;

constexpr char16_t kOpenFailed[] = u"データを開けませんでした。";
constexpr char16_t kNoCatalogue[] = u"you delete data file!";
constexpr char16_t kNoScope[] = u"検索範囲が目録に見つかりません。";
constexpr int kSearches = 5;  // RunSearch calls in one session
constexpr int kJingBu = 1;    // the category 經部
constexpr int kXueEr = 3;     // its first volume 學而

const writer::VariantGroups kGroups = {{0x8A69, 0x8BD7}};  // 詩 诗

// The panel tests' collection with a variant table, so that the variant option has a group to
// search. Returns the stored page texts in record order.
std::vector<std::string> WriteVariantCollection(const fs::path& folder, const std::vector<VolumeSpec>& volumes)
{
    EXPECT_EQ(test::WriteVolumes(folder, volumes, kGroups), "");
    std::vector<std::string> stored;
    for (const writer::PageInput& page : test::VolumePages(volumes))
        stored.push_back(page.html);
    return stored;
}

// Names, sizes and modification times of everything in a folder.
std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> Listing(const fs::path& folder)
{
    std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> listing;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        listing[entry.path().filename().string()] = {entry.is_regular_file() ? entry.file_size() : 0,
                                                     entry.last_write_time()};
    return listing;
}

// Whether the process can read a file whatever its mode says (it can as root).
bool ReadableDespiteMode(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

uint32_t WordAt(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
    return value;
}

void PutWord(std::string& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// GrowTo makes the file a sparse one of the given size (no disk used), its own bytes first.
// LyingLength makes the first page record claim the last 4 GiB - 1 bytes of a content file grown
// as large.
enum class Fault { Missing, Empty, CutAt, Unreadable, GrowTo, LyingLength };

struct Case {
    const char* name;
    const char* file;
    Fault fault;
    uint64_t cut;  // for CutAt: the bytes kept; for GrowTo: the size
    std::vector<std::u16string> messages;
};

constexpr uint64_t k20GiB = uint64_t{20} << 30;

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

std::vector<std::u16string> Repeat(const char16_t* message, int count)
{
    return std::vector<std::u16string>(static_cast<size_t>(count), message);
}

std::vector<std::u16string> NoCatalogue()
{
    std::vector<std::u16string> messages = Repeat(kNoScope, kSearches);
    messages.insert(messages.begin(), kNoCatalogue);
    return messages;
}

// Record i of the list file starts at 268 + i * 108; a catalogue record is 216 bytes. The
// catalogue without its first record has no scope; without its later records it still holds
// the volumes the session walks. Every display of a page record that the text store cannot read
// (cut off, outside the content file, longer than a page can be) says so once; the session
// tries the first page of 學而 twice and the results that hold it once or more.
const Case kCases[] = {
    {"catalogueMissing", "zlq.dir", Fault::Missing, 0, NoCatalogue()},
    {"catalogueEmpty", "zlq.dir", Fault::Empty, 0, Repeat(kNoScope, kSearches)},
    {"catalogueCutInItsFirstRecord", "zlq.dir", Fault::CutAt, 100, Repeat(kNoScope, kSearches)},
    {"catalogueCutInALaterRecord", "zlq.dir", Fault::CutAt, 216 * 4 + 50, {}},
    {"catalogueUnreadable", "zlq.dir", Fault::Unreadable, 0, NoCatalogue()},
    {"catalogueSparse20GiB", "zlq.dir", Fault::GrowTo, k20GiB, {}},
    // The text store serves every index kind: each of the four opens fails.
    {"listFileMissing", "Index-fl.h", Fault::Missing, 0, Repeat(kOpenFailed, 4)},
    {"listFileEmpty", "Index-fl.h", Fault::Empty, 0, Repeat(kOpenFailed, 4)},
    {"listFileCutInItsHeader", "Index-fl.h", Fault::CutAt, 100, Repeat(kOpenFailed, 4)},
    {"listFileCutInARecord", "Index-fl.h", Fault::CutAt, 268 + 108 * 2 + 50, Repeat(kOpenFailed, 8)},
    {"listFileUnreadable", "Index-fl.h", Fault::Unreadable, 0, Repeat(kOpenFailed, 4)},
    {"listFileSparse20GiB", "Index-fl.h", Fault::GrowTo, k20GiB, {}},
    {"firstPageClaims4GiB", "Index-fl.h", Fault::LyingLength, 0, Repeat(kOpenFailed, 4)},
    {"contentFileMissing", "Index-fl.cnt", Fault::Missing, 0, Repeat(kOpenFailed, 4)},
    {"contentFileEmpty", "Index-fl.cnt", Fault::Empty, 0, Repeat(kOpenFailed, 16)},
    {"contentFileCutInAPage", "Index-fl.cnt", Fault::CutAt, 1000, Repeat(kOpenFailed, 10)},
    {"contentFileUnreadable", "Index-fl.cnt", Fault::Unreadable, 0, Repeat(kOpenFailed, 4)},
    // The full-text kind opens at the start and again at the end of the session.
    {"fullTextHeaderMissing", "Index-idx.h", Fault::Missing, 0, Repeat(kOpenFailed, 2)},
    {"fullTextHeaderEmpty", "Index-idx.h", Fault::Empty, 0, Repeat(kOpenFailed, 2)},
    {"fullTextHeaderCutInFirstBlock", "Index-idx.h", Fault::CutAt, 1000, Repeat(kOpenFailed, 2)},
    {"fullTextHeaderCutInLastPage", "Index-idx.h", Fault::CutAt, 1399999, Repeat(kOpenFailed, 2)},
    {"fullTextHeaderCutInTheChain", "Index-idx.h", Fault::CutAt, 1400002, {}},
    {"fullTextHeaderUnreadable", "Index-idx.h", Fault::Unreadable, 0, Repeat(kOpenFailed, 2)},
    {"fullTextPostingsMissing", "Index-idx.m", Fault::Missing, 0, Repeat(kOpenFailed, 2)},
    {"fullTextPostingsEmpty", "Index-idx.m", Fault::Empty, 0, Repeat(kOpenFailed, 2)},
    {"fullTextPostingsCutInFirstBlock", "Index-idx.m", Fault::CutAt, 100, {}},
    {"fullTextPostingsCutInALaterBlock", "Index-idx.m", Fault::CutAt, 4096 * 3 + 5, {}},
    {"fullTextPostingsUnreadable", "Index-idx.m", Fault::Unreadable, 0, Repeat(kOpenFailed, 2)},
    // Main text and annotations open once each, when their radio is clicked.
    {"mainTextHeaderMissing", "Index_content-idx.h", Fault::Missing, 0, {kOpenFailed}},
    {"mainTextHeaderCut", "Index_content-idx.h", Fault::CutAt, 700000, {kOpenFailed}},
    {"mainTextPostingsEmpty", "Index_content-idx.m", Fault::Empty, 0, {kOpenFailed}},
    {"mainTextPostingsCut", "Index_content-idx.m", Fault::CutAt, 4096 + 1, {}},
    {"annotationHeaderEmpty", "Index_desc-idx.h", Fault::Empty, 0, {kOpenFailed}},
    {"annotationHeaderUnreadable", "Index_desc-idx.h", Fault::Unreadable, 0, {kOpenFailed}},
    {"annotationPostingsMissing", "Index_desc-idx.m", Fault::Missing, 0, {kOpenFailed}},
    // The variant table is optional: without it the option changes nothing.
    {"variantTableMissing", "yitizi.txt", Fault::Missing, 0, {}},
    {"variantTableEmpty", "yitizi.txt", Fault::Empty, 0, {}},
    {"variantTableCutInALine", "yitizi.txt", Fault::CutAt, 6, {}},
    {"variantTableUnreadable", "yitizi.txt", Fault::Unreadable, 0, {}},
};

// A collection in its own data folder, a temporary folder for the panel's page files and a
// folder for the catalogue listing, and one session of a user on a panel over them.
class Session {
public:
    explicit Session(const std::vector<VolumeSpec>& volumes = test::StandardVolumes())
    {
        fs::create_directories(Data());
        fs::create_directories(Temporary());
        fs::create_directories(ListingFolder());
        m_storedPages = WriteVariantCollection(Data(), volumes);
        for (const VolumeSpec& volume : volumes)
            m_pageTexts.insert(m_pageTexts.end(), volume.pages.begin(), volume.pages.end());
    }

    fs::path Data() const { return m_dir.Path() / "data"; }
    fs::path Temporary() const { return m_dir.Path() / "temporary"; }
    fs::path ListingFolder() const { return m_dir.Path() / "listing"; }

    /// Where the panel makes its folder of page files (the temporary folder unless changed).
    void SetTemporaryParent(const fs::path& parent) { m_temporaryParent = parent; }
    /// A posting file that is damaged in its streams may list pages without the terms.
    void DistrustResults() { m_trustResults = false; }

    /// Runs the session on a new panel and destroys the panel again.
    void Run()
    {
        const auto wide = [](const fs::path& path) { return CCodeConverter::Utf8ToUtf16(path.string()); };
        {
            CLeftFormModel panel({wide(Data()), wide(m_temporaryParent.empty() ? Temporary() : m_temporaryParent),
                                  wide(ListingFolder())},
                                 m_ports.Ports());
            panel.OnInitialUpdate();
            Steps(panel);
        }
        EXPECT_TRUE(fs::is_empty(Temporary())) << "page files were left behind";
    }

    const test::FakePorts& Ports() const { return m_ports; }

private:
    void Steps(CLeftFormModel& panel)
    {
        panel.OnContentsSelect(kXueEr);
        CheckShownPage();
        for (auto step : {&CLeftFormModel::NextPage, &CLeftFormModel::NextPage, &CLeftFormModel::PreviousPage}) {
            (panel.*step)();
            CheckShownPage();
        }
        panel.OnSliderReleased(12);
        CheckShownPage();
        panel.NextVolume();
        panel.PreviousVolume();
        CheckShownPage();

        panel.OnContentsSelect(kJingBu);
        Search(panel, u"詩 經", 1);
        Search(panel, u"詩經", 0);
        for (const int target : {TARGET_MAIN_TEXT, TARGET_ANNOTATIONS, TARGET_FULL_TEXT}) {
            panel.OnTargetClicked(target);
            Search(panel, target == TARGET_FULL_TEXT ? u"詩" : u"經", 0);
        }
    }

    // Searches, then shows the first and the last result and walks their hits.
    void Search(CLeftFormModel& panel, const std::u16string& query, int andOr)
    {
        m_ports.Type(query);
        panel.m_andOr = andOr;
        panel.RunSearch();
        if (m_trustResults)
            CheckResults(panel, query, andOr);
        for (const int row : {0, static_cast<int>(m_ports.rows.size()) - 1}) {
            panel.OnResultSelected(row);
            CheckShownResult();
            panel.NextHit();
            panel.NextHit();
            panel.PreviousHit();
        }
    }

    // A damaged index may find fewer pages, never a page without the terms.
    void CheckResults(const CLeftFormModel& panel, const std::u16string& query, int andOr) const
    {
        std::vector<std::u32string> terms;
        for (size_t start = 0; start < query.size();) {
            const size_t end = std::min(query.find(u' ', start), query.size());
            terms.emplace_back(query.begin() + static_cast<ptrdiff_t>(start),
                               query.begin() + static_cast<ptrdiff_t>(end));
            start = end + 1;
        }
        for (const SearchNodeTag& result : panel.m_resultList.m_results) {
            ASSERT_LT(result.pageNumber, m_pageTexts.size());
            const std::u32string& text = m_pageTexts[result.pageNumber];
            size_t found = 0;
            for (const std::u32string& term : terms)
                found += text.find(term) != std::u32string::npos ? 1 : 0;
            EXPECT_TRUE(andOr == 0 ? found == terms.size() : found > 0)
                << "page " << result.pageNumber << " does not hold the query";
        }
    }

    std::string LastShownFile()
    {
        m_checkedNavigations = m_ports.navigations.size();
        return test::ReadFileBytes(test::PanelRig::Native(m_ports.navigations.back().first));
    }

    // A page is shown exactly as stored, or not at all.
    void CheckShownPage()
    {
        if (m_ports.navigations.size() == m_checkedNavigations)
            return;
        const std::string shown = LastShownFile();
        EXPECT_NE(std::find(m_storedPages.begin(), m_storedPages.end(), shown), m_storedPages.end())
            << "shown: " << shown;
    }

    // A result page is a whole rendered document.
    void CheckShownResult()
    {
        if (m_ports.navigations.size() == m_checkedNavigations)
            return;
        const std::string shown = LastShownFile();
        EXPECT_EQ(shown.rfind("<html><head>", 0), 0u) << "shown: " << shown;
        EXPECT_TRUE(shown.ends_with("</BODY></html>")) << "shown: " << shown;
    }

    test::TempDir m_dir;
    std::vector<std::string> m_storedPages;
    std::vector<std::u32string> m_pageTexts;
    fs::path m_temporaryParent;
    bool m_trustResults = true;
    test::FakePorts m_ports;
    size_t m_checkedNavigations = 0;
};

class DamagedFile : public ::testing::TestWithParam<Case> {};

TEST_P(DamagedFile, sessionShowsTheSystemsMessagesOnly)
{
    const Case& c = GetParam();
    Session session;
    const fs::path file = session.Data() / c.file;
    ASSERT_TRUE(fs::exists(file));
    switch (c.fault) {
    case Fault::Missing: fs::remove(file); break;
    case Fault::Empty: fs::resize_file(file, 0); break;
    case Fault::CutAt:
        ASSERT_LT(c.cut, fs::file_size(file));
        fs::resize_file(file, c.cut);
        break;
    case Fault::Unreadable:
        fs::permissions(file, fs::perms::none);
        if (ReadableDespiteMode(file))
            GTEST_SKIP() << "permissions do not stop reads here (running as root)";
        break;
    case Fault::GrowTo: fs::resize_file(file, c.cut); break;
    case Fault::LyingLength: {
        std::string list = test::ReadFileBytes(file);
        PutWord(list, kListHeaderSize + kDefaultNameSize, 0xFFFFFFFF);
        PutWord(list, kListHeaderSize + kDefaultNameSize + 4, 0xFFFFFFFF);
        ASSERT_TRUE(writer::WriteFileBytes(file, list));
        fs::resize_file(session.Data() / "Index-fl.cnt", 0xFFFFFFFF);
        break;
    }
    }
    const auto before = Listing(session.Data());
    session.Run();
    EXPECT_EQ(session.Ports().messages, c.messages);
    EXPECT_EQ(Listing(session.Data()), before) << "the data folder changed";
}

INSTANTIATE_TEST_SUITE_P(EveryDataFile, DamagedFile, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varo

namespace varo {
namespace {

TEST(FaultInjection, postingChainThatCycles_endsEverySearch)
{
    // 詩 three times on every other page of 3,000 fills more than one block of postings; its
    // second block is sent back to its first.
    std::vector<std::u32string> pages(3000, U"經");
    for (size_t p = 0; p < pages.size(); p += 2)
        pages[p] = U"詩云詩云詩經";
    Session session({{u"經部", u"詩", u"卷一", 1, pages}});
    const fs::path header = session.Data() / "Index-idx.h";
    std::string bytes = test::ReadFileBytes(header);
    const uint32_t first = WordAt(bytes, kFirstBlockOffset + static_cast<size_t>(CIndex::GetCharSlot(U'詩')) * 4);
    const uint32_t second = WordAt(bytes, kChainOffset + size_t{first} * 4);
    ASSERT_NE(second, kNoBlock) << "the stream fits one block";
    PutWord(bytes, kChainOffset + size_t{second} * 4, first);
    ASSERT_TRUE(writer::WriteFileBytes(header, bytes));
    session.DistrustResults();

    session.Run();
    // The one volume has no neighbours to move to.
    EXPECT_EQ(session.Ports().messages, (std::vector<std::u16string>{kLastVolumeMessage, kFirstVolumeMessage}));
    EXPECT_FALSE(session.Ports().summary.empty());
}

TEST(FaultInjection, readOnlyDataFolder_isNeverWritten)
{
    Session session;
    fs::permissions(session.Data(), fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = Listing(session.Data());
    session.Run();
    fs::permissions(session.Data(), fs::perms::owner_all);
    EXPECT_TRUE(session.Ports().messages.empty());
    EXPECT_FALSE(session.Ports().navigations.empty());
    EXPECT_EQ(Listing(session.Data()), before);
}

// Every message is the one for a page file that cannot be written, and there is one at least.
bool OnlyUnwritablePageMessages(const std::vector<std::u16string>& messages)
{
    return !messages.empty() && std::all_of(messages.begin(), messages.end(), [](const std::u16string& text) {
        return text == kPageFileUnwritableMessage;
    });
}

// Without a place for page files nothing is shown, the user is told why, and the rest of the
// panel works on.
TEST(FaultInjection, temporaryFolderUnusable_showsNothingAndSaysWhy)
{
    Session session;
    const fs::path file = session.ListingFolder() / "file";
    ASSERT_TRUE(writer::WriteFileBytes(file, "x"));
    session.SetTemporaryParent(file / "below");  // a folder under a file
    session.Run();
    EXPECT_TRUE(OnlyUnwritablePageMessages(session.Ports().messages));
    EXPECT_TRUE(session.Ports().navigations.empty());
    EXPECT_EQ(session.Ports().summary, u"全部で 4 頁で、6 箇所でした。");  // the last search
}

TEST(FaultInjection, readOnlyTemporaryFolder_showsNothing)
{
    Session session;
    fs::permissions(session.Temporary(), fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(session.Temporary().c_str(), W_OK) == 0) {
        fs::permissions(session.Temporary(), fs::perms::owner_all);
        GTEST_SKIP() << "permissions do not stop writes here (running as root)";
    }
    session.Run();
    fs::permissions(session.Temporary(), fs::perms::owner_all);
    EXPECT_TRUE(OnlyUnwritablePageMessages(session.Ports().messages));
    EXPECT_TRUE(session.Ports().navigations.empty());
}

// A full disk, as a file size limit: every page file write comes up short.
TEST(FaultInjection, temporaryFolderFull_showsNoPageCutShort)
{
    Session session;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limit = saved;
    limit.rlim_cur = 64;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    session.Run();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(OnlyUnwritablePageMessages(session.Ports().messages));
    EXPECT_TRUE(session.Ports().navigations.empty());
}

// A full disk part-way through a page file, as a file size limit just above the page shown:
// the next, longer page cannot be written, and the page file still holds the shown page whole
// (the view reads it again for every navigation, printing and the hit commands).
TEST(FaultInjection, temporaryFolderFillsUpMidPage_keepsTheShownPageWhole)
{
    test::PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kXueEr);
    panel.NextPage();  // 學而之, shorter than the first page 詩云詩云詩
    ASSERT_EQ(panel.m_curPage, 6);
    const std::string shown = rig.ShownFile();
    const size_t navigations = rig.ports.navigations.size();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limit = saved;
    limit.rlim_cur = shown.size() + 1;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    panel.PreviousPage();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(panel.m_curPage, 6);
    EXPECT_EQ(rig.ports.navigations.size(), navigations);
    EXPECT_EQ(rig.ShownFile(), shown);
    EXPECT_EQ(rig.ports.messages, std::vector<std::u16string>{kPageFileUnwritableMessage});
}

// A list file grown to 20 GiB of empty records: a label the volume lacks is looked for inside
// the volume only, not through the whole file.
TEST(FaultInjection, hugeListFile_missingLabelIsLookedForInsideTheVolume)
{
    test::PanelRig rig;
    fs::resize_file(rig.dir.Path() / "Index-fl.h", k20GiB);
    CLeftFormModel& panel = rig.Start();
    EXPECT_FALSE(panel.ShowPage(kXueEr, false, 999));
    EXPECT_TRUE(panel.ShowPage(kXueEr, false, 24));
    EXPECT_TRUE(rig.ports.messages.empty());
}

}  // namespace
}  // namespace varo

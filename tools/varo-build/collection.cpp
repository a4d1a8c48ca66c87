#include "tools/varo-build/collection.h"

#include "text/codeconverter.h"
#include "tools/varo-build/buildlimits.h"
#include "tools/varo-build/interruption.h"
#include "tools/varo-build/pagefile.h"
#include "tools/varo-build/pagetext.h"
#include "tools/varo-build/staging.h"
#include "tools/varo-build/varianttable.h"
#include "tools/writer/filewriters.h"
#include "tools/writer/pairfilewriter.h"
#include "tools/writer/textsetwriter.h"

#include <array>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

namespace varo::build {

namespace fs = std::filesystem;

namespace {

// Shares of the whole build, for the progress report: reading the pages, then the text
// store, then the three index kinds, each with its pair file.
constexpr double kReadShare = 0.40;
constexpr double kStoreShare = 0.05;
constexpr double kKindShare = (1.0 - kReadShare - kStoreShare) / 3;
constexpr double kPairShareOfKind = 0.4;

// Memory for the entries of each index kind before they are sorted and spilled to run files
// in the staging folder: the three kinds together hold at most 3 x 96 MiB, whatever the size
// of the collection.
constexpr size_t kIndexMemoryBudget = size_t{96} << 20;

void Report(IBuildProgress* progress, std::string_view phase, double done)
{
    if (progress != nullptr)
        progress->Report(phase, done);
}

bool ReadWholeFile(const fs::path& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    bytes = std::move(buffer).str();
    return !in.bad();
}

// The variant table named by the options, or found by the default rule; an empty path and no
// groups when there is none.
std::string LoadVariants(const BuildOptions& options, writer::VariantGroups& groups, BuildSummary& summary)
{
    fs::path path;
    if (options.variants) {
        path = *options.variants;
    } else {
        std::error_code ignored;
        for (const fs::path& folder : {options.source, options.fallbackFolder})
            if (!folder.empty() && fs::is_regular_file(folder / kVariantFileName, ignored)) {
                path = folder / kVariantFileName;
                break;
            }
    }
    if (path.empty()) {
        summary.warnings.push_back("no variant table (yitizi.txt) found: the collection has no variant groups");
        return {};
    }
    std::string text;
    if (!ReadWholeFile(path, text))
        return "cannot read the variant table " + path.string();
    if (std::string error = ParseVariantTable(text, groups); !error.empty())
        return path.string() + ", " + error;
    if (groups.size() > kMaxVariantGroups)
        summary.warnings.push_back("the variant table has " + std::to_string(groups.size()) +
                                   " groups; only the first 11,935 can be searched");
    summary.variantSource = path.string();
    summary.variantGroups = groups.size();
    return {};
}

// What becomes of each page once read: its stored HTML and its indexed texts.
using PageSink = std::function<std::string(const std::string& recordName, const std::string& html,
                                           const std::array<std::u32string, 3>& indexed)>;

// Reads every page of the corpus, in order, into the writer's form and hands it on: only one
// page is held at a time.
std::string ReadPages(const SourceTree& tree, IBuildProgress* progress, BuildSummary& summary, const PageSink& sink)
{
    const size_t total = tree.PageCount();
    size_t done = 0;
    uint64_t contentBytes = 0;
    std::string source;
    for (const auto& category : tree.categories)
        for (const auto& title : category.titles)
            for (const auto& volume : title.volumes)
                for (const SourcePage& page : volume.pages) {
                    if (std::string error = ReadPageFile(tree, page, source); !error.empty())
                        return error;
                    const std::string html =
                        page.isHtml ? std::move(source)
                                    : WrapPlainText(source, {title.name + " " + volume.name, volume.name, page.label});
                    if (std::string error = CheckPageSize(html.size(), page.recordName, !page.isHtml); !error.empty())
                        return error;
                    if (std::string error = CheckContentSize(contentBytes += html.size(), page.recordName);
                        !error.empty())
                        return error;
                    const std::array<std::u32string, 3> indexed = IndexedTexts(html, page.label);
                    if (std::string error = CheckPositions(indexed, page.recordName); !error.empty())
                        return error;
                    if (page.isHtml && indexed[INDEX_FULL_TEXT].empty() && !html.empty())
                        summary.warnings.push_back("the page " + page.recordName +
                                                   " has no text in its text cell (cell " +
                                                   std::to_string(page.label % 2 + 1) + " for this label)");
                    summary.characters += indexed[INDEX_FULL_TEXT].size();
                    if (std::string error = sink(page.recordName, html, indexed); !error.empty())
                        return error;
                    if (++done % 256 == 0 || done == total)
                        Report(progress, "reading pages",
                               kReadShare * static_cast<double>(done) / static_cast<double>(total));
                }
    return {};
}

// Moves the finished files into the target: the whole staging folder when the target does not
// exist yet, otherwise file by file, all or none.
SwitchResult MoveIntoPlace(const fs::path& staging, const fs::path& output, const std::vector<std::string>& names)
{
    // A pair file the new collection lacks (built without, or not made) must not stay beside
    // it: it goes aside with the files the new ones replace.
    std::vector<std::string> retired;
    for (int kind : {INDEX_FULL_TEXT, INDEX_MAIN_TEXT, INDEX_ANNOTATIONS})
        for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap)
            retired.push_back(writer::PairFileName(kTextSetName, kind, gap));
    std::error_code error;
    if (!fs::exists(output, error)) {
        // The temporary folder was made private; the collection is for everyone to read.
        fs::permissions(staging,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec,
                        error);
        fs::rename(staging, output, error);
        return {error ? "cannot move the collection into " + output.string() + ": " + error.message() : ""};
    }
    return SwitchIntoTarget(staging, output, names, RenameInPlace, retired);
}

class StagingWriter {
public:
    explicit StagingWriter(fs::path folder) : m_folder(std::move(folder)) {}

    std::string Write(const std::string& name, const std::string& bytes)
    {
        if (!writer::WriteFileBytes(m_folder / name, bytes))
            return "cannot write " + (m_folder / name).string();
        m_names.push_back(name);
        return {};
    }
    /// A file written into the folder by other means.
    void Add(const std::string& name) { m_names.push_back(name); }

    const fs::path& Folder() const { return m_folder; }
    const std::vector<std::string>& Names() const { return m_names; }

private:
    fs::path m_folder;
    std::vector<std::string> m_names;
};

// The pair files beside each index just written (neighbours, then characters one apart), the
// progress running from start to the end. A pair file only speeds phrases up: without it the
// collection answers the same, so one that cannot be made is a warning, not a failed build.
void WritePairFiles(IBuildProgress* progress, double start, StagingWriter& files, BuildSummary& summary)
{
    static constexpr std::string_view kPairPhases[][kMaxPairGap + 1] = {
        {"pairing the full text", "pairing the full text, one apart"},
        {"pairing the annotations", "pairing the annotations, one apart"},
        {"pairing the main text", "pairing the main text, one apart"}};
    const double share = (1.0 - start) / 3 / (kMaxPairGap + 1);
    const fs::path& folder = files.Folder();
    int step = 0;
    for (int kind : {INDEX_FULL_TEXT, INDEX_MAIN_TEXT, INDEX_ANNOTATIONS})
        for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap, ++step) {
            const double pairStart = start + share * step;
            const std::string pairName = writer::PairFileName(kTextSetName, kind, gap);
            const std::string_view phase = kPairPhases[kind][gap];
            Report(progress, phase, pairStart);
            const auto report = [&](double done) { Report(progress, phase, pairStart + share * done); };
            writer::PairFileOptions options;
            options.gap = gap;
            if (std::string error = writer::WritePairFile(folder / writer::IndexHeaderName(kTextSetName, kind),
                                                          folder / writer::PostingFileName(kTextSetName, kind),
                                                          folder / pairName, options, report);
                !error.empty())
                summary.warnings.push_back("no pair file " + pairName + ": " + error);
            else
                files.Add(pairName);
        }
}

// The catalogue, then every page read once and written on the way into the text store and
// the entries of the three index kinds, then each index merged into its files, then the
// variant table. Memory stays bounded: a page at a time, and each index's entries up to its
// budget before they go to run files in the staging folder.
std::string WriteCollection(const SourceTree& tree, const writer::VariantGroups& groups, uint32_t nameSize, bool pairs,
                            IBuildProgress* progress, StagingWriter& files, BuildSummary& summary)
{
    std::string catalogue;
    if (std::string error = writer::BuildCatalogueImage(MakeCatalogue(tree), catalogue); !error.empty())
        return error;
    if (std::string error = files.Write(kCatalogueFileName, catalogue); !error.empty())
        return error;

    const fs::path& folder = files.Folder();
    const std::string listName = std::string(kTextSetName) + "-fl.h";
    const std::string contentName = std::string(kTextSetName) + "-fl.cnt";
    writer::StoreFileWriter store;
    if (std::string error =
            store.Open(folder / listName, folder / contentName, static_cast<uint32_t>(tree.PageCount()), nameSize);
        !error.empty())
        return error;
    const writer::GroupsOfMembers groupsOf = writer::MapGroupsOfMembers(groups);
    std::array<std::unique_ptr<writer::IndexFileWriter>, 3> indexes;
    for (int kind = 0; kind < 3; ++kind)
        indexes[static_cast<size_t>(kind)] = std::make_unique<writer::IndexFileWriter>(
            groupsOf, folder, "run-" + std::to_string(kind) + "-", kIndexMemoryBudget);

    const std::string failure =
        ReadPages(tree, progress, summary,
                  [&](const std::string& recordName, const std::string& html,
                      const std::array<std::u32string, 3>& indexed) -> std::string {
                      if (std::string error = store.Add(recordName, html); !error.empty())
                          return error;
                      for (size_t kind = 0; kind < 3; ++kind)
                          if (std::string error = indexes[kind]->AddPage(indexed[kind], recordName); !error.empty())
                              return error;
                      return {};
                  });
    if (!failure.empty())
        return failure;
    Report(progress, "writing the text store", kReadShare);
    if (std::string error = store.Finish(); !error.empty())
        return error;
    files.Add(listName);
    files.Add(contentName);

    static constexpr std::string_view kPhases[] = {"indexing the full text", "indexing the annotations",
                                                   "indexing the main text"};
    // Each index is merged into its files and its writer freed before the next; the pair files
    // come after all three, so that no index writer's buffers are held while they are made.
    const double indexShare = kKindShare * (pairs ? 1 - kPairShareOfKind : 1);
    for (int kind : {INDEX_FULL_TEXT, INDEX_MAIN_TEXT, INDEX_ANNOTATIONS}) {
        const int step = kind == INDEX_FULL_TEXT ? 0 : kind == INDEX_MAIN_TEXT ? 1 : 2;
        const double start = kReadShare + kStoreShare + indexShare * step;
        Report(progress, kPhases[kind], start);
        const std::string headerName = writer::IndexHeaderName(kTextSetName, kind);
        const std::string postingName = writer::PostingFileName(kTextSetName, kind);
        auto& index = indexes[static_cast<size_t>(kind)];
        if (std::string error =
                index->Finish(folder / headerName, folder / postingName,
                              [&](double done) { Report(progress, kPhases[kind], start + indexShare * done); });
            !error.empty())
            return error;
        index.reset();
        files.Add(headerName);
        files.Add(postingName);
    }
    if (pairs)
        WritePairFiles(progress, kReadShare + kStoreShare + indexShare * 3, files, summary);
    return files.Write(kVariantFileName, writer::FormatVariantTable(groups));
}

fs::path TargetPath(const fs::path& output)
{
    fs::path target = fs::absolute(output).lexically_normal();
    if (target.filename().empty())
        target = target.parent_path();  // "out/" names the folder "out"
    return target;
}

}  // namespace

std::vector<std::string> CollectionFileNames()
{
    std::vector<std::string> names{kCatalogueFileName, std::string(kTextSetName) + "-fl.h",
                                   std::string(kTextSetName) + "-fl.cnt"};
    for (int kind : {INDEX_FULL_TEXT, INDEX_MAIN_TEXT, INDEX_ANNOTATIONS}) {
        names.push_back(writer::IndexHeaderName(kTextSetName, kind));
        names.push_back(writer::PostingFileName(kTextSetName, kind));
    }
    names.push_back(kVariantFileName);
    return names;
}

std::vector<writer::CatalogueEntry> MakeCatalogue(const SourceTree& tree)
{
    std::vector<writer::CatalogueEntry> entries;
    auto add = [&entries](const std::string& name, int32_t level, uint32_t firstPage, uint32_t pageCount,
                          uint64_t firstLabel) {
        entries.push_back(
            {CCodeConverter::Utf8ToUtf16(name), level, firstPage + 1, pageCount, static_cast<uint16_t>(firstLabel)});
        return entries.size() - 1;
    };
    uint32_t page = 0;
    for (const auto& category : tree.categories) {
        const size_t categoryEntry = add(category.name, 1, page, 0, category.titles[0].volumes[0].pages[0].label);
        for (const auto& title : category.titles) {
            const size_t titleEntry = add(title.name, 2, page, 0, title.volumes[0].pages[0].label);
            for (const auto& volume : title.volumes) {
                const auto count = static_cast<uint32_t>(volume.pages.size());
                add(volume.name, 3, page, count, volume.pages[0].label);
                page += count;
            }
            entries[titleEntry].docNo = page + 1 - entries[titleEntry].docID;
        }
        entries[categoryEntry].docNo = page + 1 - entries[categoryEntry].docID;
    }
    return entries;
}

std::string BuildCollection(const BuildOptions& options, IBuildProgress* progress, BuildSummary& summary)
{
    summary = {};
    const fs::path output = TargetPath(options.output);
    std::error_code error;
    if (fs::exists(output, error) && !fs::is_directory(output, error))
        return output.string() + " exists and is not a folder";
    if (!fs::is_directory(output.parent_path(), error))
        return "the folder " + output.parent_path().string() + " does not exist";
    std::vector<std::string> names = CollectionFileNames();
    for (int kind : {INDEX_FULL_TEXT, INDEX_MAIN_TEXT, INDEX_ANNOTATIONS})
        for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap)
            names.push_back(writer::PairFileName(kTextSetName, kind, gap));
    if (std::string failure = CheckTargetFiles(output, names); !failure.empty())
        return failure;

    Report(progress, "reading the source folder", 0);
    SourceTree tree;
    if (std::string failure = ReadSourceTree(options.source, tree, summary.warnings); !failure.empty())
        return failure;
    uint32_t nameSize = 0;
    if (std::string failure = CheckSourceLimits(tree, nameSize); !failure.empty())
        return failure;
    writer::VariantGroups groups;
    if (std::string failure = LoadVariants(options, groups, summary); !failure.empty())
        return failure;
    // Stale folders are told after the pages' warnings, as they come up in the build.
    std::vector<std::string> staleWarnings;
    RemoveStaleStagingFolders(output, staleWarnings);
    std::unique_ptr<StagingFolder> staging;
    if (std::string failure = StagingFolder::Create(output, staging); !failure.empty())
        return failure;
    StagingWriter files(staging->Path());
    const std::string failure = WriteCollection(tree, groups, nameSize, options.pairs, progress, files, summary);
    summary.warnings.insert(summary.warnings.end(), staleWarnings.begin(), staleWarnings.end());
    if (!failure.empty())
        return failure;
    BuildInterruption::Commit();
    const SwitchResult switched = MoveIntoPlace(staging->Path(), output, files.Names());
    if (switched.targetMixed) {
        staging->Keep();
        summary.targetMixed = true;
    }
    if (!switched.error.empty())
        return switched.error;
    Report(progress, "done", 1);

    summary.pages = tree.PageCount();
    summary.records = tree.RecordCount();
    for (const std::string& name : files.Names())
        summary.files.push_back({name, static_cast<uint64_t>(fs::file_size(output / name, error))});
    return {};
}

}  // namespace varo::build

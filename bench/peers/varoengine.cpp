// varo's own engine: the index of the collection, searched in process the way the search panel
// does it (SearchAnd / SearchOr, variant option off). Building it again from the exported texts
// shows what the build costs and, by comparing the bytes with the collection's index files,
// that the exported texts are exactly the text the index holds.

#include "bench/peers/engines.h"

#include "bench/peers/pagetexts.h"
#include "engine/index.h"
#include "text/codeconverter.h"
#include "tools/writer/pairfilewriter.h"
#include "tools/writer/textsetwriter.h"

#include <fstream>
#include <iterator>

namespace varo::peers {

namespace {

std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class VaroEngine : public PeerEngine {
public:
    explicit VaroEngine(const EngineFolders& folders) : m_folders(folders) {}

    std::string Build(const std::vector<std::string>& pages) override
    {
        // The variant groups come from the collection's table, as varo-build took them.
        CIndex tables;
        tables.LoadVariantTable(CCodeConverter::Utf8ToUtf16(m_folders.collection.string()));
        std::vector<writer::PageInput> inputs(pages.size());
        for (size_t i = 0; i < pages.size(); ++i) {
            inputs[i].recordName = "page " + std::to_string(i);
            inputs[i].indexed[INDEX_FULL_TEXT] = DecodePageText(pages[i]);
        }
        writer::IndexImage image;
        if (std::string error = writer::BuildIndexImage(inputs, INDEX_FULL_TEXT, tables.m_variantGroups, {}, image);
            !error.empty())
            return error;
        const std::string header = writer::IndexHeaderName("Index", INDEX_FULL_TEXT);
        const std::string postings = writer::PostingFileName("Index", INDEX_FULL_TEXT);
        if (!writer::WriteFileBytes(m_folders.index / header, image.header) ||
            !writer::WriteFileBytes(m_folders.index / postings, image.postings))
            return "cannot write the index files into " + m_folders.index.string();
        bool same = ReadFileBytes(m_folders.collection / header) == image.header &&
                    ReadFileBytes(m_folders.collection / postings) == image.postings;
        image = {};
        // The pair files, as varo-build writes them beside the index, those the collection has.
        m_pairFiles = 0;
        for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap) {
            const std::string pairs = writer::PairFileName("Index", INDEX_FULL_TEXT, gap);
            if (!std::filesystem::exists(m_folders.collection / pairs))
                continue;
            writer::PairFileOptions options;
            options.gap = gap;
            if (std::string error = writer::WritePairFile(m_folders.index / header, m_folders.index / postings,
                                                          m_folders.index / pairs, options);
                !error.empty())
                return error;
            same = same && ReadFileBytes(m_folders.collection / pairs) == ReadFileBytes(m_folders.index / pairs);
            ++m_pairFiles;
        }
        m_note = same ? "the index built from the exported texts equals the collection's byte for byte"
                      : "WARNING: the index built from the exported texts differs from the collection's";
        if (m_pairFiles > 0)
            m_note +=
                "; with its " + std::to_string(m_pairFiles) + " pair file(s) (build, size and memory include them)";
        return {};
    }

    std::string Open() override
    {
        if (!m_index.Open(CCodeConverter::Utf8ToUtf16(m_folders.collection.string()), u"Index", INDEX_FULL_TEXT))
            return "cannot open the text set Index in " + m_folders.collection.string();
        for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap)
            if (std::filesystem::exists(m_folders.collection / writer::PairFileName("Index", INDEX_FULL_TEXT, gap)) &&
                !m_index.HasPairTable(gap))
                return "the pair file " + writer::PairFileName("Index", INDEX_FULL_TEXT, gap) + " of " +
                       m_folders.collection.string() + " does not belong to its index";
        return {};
    }

    std::string Unsupported(const MixQuery&, AnswerMode) const override { return {}; }

    bool Run(const MixQuery& query, AnswerMode mode, Answer& answer, std::string&) override
    {
        std::u16string text = CCodeConverter::Utf8ToUtf16(query.text);
        const bool countHits = mode == AnswerMode::Counts;
        if (query.isAnd)
            m_index.SearchAnd(text, countHits, false);
        else
            m_index.SearchOr(text, countHits, false);
        answer.pages = m_index.GetHitPages();
        answer.counts = m_index.GetHitCounts();
        return true;
    }

    uint64_t IndexBytes() const override
    {
        uint64_t bytes =
            std::filesystem::file_size(m_folders.index / writer::IndexHeaderName("Index", INDEX_FULL_TEXT)) +
            std::filesystem::file_size(m_folders.index / writer::PostingFileName("Index", INDEX_FULL_TEXT));
        for (uint32_t gap = 0; gap <= kMaxPairGap; ++gap) {
            const std::filesystem::path pairs = m_folders.index / writer::PairFileName("Index", INDEX_FULL_TEXT, gap);
            if (std::filesystem::exists(pairs))
                bytes += std::filesystem::file_size(pairs);
        }
        return bytes;
    }

    std::string BuildNote() const override { return m_note; }

private:
    EngineFolders m_folders;
    CIndex m_index;
    std::string m_note;
    int m_pairFiles = 0;  // pair files the collection has beside its full-text index
};

}  // namespace

std::unique_ptr<PeerEngine> MakeVaroEngine(const EngineFolders& folders)
{
    return std::make_unique<VaroEngine>(folders);
}

}  // namespace varo::peers

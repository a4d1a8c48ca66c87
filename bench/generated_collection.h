#pragma once
// A large generated collection for the benchmarks: tens of thousands of pages whose characters
// follow a Zipf-like law, as character frequencies in classical texts do (a handful of particles
// make up several per cent each, thousands of characters occur only now and then).

#include "tools/writer/textsetwriter.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varo::bench {

struct GeneratedCollectionOptions {
    uint32_t pages = 30000;
    /// Page lengths vary evenly between half and one and a half times this.
    uint32_t meanPageLength = 600;
    /// Distinct characters; rank r is the code point U+4E00 + r.
    uint32_t alphabet = 6000;
    /// Frequency of rank r is proportional to 1 / (r + zipfShift) ^ zipfExponent.
    double zipfExponent = 1.0;
    double zipfShift = 2.0;
    /// Every this many characters, on average, a run of annotation text starts (0: none). The
    /// annotation and main-text indexes are only filled when this is set.
    uint32_t annotationEvery = 0;
    uint32_t seed = 1;
};

/// The code point of the character of frequency rank r (0 = the most frequent).
char32_t RankedCharacter(uint32_t rank);

/// The pages: record names "類\\書\\巻N\\NNNN.htm" (a volume every 50 pages), a stored page in the
/// collection's template holding the text, and the indexed texts.
std::vector<writer::PageInput> GeneratePages(const GeneratedCollectionOptions& options);

/// A generated text set written to a private temporary folder, removed again with the object.
class GeneratedTextSet {
public:
    explicit GeneratedTextSet(const GeneratedCollectionOptions& options = {}, const writer::VariantGroups& groups = {});
    ~GeneratedTextSet();
    GeneratedTextSet(const GeneratedTextSet&) = delete;
    GeneratedTextSet& operator=(const GeneratedTextSet&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    /// The folder as the engine takes it.
    std::u16string Folder() const;
    /// The set's name: "Index".
    static constexpr char16_t kName[] = u"Index";
    const std::vector<writer::PageInput>& Pages() const { return m_pages; }

private:
    std::filesystem::path m_path;
    std::vector<writer::PageInput> m_pages;
};

}  // namespace varo::bench

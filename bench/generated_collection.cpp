#include "bench/generated_collection.h"

#include "text/codeconverter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <stdexcept>

namespace varo::bench {

namespace {

// Draws ranks by their Zipf weights: a binary search in the cumulative weights.
class ZipfSampler {
public:
    ZipfSampler(const GeneratedCollectionOptions& options)
    {
        double sum = 0;
        m_cumulative.reserve(options.alphabet);
        for (uint32_t r = 0; r < options.alphabet; ++r) {
            sum += 1.0 / std::pow(r + options.zipfShift, options.zipfExponent);
            m_cumulative.push_back(sum);
        }
    }

    uint32_t Draw(std::mt19937& random) const
    {
        const double u = std::uniform_real_distribution<double>(0, m_cumulative.back())(random);
        const auto found = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), u);
        return static_cast<uint32_t>(
            std::min<ptrdiff_t>(found - m_cumulative.begin(), static_cast<ptrdiff_t>(m_cumulative.size()) - 1));
    }

private:
    std::vector<double> m_cumulative;
};

std::string Utf8(const std::u32string& text)
{
    std::string out;
    out.reserve(text.size() * 3);
    for (char32_t c : text)
        CCodeConverter::AppendUtf8(out, c);
    return out;
}

std::string RecordName(uint32_t page)
{
    std::string number = std::to_string(page % 50 + 1);
    number.insert(0, 4 - std::min<size_t>(4, number.size()), '0');
    return "類\\書\\巻" + std::to_string(page / 50 + 1) + "\\" + number + ".htm";
}

std::string PageHtml(const std::string& text)
{
    return "<html><head><title>書</title></head><body><TABLE><tr><TD width=80>頁</TD><TD width=450>" + text +
           "</TD></tr></TABLE></body></html>";
}

}  // namespace

char32_t RankedCharacter(uint32_t rank)
{
    return static_cast<char32_t>(0x4E00 + rank);
}

std::vector<writer::PageInput> GeneratePages(const GeneratedCollectionOptions& options)
{
    const ZipfSampler sampler(options);
    std::mt19937 random(options.seed);
    std::uniform_int_distribution<uint32_t> length(options.meanPageLength / 2, options.meanPageLength * 3 / 2);
    std::vector<writer::PageInput> pages(options.pages);
    for (uint32_t p = 0; p < options.pages; ++p) {
        writer::PageInput& page = pages[p];
        std::u32string& full = page.indexed[INDEX_FULL_TEXT];
        full.resize(length(random));
        bool annotation = false;
        for (char32_t& c : full) {
            c = RankedCharacter(sampler.Draw(random));
            if (options.annotationEvery != 0) {
                // Annotation runs are about a fifth as long as the main-text runs between them.
                if (random() % (annotation ? options.annotationEvery / 5 + 1 : options.annotationEvery) == 0)
                    annotation = !annotation;
                page.indexed[annotation ? INDEX_ANNOTATIONS : INDEX_MAIN_TEXT] += c;
            }
        }
        page.recordName = RecordName(p);
        page.html = PageHtml(Utf8(full));
    }
    return pages;
}

GeneratedTextSet::GeneratedTextSet(const GeneratedCollectionOptions& options, const writer::VariantGroups& groups)
    : m_pages(GeneratePages(options))
{
    std::string pattern = (std::filesystem::temp_directory_path() / "varo-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
    if (const std::string error = writer::WriteTextSet(m_path, "Index", m_pages, groups); !error.empty()) {
        std::filesystem::remove_all(m_path);
        throw std::runtime_error("cannot write the generated collection: " + error);
    }
}

GeneratedTextSet::~GeneratedTextSet()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::u16string GeneratedTextSet::Folder() const
{
    return CCodeConverter::Utf8ToUtf16(m_path.string());
}

}  // namespace varo::bench

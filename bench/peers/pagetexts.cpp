#include "bench/peers/pagetexts.h"

#include "engine/index.h"
#include "store/filelist.h"
#include "text/codeconverter.h"
#include "tools/varo-build/pagetext.h"

#include <cstdio>
#include <fstream>

namespace varo::peers {

namespace {

// The character written for a code point of the indexed text: positions must stay as they
// are, and a line end or a NUL byte would break the one-page-a-line layout for a scanner.
uint32_t Exportable(uint32_t c)
{
    if (c < 0x20 || c == 0x7F)
        return ' ';
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return 0xFFFD;
    return c;
}

}  // namespace

std::string ExportPageTexts(const std::filesystem::path& collection, const std::filesystem::path& output,
                            ExportSummary& summary)
{
    CFileList store;
    if (!store.Open(CCodeConverter::Utf8ToUtf16(collection.string()), u"Index"))
        return "cannot open the text store Index-fl.h / Index-fl.cnt in " + collection.string();
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out)
        return "cannot write " + output.string();
    summary = {};
    const uint32_t records = store.GetRecordCount();
    std::string html;
    std::string name;
    std::string line;
    for (uint32_t record = 0; record < records; ++record) {
        int label = 0;
        if (!store.ReadText(record, html) || !store.GetRecordName(record, name) || !CFileList::ParseLabel(name, label))
            return "cannot read page record " + std::to_string(record);
        const std::u32string text = build::IndexedTexts(html, static_cast<uint64_t>(label))[INDEX_FULL_TEXT];
        line.clear();
        for (char32_t c : text)
            CCodeConverter::AppendUtf8(line, Exportable(c));
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        summary.characters += text.size();
        summary.bytes += line.size();
        ++summary.pages;
        if (record % 20000 == 19999)
            std::fprintf(stderr, "  exported %u of %u pages\n", record + 1, records);
    }
    out.close();
    if (!out)
        return "cannot write " + output.string();
    return {};
}

bool ReadPageTexts(const std::filesystem::path& file, std::vector<std::string>& pages)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    pages.clear();
    std::string line;
    while (std::getline(in, line))
        pages.push_back(std::move(line));
    return in.eof();
}

std::u32string DecodePageText(const std::string& text)
{
    std::u32string out;
    out.reserve(text.size() / 3 + 1);
    for (size_t i = 0; i < text.size();)
        out.push_back(CCodeConverter::DecodeUtf8(text, i));
    return out;
}

}  // namespace varo::peers

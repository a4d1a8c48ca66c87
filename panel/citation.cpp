#include "panel/citation.h"

#include "panel/catalogueorder.h"
#include "panel/paneltext.h"

namespace varo {

std::optional<CitationTag> CitationOf(const CCatalogue& catalogue, uint32_t page)
{
    if (catalogue.m_root == nullptr)
        return std::nullopt;
    const ContentsNodeTag* entry = CPageLocator(*catalogue.m_root).EntryOf(page);
    if (entry == nullptr)
        return std::nullopt;
    CitationTag citation;
    citation.page = page;
    // The entry holds the page, so page + 1 >= docID.
    citation.label = page + 1 - entry->docID + entry->curFileName;
    for (const ContentsNodeTag* node = entry; node != nullptr; node = node->parent) {
        if (node->level == 1)
            citation.category = node->name;
        else if (node->level == 2)
            citation.title = node->name;
        else if (node->level == 3)
            citation.volume = node->name;
    }
    return citation;
}

std::u16string FormatCitation(std::u16string_view format, const CitationTag& citation)
{
    const std::pair<std::u16string_view, std::u16string> fields[] = {
        {u"{category}", citation.category},      {u"{title}", citation.title},
        {u"{volume}", citation.volume},          {u"{label}", DecimalText(citation.label)},
        {u"{page}", DecimalText(citation.page)},
    };
    std::u16string out;
    for (size_t i = 0; i < format.size();) {
        bool replaced = false;
        for (const auto& [name, value] : fields) {
            if (format.substr(i).starts_with(name)) {
                out += value;
                i += name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += format[i++];
    }
    return out;
}

std::u16string CitedText(std::u16string_view selection, std::u16string_view format, const CitationTag& citation)
{
    return std::u16string(selection) + u"\n" + FormatCitation(format, citation);
}

}  // namespace varo

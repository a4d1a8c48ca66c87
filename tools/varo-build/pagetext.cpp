#include "tools/varo-build/pagetext.h"

#include "engine/index.h"
#include "store/pagerender.h"
#include "text/codeconverter.h"

#include <memory>
#include <vector>

namespace varo::build {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = line.find_last_not_of(kBlanks);
    return line.substr(first, last - first + 1);
}

void AppendEscaped(std::string& out, char c)
{
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    default: out += c;
    }
}

// One line's content with its annotations marked up. An annotation left open at the end of the
// line is closed there; a '}' outside an annotation and a '{' inside one are ordinary text.
std::string MarkUpLine(std::string_view line)
{
    std::string out;
    bool inAnnotation = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            AppendEscaped(out, line[++i]);
        } else if (c == '{' && !inAnnotation) {
            out += kAnnotationStart;
            inAnnotation = true;
        } else if (c == '}' && inAnnotation) {
            out += kAnnotationEnd;
            inAnnotation = false;
        } else {
            AppendEscaped(out, c);
        }
    }
    if (inAnnotation)
        out += kAnnotationEnd;
    return out;
}

std::string MarkUpBody(std::string_view text)
{
    std::string body;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty())
            continue;
        if (line[0] == '#')
            body += "<h4>" + MarkUpLine(Trim(line.substr(1))) + "</h4>";
        else
            body += "<p>" + MarkUpLine(line) + "</p>";
    }
    return body;
}

std::string WithoutTags(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool inTag = false;
    for (char c : text) {
        if (inTag)
            inTag = c != '>';
        else if (c == '<')
            inTag = true;
        else
            out += c;
    }
    return out;
}

void AppendCodePoints(std::u32string& out, std::string_view utf8)
{
    size_t index = 0;
    while (index < utf8.size())
        out += static_cast<char32_t>(CCodeConverter::DecodeUtf8(utf8, index));
}

}  // namespace

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    for (char c : text)
        AppendEscaped(out, c);
    return out;
}

std::string WrapPlainText(std::string_view text, const PageFrame& frame)
{
    // The text cell is the wide one, whichever side the label puts it on.
    const std::string textCell = "<TD width=450 vAlign=top>" + MarkUpBody(text) + "</TD>";
    const std::string marginCell = "<TD width=80 vAlign=top align=\"center\">" + EscapeHtml(frame.margin) + "</TD>";
    std::string html = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"><title>" +
                       EscapeHtml(frame.title) +
                       "</title></head><body><table border=1 cellPadding=4 cellSpacing=1><tr>";
    html += frame.label % 2 == 0 ? textCell + marginCell : marginCell + textCell;
    html += "</tr></table></body></html>\n";
    return html;
}

std::array<std::u32string, 3> IndexedTexts(std::string_view html, uint64_t label)
{
    std::vector<std::unique_ptr<HTMLNode>> nodes;
    render::ParseNodes(html, nodes);
    std::vector<std::unique_ptr<FilterItem>> items;
    render::SplitFilterItems(*nodes[label % 2 + 1], items);
    std::array<std::u32string, 3> texts;
    for (const auto& item : items) {
        const std::string text = WithoutTags(item->GetText());
        AppendCodePoints(texts[INDEX_FULL_TEXT], text);
        AppendCodePoints(texts[item->GetKind() == FilterItem::kAnnotation ? INDEX_ANNOTATIONS : INDEX_MAIN_TEXT], text);
    }
    return texts;
}

}  // namespace varo::build

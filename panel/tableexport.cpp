#include "panel/tableexport.h"

#include "panel/paneltext.h"
#include "text/codeconverter.h"

#include <algorithm>

namespace varo {

namespace {

// Spreadsheets run a cell that starts with one of these as a formula.
bool StartsFormula(std::u16string_view field)
{
    return !field.empty() && (field[0] == u'=' || field[0] == u'+' || field[0] == u'-' || field[0] == u'@');
}

std::u16string TsvField(std::u16string_view field)
{
    std::u16string out;
    for (char16_t unit : field) {
        switch (unit) {
        case u'\t': out += u"\\t"; break;
        case u'\n': out += u"\\n"; break;
        case u'\r': out += u"\\r"; break;
        case u'\\': out += u"\\\\"; break;
        default: out += unit;
        }
    }
    return out;
}

std::u16string CsvField(std::u16string_view field)
{
    if (field.find_first_of(u",\"\r\n") == std::u16string_view::npos)
        return std::u16string(field);
    std::u16string out = u"\"";
    for (char16_t unit : field) {
        if (unit == u'"')
            out += u'"';
        out += unit;
    }
    return out + u"\"";
}

// The columns every row about a page starts with.
TableRow PageColumns(const SearchNodeTag& result)
{
    return {result.categoryName, result.titleName, result.volumeName, DecimalText(result.pageLabel),
            DecimalText(result.pageNumber)};
}

}  // namespace

std::string FormatTable(const std::vector<TableRow>& rows, TableFormat format)
{
    const bool csv = format == TableFormat::Csv;
    std::u16string text;
    for (const TableRow& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += csv ? u',' : u'\t';
            std::u16string field = StartsFormula(row[i]) ? u"'" + row[i] : row[i];
            text += csv ? CsvField(field) : TsvField(field);
        }
        text += csv ? u"\r\n" : u"\n";
    }
    return CCodeConverter::Utf16ToUtf8(text);
}

std::u16string MarkedText(const KwicLineTag& line, size_t first, size_t units)
{
    std::u16string out;
    bool inNote = false;
    const size_t end = std::min(line.text.size(), first + units);
    for (size_t i = first; i < end; ++i) {
        const bool note = line.IsAnnotation(i);
        if (note != inNote)
            out += note ? u'{' : u'}';
        inNote = note;
        const char16_t unit = line.text[i];
        if (unit == u'{' || unit == u'}' || unit == u'\\')
            out += u'\\';
        out += unit;
    }
    if (inNote)
        out += u'}';
    return out;
}

std::u16string MarkedBefore(const KwicLineTag& line)
{
    return MarkedText(line, 0, line.beforeUnits);
}

std::u16string MarkedHit(const KwicLineTag& line)
{
    return MarkedText(line, line.beforeUnits, line.hitUnits);
}

std::u16string MarkedAfter(const KwicLineTag& line)
{
    return MarkedText(line, size_t{line.beforeUnits} + line.hitUnits, line.text.size());
}

std::vector<TableRow> ResultTable(const std::vector<SearchNodeTag>& results)
{
    std::vector<TableRow> rows{{u"類別", u"書名", u"巻", u"頁", u"頁番号", u"箇所"}};
    for (const SearchNodeTag& result : results) {
        TableRow& row = rows.emplace_back(PageColumns(result));
        row.push_back(DecimalText(result.hitCount));
    }
    return rows;
}

std::vector<TableRow> KwicTable(const std::vector<KwicLineTag>& lines, const std::vector<SearchNodeTag>& results)
{
    std::vector<TableRow> rows{{u"類別", u"書名", u"巻", u"頁", u"頁番号", u"前", u"語", u"後"}};
    for (const KwicLineTag& line : lines) {
        if (line.result >= results.size())
            continue;
        TableRow& row = rows.emplace_back(PageColumns(results[line.result]));
        row.push_back(MarkedBefore(line));
        row.push_back(MarkedHit(line));
        row.push_back(MarkedAfter(line));
    }
    return rows;
}

std::vector<TableRow> StatisticsTable(const std::vector<StatNodeTag>& stats)
{
    std::vector<TableRow> rows{{u"類別", u"書名", u"巻", u"階層", u"頁数", u"箇所"}};
    // The names of the entries above the current one, by catalogue level.
    std::u16string names[4];
    for (const StatNodeTag& node : stats) {
        const int level = node.level >= 1 && node.level <= 3 ? node.level : 0;
        names[level] = node.name;
        for (int below = level + 1; below <= 3; ++below)
            names[below].clear();
        rows.push_back({names[1], names[2], names[3], DecimalText(node.level),
                        DecimalText(static_cast<int64_t>(node.pages)), DecimalText(static_cast<int64_t>(node.hits))});
    }
    return rows;
}

}  // namespace varo

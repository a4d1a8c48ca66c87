#pragma once
// Tables to take away: the result list, the concordance and the statistics as UTF-8 text in
// tab-separated (TSV) or comma-separated (CSV) form, for a file or the clipboard. Names and
// texts come from the collection, so every field is written so that no tab, comma, quote or
// line end in it can split a row or a field, and none can start a spreadsheet formula.

#include "panel/hitstatistics.h"
#include "panel/kwic.h"
#include "panel/resultlist.h"

#include <string>
#include <string_view>
#include <vector>

namespace varo {

enum class TableFormat {
    Tsv,  // fields separated by tabs, rows ended by LF; \t \n \r \\ inside a field as those escapes
    Csv,  // RFC 4180: fields separated by commas, rows ended by CRLF, quoted where needed
};

using TableRow = std::vector<std::u16string>;

/// The rows as UTF-8 text, the first row being the headings. A field that begins with = + - or
/// @ gets a leading apostrophe, so that a spreadsheet shows it as text instead of running it.
///   Csv: {{u"a,b", u"say \"hi\""}} => "\"a,b\",\"say \"\"hi\"\"\"\r\n"
///   Tsv: {{u"a\tb", u"c"}}          => "a\\tb\tc\n"
std::string FormatTable(const std::vector<TableRow>& rows, TableFormat format);

/// Concordance text with its annotations in braces, as the source format writes them; a brace
/// or backslash of the text itself is escaped with a backslash. "子曰" + note "孔子" => 子曰{孔子}
std::u16string MarkedText(const KwicLineTag& line, size_t first, size_t units);
std::u16string MarkedBefore(const KwicLineTag& line);
std::u16string MarkedHit(const KwicLineTag& line);
std::u16string MarkedAfter(const KwicLineTag& line);

/// The tables with their headings: 類別 書名 巻 頁 頁番号 and the table's own columns.
std::vector<TableRow> ResultTable(const std::vector<SearchNodeTag>& results);
std::vector<TableRow> KwicTable(const std::vector<KwicLineTag>& lines, const std::vector<SearchNodeTag>& results);
/// stats as HitStatistics gives them; each entry is named by the entries above it in the list.
std::vector<TableRow> StatisticsTable(const std::vector<StatNodeTag>& stats);

}  // namespace varo

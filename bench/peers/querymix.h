#pragma once
// The query mix every engine answers, and each query taken apart into terms and segments in
// varo's sense: '?' one character of any kind, '*' a gap of 0 to 300 characters between
// segments, blank-separated terms combined by and or or.

#include <cstdint>
#include <string>
#include <vector>

namespace varo::peers {

/// One blank-separated term: its segments, split at '*', each a run of characters in which
/// U'?' stands for one character of any kind. Wildcards before the first character and after
/// the last impose nothing in varo, so they are dropped here.
///   "明?月" => {U"明?月"};  "春*秋" => {U"春", U"秋"};  "*春?" => {U"春"}
struct MixTerm {
    std::vector<std::u32string> segments;

    bool IsPlain() const { return segments.size() == 1 && segments[0].find(U'?') == std::u32string::npos; }
    bool HasOneCharacter() const { return IsPlain() && segments[0].size() == 1; }
    bool HasSingleWildcard() const;
};

struct MixQuery {
    std::string id;         // short and stable: names the query in files and tables
    std::string className;  // the query class of the table
    std::string text;       // as typed into varo (UTF-8), terms separated by blanks
    bool isAnd = true;
    std::vector<MixTerm> terms;
};

/// Splits a query's text into terms. Leading and trailing wildcards of a term are dropped; the
/// gap of 0 to 300 of a '*' counts any '?' beside it as characters that must lie in between.
std::vector<MixTerm> ParseTerms(const std::string& text);

/// The mix on the sample collection of classical poetry and prose: frequent, mid and rare
/// characters, a character beyond the basic plane, 2- and 4-character phrases, a phrase that
/// never occurs, and / or queries of two and three terms, '?' and '*' queries.
std::vector<MixQuery> QueryMix();

/// UTF-8 of code points.
std::string Utf8(const std::u32string& text);

}  // namespace varo::peers

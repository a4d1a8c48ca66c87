#pragma once
// Query texts at the command line's edge: UTF-8 in, the engine's wide strings inside, and the
// reason a query is refused, in words, from the engine's own check (CheckQuerySyntax), which
// the search itself only answers with 0.

#include <string>
#include <string_view>

namespace varo::cli {

/// Decodes well-formed UTF-8 into UTF-16. False for any malformed, overlong or surrogate
/// sequence, which would otherwise reach the engine as U+FFFD or a lone surrogate.
bool DecodeUtf8Strictly(std::string_view utf8, std::u16string& text);

/// Why the engine rejects the query, in words; empty when it accepts it.
///   u""      => "the query is empty"
///   u" \u3000" => "the query holds only blanks"
///   u"詩a"   => "the query holds 'a' (U+0061): ..."
std::string RejectionReason(std::u16string_view query);

/// The reason for a command-line query given as bytes: not UTF-8, or what RejectionReason says.
/// On acceptance the decoded query is left in query.
std::string CheckQueryBytes(std::string_view utf8, std::u16string& query);

/// UTF-8 for the terminal: an unpaired surrogate becomes U+FFFD.
std::string DisplayText(std::u16string_view text);

/// DisplayText for one field of a line of text output, which cannot carry line breaks, tabs
/// (they separate fields) or other control characters: those become \n, \r, \t and \uXXXX,
/// and a backslash becomes \\ so that the escapes read back unambiguously. Catalogues made
/// elsewhere may hold such names.
///   u"a\tb\\c" => "a\\tb\\\\c"
std::string FieldText(std::u16string_view text);

}  // namespace varo::cli

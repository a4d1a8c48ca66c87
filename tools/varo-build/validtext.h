#pragma once
// Whether folder names and page texts of a source tree are text the collection can carry: well-
// formed UTF-8 without control characters. A name or text that is not ends up in the catalogue,
// the stored pages and the tab-separated output of other programs, so the builder refuses it and
// names the place.

#include <string>
#include <string_view>

namespace varo::build {

/// Why a text is not valid, with the byte offset; empty when it is. Refused: bytes that are not
/// well-formed UTF-8 (stray or cut-short sequences, overlong forms, encoded surrogates, values
/// above U+10FFFF) and control characters (U+0000 to U+001F, U+007F, U+0080 to U+009F), except
/// tab, line feed and carriage return where allowLineBreaks is set (page texts).
///   "甲\x01" => "the control character U+0001 at byte 3"
///   "\xED\xA0\x80" => "bytes that are not UTF-8 (ED A0 80) at byte 0"
std::string TextFault(std::string_view text, bool allowLineBreaks);

/// A name or path for a message, which never carries a control character or a byte that is not
/// UTF-8 raw: such bytes are written as \xNN, C1 control characters as \u0080 to \u009F.
///   "v\n1\xFF" => "v\\x0a1\\xff"
std::string Printable(std::string_view text);

/// The text without a UTF-8 byte-order mark at its start.
std::string_view WithoutByteOrderMark(std::string_view text);

}  // namespace varo::build

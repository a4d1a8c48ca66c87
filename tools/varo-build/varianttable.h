#pragma once
// Reads the variant-character table that a collection is built against (yitizi.txt format:
// one group a line, hexadecimal code points separated by commas).

#include "tools/writer/textsetwriter.h"

#include <string>
#include <string_view>

namespace varo::build {

/// Parses the table strictly, so that a typing error is reported instead of turning into a
/// group member 0: blank lines are skipped, every field must be a hexadecimal code point
/// (optionally "0x" or "U+" before it) of at most 10FFFF. Returns an empty string or a message
/// naming the line.
///   "4E7E,5E72\r\n842C, 4E07\n" => {{0x4E7E, 0x5E72}, {0x842C, 0x4E07}}
std::string ParseVariantTable(std::string_view text, writer::VariantGroups& groups);

}  // namespace varo::build

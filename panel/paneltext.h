#pragma once
// The texts the panel composes for its labels, the page indicator and the page box.

#include <cstdint>
#include <string>
#include <string_view>

namespace varo {

/// Decimal digits of a number, with a minus sign when negative: -12 => u"-12".
std::u16string DecimalText(int64_t value);

/// A decimal number read from the start of text ("12ab" => 12); 0 when it starts with no digit.
/// Values beyond INT64_MAX stop growing there.
int64_t LeadingNumber(std::u16string_view text);

/// "全部で 250 頁で、612 箇所でした。"
std::u16string SummaryText(uint64_t pages, uint64_t hits);

/// The page indicator: header word and page label, "3/12".
std::u16string PageIndicatorText(uint32_t headerWord, int page);

}  // namespace varo

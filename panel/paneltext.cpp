#include "panel/paneltext.h"

#include <limits>

namespace varo {

namespace {

std::u16string UnsignedText(uint64_t value)
{
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

}  // namespace

std::u16string DecimalText(int64_t value)
{
    if (value >= 0)
        return UnsignedText(static_cast<uint64_t>(value));
    // Negate in unsigned arithmetic so that INT64_MIN has a magnitude too.
    std::u16string text = UnsignedText(0 - static_cast<uint64_t>(value));
    text.insert(text.begin(), u'-');
    return text;
}

int64_t LeadingNumber(std::u16string_view text)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (char16_t unit : text) {
        if (unit < u'0' || unit > u'9')
            break;
        const int digit = unit - u'0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

std::u16string SummaryText(uint64_t pages, uint64_t hits)
{
    return u"全部で " + UnsignedText(pages) + u" 頁で、" + UnsignedText(hits) + u" 箇所でした。";
}

std::u16string PageIndicatorText(uint32_t headerWord, int page)
{
    return UnsignedText(headerWord) + u"/" + DecimalText(page);
}

}  // namespace varo

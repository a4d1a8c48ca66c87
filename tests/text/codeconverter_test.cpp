#include "text/codeconverter.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

TEST(CodeConverter, decodeUtf16_pairsSurrogatesLeniently)
{
    struct Case {
        std::u16string text;
        std::vector<uint32_t> codePoints;
    };
    const Case cases[] = {
        {u"中a", {0x4E2D, 'a'}},
        {u"\xD840\xDC00", {0x20000}},
        {u"\xD840", {0xD840}},
        {u"\xDC00\xD840", {0xDC00, 0xD840}},
        {u"\xD840x\xDC00", {0xD840, 'x', 0xDC00}},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> decoded;
        size_t index = 0;
        while (index < c.text.size())
            decoded.push_back(CCodeConverter::DecodeUtf16(c.text, index));
        EXPECT_EQ(decoded, c.codePoints);
    }
}

TEST(CodeConverter, utf16ToUtf8_followsTermRules)
{
    struct Case {
        std::u16string text;
        std::string utf8;
    };
    const Case cases[] = {
        {u"甲a",
         "\xE7\x94\xB2"
         "a"},
        {u"\xD840\xDC00", "\xF0\xA0\x80\x80"},
        {u"a\xDC00", "a\xED\xB0\x80"},  // unpaired low surrogate: 3 bytes
        {u"a\xD840", "a"},              // high surrogate at the end: dropped
        {u"\xD840"
         u"b",
         "\xED\xA1\x80"
         "b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CCodeConverter::Utf16ToUtf8(c.text), c.utf8);
}

TEST(CodeConverter, utf8ToUtf16_replacesMalformedBytes)
{
    EXPECT_EQ(CCodeConverter::Utf8ToUtf16("\xE4\xB8\xAD\xF0\xA0\x80\x80"), u"中\xD840\xDC00");
    EXPECT_EQ(CCodeConverter::Utf8ToUtf16("a\xFF"
                                          "b\xE4\xB8"),
              u"a\xFFFD"
              u"b\xFFFD\xFFFD");
    EXPECT_EQ(CCodeConverter::Utf8ToUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");  // overlong
}

}  // namespace
}  // namespace varo

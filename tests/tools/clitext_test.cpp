// The pieces of varo-cli that turn text into JSON and command-line bytes into queries.

#include "tools/varo-cli/jsonwriter.h"
#include "tools/varo-cli/querytext.h"

#include <gtest/gtest.h>

namespace varo::cli {
namespace {

TEST(JsonWriter, escapesWhatJsonRequiresAndKeepsTheRest)
{
    const struct {
        std::u16string text;
        std::string json;
    } cases[] = {
        {u"詩經", "\"詩經\""},
        {u"a\"b\\c/", R"("a\"b\\c/")"},
        {u"\n\r\t\b\f", R"("\n\r\t\b\f")"},
        {std::u16string(u"\u0001\u001f\u007f", 3), "\"\\u0001\\u001f\x7f\""},
        {std::u16string(1, u'\0'), R"("\u0000")"},
        {u"\U00020000", "\"\xF0\xA0\x80\x80\""},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\"\uFFFDx\""},  // an unpaired surrogate
        {u"x" + std::u16string(1, char16_t(0xDC00)), "\"x\uFFFD\""},
    };
    for (const auto& c : cases) {
        JsonWriter json;
        json.String(c.text);
        EXPECT_EQ(json.Text(), c.json);
    }
}

TEST(JsonWriter, separatesMembersAndElements)
{
    JsonWriter json;
    json.BeginObject().Key("a").BeginArray().Number(1).Number(uint64_t{2}).EndArray();
    json.Key("b").BeginArray().EndArray().Key("c").BeginObject().Key("d").Number(-3).EndObject();
    json.Key("e")
        .String(
            "\xFF"
            "x")
        .EndObject();
    EXPECT_EQ(json.Text(), R"({"a":[1,2],"b":[],"c":{"d":-3},"e":"�x"})");
}

TEST(FieldText, escapesWhatALineOfFieldsCannotCarry)
{
    const struct {
        std::u16string text;
        std::string field;
    } cases[] = {
        {u"論語", "論語"},
        {u"a\tb\nc\rd", "a\\tb\\nc\\rd"},
        {u"a\\t", "a\\\\t"},  // a backslash of the name itself
        {std::u16string(u"\0\x1b\x7f\x85", 4), "\\u0000\\u001b\\u007f\\u0085"},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\uFFFDx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FieldText(c.text), c.field) << c.field;
}

TEST(QueryText, acceptsOnlyWellFormedUtf8)
{
    const struct {
        std::string bytes;
        bool wellFormed;
    } cases[] = {
        {"詩 經", true},
        {"\xEF\xBF\xBD", true},       // U+FFFD itself
        {"\xF0\xA0\x80\x80", true},   // outside the basic plane
        {"\xE8\xA9", false},          // cut short
        {"\xC0\xA0", false},          // overlong blank
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\x80", false},
    };
    for (const auto& c : cases) {
        std::u16string text;
        EXPECT_EQ(DecodeUtf8Strictly(c.bytes, text), c.wellFormed) << c.bytes;
    }
    std::u16string text;
    ASSERT_TRUE(DecodeUtf8Strictly("\xF0\xA0\x80\x80", text));
    EXPECT_EQ(text, u"\U00020000");
}

}  // namespace
}  // namespace varo::cli

#pragma once
// A small streaming JSON writer: objects, arrays, strings and integers, written compactly on one
// line. Strings come as UTF-16 (the program's wide strings) or UTF-8 and leave as well-formed
// UTF-8 with non-ASCII characters kept as they are; quotes, backslashes and control characters
// are escaped, and an unpaired surrogate or a malformed UTF-8 sequence, which are not
// characters, is written as U+FFFD.
//
//   JsonWriter json;
//   json.BeginObject().Key("pages").BeginArray().Number(0).Number(20).EndArray().EndObject();
//   json.Text() == R"({"pages":[0,20]})"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varo::cli {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    /// The key of the next member of the open object.
    JsonWriter& Key(std::string_view key);
    /// UTF-16 text; an unpaired surrogate is written as U+FFFD.
    JsonWriter& String(std::u16string_view text);
    /// UTF-8 text; a byte that does not begin a well-formed sequence is written as U+FFFD.
    JsonWriter& String(std::string_view utf8);
    JsonWriter& Number(int64_t value);
    JsonWriter& Number(uint64_t value);
    JsonWriter& Number(int value) { return Number(int64_t{value}); }
    JsonWriter& Number(uint32_t value) { return Number(uint64_t{value}); }

    const std::string& Text() const { return m_text; }

private:
    void BeforeValue();
    void AppendCodePoint(uint32_t codePoint);

    std::string m_text;
    // One entry per open object or array: whether a value has been written in it yet.
    std::vector<bool> m_hasValue;
    bool m_afterKey = false;
};

}  // namespace varo::cli

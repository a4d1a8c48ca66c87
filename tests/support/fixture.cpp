#include "tests/support/fixture.h"

#include "text/codeconverter.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace varo::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "varo-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::u16string TempDir::Folder() const
{
    return CCodeConverter::Utf8ToUtf16(m_path.string());
}

std::string PageHtml(const std::string& title, const std::string& firstCell, const std::string& secondCell)
{
    return "<html><head><title>" + title + "</title></head><body><TABLE><tr><TD width=80>" + firstCell +
           "</TD><TD width=450>" + secondCell + "</TD></tr></TABLE></body></html>";
}

writer::PageInput SimplePage(const std::string& recordName, const std::u32string& text)
{
    int label = 0;
    CFileList::ParseLabel(recordName, label);
    const std::string body = Utf8(text);
    writer::PageInput page;
    page.recordName = recordName;
    page.html = label % 2 == 0 ? PageHtml("T", body, "margin") : PageHtml("T", "margin", body);
    page.indexed = {text, text, text};
    return page;
}

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text)
        CCodeConverter::AppendUtf8(out, c);
    return out;
}

std::u32string Utf32(const std::string& utf8)
{
    std::u32string out;
    size_t index = 0;
    while (index < utf8.size())
        out += static_cast<char32_t>(CCodeConverter::DecodeUtf8(utf8, index));
    return out;
}

std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace varo::test

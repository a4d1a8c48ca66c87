// Opens a text store from arbitrary list and content file bytes and reads arbitrary records:
// text lengths, texts, record names, the page search by label and the page render.
//
// Input: u32-prefixed list file, u32-prefixed content file, then operations to the end: u8 op,
// u32 record, u32 label, and for a render a query. With bit 3 of op set the record is taken
// modulo the record count + 2, so that existing records and the first one past the end come up
// often.

#include "fuzz/fuzzcollection.h"
#include "fuzz/fuzzinput.h"

#include "platform/memoryfiles.h"
#include "store/filelist.h"

using namespace varo;

namespace {

void CheckDocument(const std::string& html)
{
    if (html.empty())
        return;
    VARO_FUZZ_CHECK(html.starts_with("<html><head>"));
    VARO_FUZZ_CHECK(html.ends_with("</BODY></html>"));
}

void RunOperation(const CFileList& store, fuzz::Reader& input)
{
    const uint8_t op = input.Byte();
    uint32_t record = input.U32();
    const auto label = static_cast<int>(input.U32());
    if ((op & 0x08) != 0)
        record %= store.GetRecordCount() + 2;
    switch (op % 5) {
    case 0: {
        uint32_t length = 0;
        std::string text;
        const bool known = store.GetTextLength(record, length);
        const bool read = store.ReadText(record, text);
        // A record whose text cannot be read has no length either, and the other way round.
        VARO_FUZZ_CHECK(known == read);
        if (read)
            VARO_FUZZ_CHECK(text.size() == length);
        break;
    }
    case 1: {
        int64_t found = -2;
        if (store.FindPage(record, label, found)) {
            std::string name;
            int foundLabel = 0;
            VARO_FUZZ_CHECK(found >= int64_t{record});
            VARO_FUZZ_CHECK(store.GetRecordName(static_cast<uint32_t>(found), name));
            VARO_FUZZ_CHECK(CFileList::ParseLabel(name, foundLabel) && foundLabel == label);
        } else if (found != -2) {
            VARO_FUZZ_CHECK(found >= int64_t{record} - 1);
        }
        break;
    }
    case 2: {
        std::string name;
        if (store.GetRecordName(record, name))
            VARO_FUZZ_CHECK(name.size() <= store.m_nameSize);
        break;
    }
    case 3: {
        std::string page;
        int cell = -1;
        if (store.ReadPageToRender(record, page, cell))
            VARO_FUZZ_CHECK(cell == 0 || cell == 1);
        break;
    }
    default: {
        const std::u16string query = input.Query();
        std::string html;
        VARO_FUZZ_CHECK(store.RenderPage(record, html, query, op >> 5) >= 0);
        CheckDocument(html);
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader input(data, size);
    MemoryFiles::Put(fuzz::HeldPath(u"Index-fl.h"), std::string(input.Blob(4)));
    MemoryFiles::Put(fuzz::HeldPath(u"Index-fl.cnt"), std::string(input.Blob(4)));
    CFileList store;
    if (!store.Open(fuzz::kHeldFolder, u"Index"))
        return 0;
    VARO_FUZZ_CHECK(store.m_nameSize >= 1 && store.m_nameSize <= kMaxNameSize);
    for (int operations = 0; !input.Empty() && operations < 32; ++operations)
        RunOperation(store, input);
    return 0;
}

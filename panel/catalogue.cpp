#include "panel/catalogue.h"

#include "platform/nativepath.h"
#include "platform/readonlyfile.h"
#include "text/codeconverter.h"

#include <algorithm>

namespace varo {

namespace {

uint32_t ReadLittleEndian(const uint8_t* bytes, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// One line of zlq.txt: tabs by level, then the fields.
void WriteListingLine(std::FILE* listing, const CatalogueRecordTag& record)
{
    if (listing == nullptr)
        return;
    const char* indent = record.level == 2 ? "\t" : record.level == 3 ? "\t\t" : "";
    std::fprintf(listing, "%sname=%s\tdocID=%d\tdocNo=%d\tcurFileName=%d\n", indent,
                 CCodeConverter::Utf16ToUtf8(record.Name()).c_str(), static_cast<int32_t>(record.docID),
                 static_cast<int32_t>(record.docNo), int{record.curFileName});
}

}  // namespace

bool EntryHoldsPage(uint32_t docID, uint32_t docNo, uint32_t page)
{
    const uint64_t number = uint64_t{page} + 1;
    return docID <= number && number < uint64_t{docID} + docNo;
}

std::u16string CatalogueRecordTag::Name() const
{
    size_t length = 0;
    while (length < kCatalogueNameUnits && name[length] != 0)
        ++length;
    return std::u16string(name, length);
}

CatalogueRecordTag CatalogueRecordTag::Decode(const uint8_t* bytes)
{
    CatalogueRecordTag record;
    for (size_t i = 0; i < kCatalogueNameUnits; ++i)
        record.name[i] = static_cast<char16_t>(ReadLittleEndian(bytes + 2 * i, 2));
    record.level = static_cast<int32_t>(ReadLittleEndian(bytes + 200, 4));
    record.docID = ReadLittleEndian(bytes + 204, 4);
    record.docNo = ReadLittleEndian(bytes + 208, 4);
    record.curFileName = static_cast<uint16_t>(ReadLittleEndian(bytes + 212, 2));
    return record;
}

CCatalogue::CCatalogue()
    : m_NodeItem(kCatalogueSlots), m_root(std::make_unique<ContentsNodeTag>()), m_treeParent(kCatalogueSlots, 0),
      m_hasTreeChildren(kCatalogueSlots, false)
{
    m_root->name = u"root";
}

bool CCatalogue::LoadCatalogue(const std::u16string& folder, IMessageSink* messages)
{
    // levelItems[L] is the slot of the last item inserted at level L; 0 means none.
    int levelItems[kMaxCatalogueLevel + 1] = {};
    const std::u16string listingPath =
        m_listingFolder.empty() ? std::u16string(u"zlq.txt") : JoinPath(m_listingFolder, u"zlq.txt");
    std::FILE* listing = std::fopen(ToNativePath(listingPath).c_str(), "w");

    ReadOnlyFile file;
    if (!file.Open(JoinPath(folder, u"zlq.dir"))) {
        if (messages != nullptr)
            messages->ShowMessage(kCatalogueMissingMessage);
        if (listing != nullptr)
            std::fclose(listing);
        return false;
    }
    // The array holds 9,999 records, so no more of the file than they occupy is read: a huge
    // (or sparse) file costs no more time than a full catalogue.
    const uint64_t recordCount = file.Size() / kCatalogueRecordBytes;
    const uint64_t readCount = std::min<uint64_t>(recordCount, kCatalogueSlots - 1);
    m_skips.overflow = recordCount - readCount;
    m_skips.tailBytes = static_cast<size_t>(file.Size() % kCatalogueRecordBytes);
    uint8_t bytes[kCatalogueRecordBytes];
    for (uint64_t i = 0; i < readCount; ++i) {
        if (!file.ReadAt(i * kCatalogueRecordBytes, bytes, sizeof bytes))
            break;
        const CatalogueRecordTag record = CatalogueRecordTag::Decode(bytes);
        if (record.level < 1 || record.level > kMaxCatalogueLevel) {
            ++m_skips.badLevel;
            continue;
        }
        AddRecord(record, levelItems, listing);
    }
    if (listing != nullptr)
        std::fclose(listing);
    return true;
}

void CCatalogue::AddRecord(const CatalogueRecordTag& record, int (&levelItems)[kMaxCatalogueLevel + 1],
                           std::FILE* listing)
{
    const int slot = m_nodeCount;
    m_NodeItem[slot] = record;

    auto node = std::make_unique<ContentsNodeTag>();
    node->name = record.Name();
    node->level = record.level;
    node->docID = record.docID;
    node->docNo = record.docNo;
    node->curFileName = record.curFileName;
    node->slot = slot;
    WriteListingLine(listing, record);

    ContentsNodeTag* parent = FindParentNode(m_root.get(), *node);
    node->parent = parent;
    if (parent != nullptr)
        parent->children.push_back(std::move(node));
    else
        m_detached.push_back(std::move(node));

    // The item goes under the last item of the level above, even when that item's node is not
    // the node's parent; with no such item it goes to the top level.
    const int parentItem = record.level == 1 ? 0 : levelItems[record.level - 1];
    m_treeParent[slot] = parentItem;
    if (parentItem != 0)
        m_hasTreeChildren[parentItem] = true;
    levelItems[record.level] = slot;
    ++m_nodeCount;
}

ContentsNodeTag* CCatalogue::FindParentNode(ContentsNodeTag* node, const ContentsNodeTag& newNode)
{
    if (node == nullptr)
        return nullptr;
    if (int64_t{newNode.level} == int64_t{node->level} + 1)
        return node;
    ContentsNodeTag* found = nullptr;
    for (const auto& child : node->children) {
        if (ContentsNodeTag* result = FindParentNode(child.get(), newNode))
            found = result;
    }
    return found;
}

const ContentsNodeTag* CCatalogue::FindNodeForRecord(const ContentsNodeTag* node, const CatalogueRecordTag& record)
{
    if (node == nullptr)
        return nullptr;
    if (node->level == record.level && node->docID == record.docID && node->docNo == record.docNo &&
        node->curFileName == record.curFileName)
        return node;
    for (const auto& child : node->children) {
        if (const ContentsNodeTag* result = FindNodeForRecord(child.get(), record))
            return result;
    }
    return nullptr;
}

int CCatalogue::TreeParentOf(int slot) const
{
    return IsSlot(slot) ? m_treeParent[slot] : 0;
}

bool CCatalogue::HasTreeChildren(int slot) const
{
    return IsSlot(slot) && m_hasTreeChildren[slot];
}

std::u16string CCatalogue::ItemPath(int slot) const
{
    if (!IsSlot(slot))
        return {};
    std::u16string path = m_NodeItem[slot].Name();
    // A parent item always has a smaller slot than its child, so the walk ends.
    for (int item = m_treeParent[slot]; item != 0; item = m_treeParent[item])
        path = m_NodeItem[item].Name() + u"\\" + path;
    return path;
}

}  // namespace varo

#pragma once
// The catalogue zlq.dir: how the page records of the text set group into categories (level 1),
// titles (level 2) and volumes (level 3). Loaded once into a flat record array addressed by
// record slot, a node tree under a root node (for scope tests and result naming) and the item
// structure of the contents tree (which the desktop shell draws from this model).

#include "engine/messagesink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace varo {

inline constexpr size_t kCatalogueRecordBytes = 216;
inline constexpr size_t kCatalogueNameUnits = 100;  // 200 bytes of UTF-16LE
inline constexpr int kCatalogueSlots = 10000;       // slot 0 is never filled: 9,999 records
inline constexpr int kMaxCatalogueLevel = 19;       // the loader's level table has 20 entries

inline constexpr char16_t kCatalogueMissingMessage[] = u"you delete data file!";

/// True when page number page lies in the range of an entry that starts at page record docID
/// (counted from 1) and holds docNo records: docID <= page + 1 <= docID + docNo - 1. Computed
/// without 32-bit wrap-around, so an empty range (docNo 0) holds no page at all.
bool EntryHoldsPage(uint32_t docID, uint32_t docNo, uint32_t page);

/// One 216-byte record of zlq.dir, fields as read (little-endian in the file).
struct CatalogueRecordTag {
    char16_t name[kCatalogueNameUnits] = {};
    int32_t level = 0;
    uint32_t docID = 0;
    uint32_t docNo = 0;
    uint16_t curFileName = 0;

    /// The name up to its terminator; a name with no terminator in its field gives all 100 units.
    std::u16string Name() const;
    bool HoldsPage(uint32_t page) const { return EntryHoldsPage(docID, docNo, page); }

    /// Decodes bytes[0..215] of a record.
    static CatalogueRecordTag Decode(const uint8_t* bytes);
};

/// A node of the catalogue tree. A node owns its children.
struct ContentsNodeTag {
    std::u16string name;
    int32_t level = 0;
    uint32_t docID = 0;
    uint32_t docNo = 0;
    uint16_t curFileName = 0;
    int slot = 0;  // the record slot the node was made from; 0 for the root
    ContentsNodeTag* parent = nullptr;
    std::vector<std::unique_ptr<ContentsNodeTag>> children;

    bool HoldsPage(uint32_t page) const { return EntryHoldsPage(docID, docNo, page); }
};

/// Counts of what a load skipped (the user is told nothing; tests and diagnostics look).
struct CatalogueSkipsTag {
    int badLevel = 0;       // level outside 1..19
    uint64_t overflow = 0;  // records of the file beyond the first 9,999, never read
    size_t tailBytes = 0;   // a trailing partial record
};

class CCatalogue {
public:
    CCatalogue();
    CCatalogue(const CCatalogue&) = delete;
    CCatalogue& operator=(const CCatalogue&) = delete;

    /// Where the listing zlq.txt is written; empty (the default) is the current working folder.
    void SetListingFolder(std::u16string folder) { m_listingFolder = std::move(folder); }

    /// Reads folder/zlq.dir once. A missing or unreadable file shows "you delete data file!" and
    /// leaves the catalogue empty. Only the file's first 9,999 records (the array's room) are
    /// read; of them, records with a level outside 1..19 are skipped, and so is a trailing
    /// partial record. Writes the listing zlq.txt of every loaded
    /// record, replacing an earlier one; without a listing the load goes on.
    bool LoadCatalogue(const std::u16string& folder, IMessageSink* messages);

    /// The node a new node hangs under: the last node in pre-order whose level is one less than
    /// newNode's, or none. For a level-1 node that is the root.
    static ContentsNodeTag* FindParentNode(ContentsNodeTag* node, const ContentsNodeTag& newNode);

    /// The first node in pre-order with the record's level, docID, docNo and curFileName.
    static const ContentsNodeTag* FindNodeForRecord(const ContentsNodeTag* node, const CatalogueRecordTag& record);

    bool IsSlot(int slot) const { return slot >= 1 && slot < m_nodeCount; }

    /// Slot of the contents-tree item that slot's item hangs under; 0 for a top-level item.
    int TreeParentOf(int slot) const;
    bool HasTreeChildren(int slot) const;

    /// The item texts from the top level down to slot's item, joined by "\" (C\T\V).
    std::u16string ItemPath(int slot) const;

    const CatalogueSkipsTag& Skips() const { return m_skips; }

    /// Records by slot, as read; slot 0 stays empty. Sized once, never grown.
    std::vector<CatalogueRecordTag> m_NodeItem;
    /// The next free slot: 1 + the number of records loaded.
    int m_nodeCount = 1;
    std::unique_ptr<ContentsNodeTag> m_root;

private:
    void AddRecord(const CatalogueRecordTag& record, int (&levelItems)[kMaxCatalogueLevel + 1], std::FILE* listing);

    std::u16string m_listingFolder;
    std::vector<int> m_treeParent;
    std::vector<bool> m_hasTreeChildren;
    // Nodes that found no parent stay outside the tree the root owns; they are kept here so
    // that they are freed with the catalogue.
    std::vector<std::unique_ptr<ContentsNodeTag>> m_detached;
    CatalogueSkipsTag m_skips;
};

}  // namespace varo

#pragma once
// Hands pages to the text view as files: a catalogue entry's page as stored (windows.html) and
// a result page rendered with its hits highlighted (windows1.html and windows2.html in turn, so
// that two results in a row never share a file). Keeps the anchor the view was last sent to
// for the hit commands.

#include "engine/index.h"
#include "panel/catalogue.h"
#include "panel/panelports.h"
#include "platform/privatefolder.h"

#include <cstdint>
#include <optional>
#include <string>

namespace varo {

inline constexpr char16_t kPageFileName[] = u"windows.html";
inline constexpr char16_t kFirstResultFileName[] = u"windows1.html";
inline constexpr char16_t kSecondResultFileName[] = u"windows2.html";
/// A page file could not be written (the temporary folder is full, gone or not writable).
inline constexpr char16_t kPageFileUnwritableMessage[] =
    u"頁を表示するための一時ファイルを書き込めませんでした。一時フォルダーの空き容量と書き込みの権限を確かめて下さい。";

/// The anchor of hit number index in a rendered page: 3 => u"0003", 12345 => u"12345".
std::u16string AnchorName(int index);

class CPageDisplay {
public:
    /// The page files go to a private folder made under temporaryParent (the platform's
    /// temporary folder when empty); the folder and its files are removed with this object.
    CPageDisplay(const CIndex& index, const CCatalogue& catalogue, const std::u16string& temporaryParent = {});

    void SetTextView(ITextView* view) { m_view = view; }
    /// Where a page the text store cannot read is reported ("データを開けませんでした。").
    void SetMessageSink(IMessageSink* messages) { m_messages = messages; }

    /// Shows a page of the entry in slot: its first page (label curFileName) when firstPage,
    /// otherwise the page labelled label. Only a page record inside the entry's range is shown:
    /// when the label is not found there (or the index set is closed) nothing is written and the
    /// view keeps what it shows. A page record the text store cannot read (damaged) is reported
    /// as data that cannot be opened, and the view keeps what it shows as well. Returns whether
    /// the page was shown.
    bool ShowPage(int slot, bool firstPage, int label);

    /// Renders page number page with the hits of query and shows it at its first hit, anchor
    /// "0000", or at anchor number anchor (a concordance line's hit; one past the last anchor
    /// shows the last). Nothing changes when the index set is closed or the file cannot be
    /// written (which is reported); a page the text store cannot read is reported as data that
    /// cannot be opened.
    bool ShowResult(uint32_t page, const std::u16string& query, int target, bool useVariants, int anchor = 0);

    bool CanPreviousHit() const { return m_hitIndex - 1 >= 0; }
    bool CanNextHit() const { return m_hitIndex + 1 < m_hitCount; }
    void PreviousHit();
    void NextHit();

    std::u16string PageFilePath() const { return m_files.FilePath(kPageFileName); }
    const std::u16string& FolderPath() const { return m_files.Path(); }

    /// Path of the result page file last written; empty until the first result is shown.
    std::u16string m_hitFile;
    /// Anchors in that page.
    int m_hitCount = 0;
    /// The anchor the view was last sent to.
    int m_hitIndex = 0;
    /// The page record the view shows, a result page or a stored one; none before the first.
    std::optional<uint32_t> m_shownPage;

private:
    void Navigate(const std::u16string& path, const std::u16string& anchor);
    void ReportUnreadablePage() const;
    void ReportUnwritablePage() const;

    const CIndex& m_index;
    const CCatalogue& m_catalogue;
    CPrivateFolder m_files;
    ITextView* m_view = nullptr;
    IMessageSink* m_messages = nullptr;
    // Which result file the next result goes to: set means windows1.html.
    bool m_firstResultFileNext = true;
};

}  // namespace varo

#pragma once
// The search panel's model as the command line drives it: its ports answer with the query of
// the command and keep what the panel shows (summary, messages, the page file it navigates to).
// Its side files (the listing zlq.txt, the page files) go to a scratch folder that is removed
// with the object, so the commands answer exactly what the panel would and leave nothing behind.

#include "panel/leftformmodel.h"
#include "tools/varo-cli/scratchfolder.h"

#include <memory>
#include <string>
#include <vector>

namespace varo::cli {

class CliPanel : private IMessageSink, private IQueryInput, private IPanelView, private ITextView {
public:
    /// Creates the panel on the data folder and switches it to the search target. Throws
    /// CommandFailure (kExitData, "データを開けませんでした。") when the index set does not open.
    CliPanel(const std::u16string& dataFolder, int target);
    ~CliPanel() override;

    /// The panel's first display: loads the catalogue. Throws CommandFailure (kExitData) with
    /// the panel's message when the catalogue cannot be read.
    void LoadCatalogue();

    CLeftFormModel& Model() { return *m_model; }

    /// Throws CommandFailure (kExitUsage) naming the option when the catalogue has no record in
    /// slot.
    void RequireSlot(const std::string& option, int slot) const;

    /// The keywords the query field holds for the next RunSearch.
    void SetQuery(const std::u16string& query) { m_query = query; }
    /// The messages the panel showed since the last call, joined by blanks; empty when none.
    std::string TakeMessages();
    const std::u16string& Summary() const { return m_summary; }
    /// The file the text view was last sent to; empty when none.
    const std::u16string& ShownFile() const { return m_shownFile; }

private:
    void ShowMessage(const std::u16string& text) override { m_messages.push_back(text); }
    bool HasDocument() const override { return true; }
    std::vector<std::optional<std::u16string>> InputValues() const override { return {m_query}; }
    void SetScopeLabel(const std::u16string&) override {}
    void SetSummary(const std::u16string& text) override { m_summary = text; }
    void SetResultRows(const std::vector<ResultRowTag>&) override {}
    void SetPaging(const PagingStateTag&) override {}
    void Navigate(const std::u16string& path, const std::u16string&) override { m_shownFile = path; }

    ScratchFolder m_scratch;  // outlives the model, whose page files lie inside it
    std::vector<std::u16string> m_messages;
    std::u16string m_query;
    std::u16string m_summary;
    std::u16string m_shownFile;
    std::unique_ptr<CLeftFormModel> m_model;
};

}  // namespace varo::cli

#pragma once
// A small collection for the panel: a text set "Index" with a zlq.dir that groups its pages into
// categories, titles and volumes, and fake ports that record what the panel tells the windows.

#include "panel/panelports.h"
#include "tests/support/fixture.h"
#include "tests/support/volumes.h"

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varo::test {

/// Writes the volumes' text set "Index" and zlq.dir (WriteVolumes), failing the test on a
/// complaint.
void WriteCollection(const std::filesystem::path& folder, const std::vector<VolumeSpec>& volumes);

/// The panel tests' collection (page records in brackets, labels after them):
///   slot 1 經部: 2 論語: 3 學而 [0..19] 5..24, 4 爲政 [20..22] 1..3; 5 孟子: 6 梁惠王 [23..24] 1..2
///   slot 7 史部: 8 史記: 9 本紀 [25..26] 7..8
/// 詩 occurs 3 times on page 0 and once on pages 20, 22, 23 and 25; 經 on pages 20, 21 and 25.
std::vector<VolumeSpec> StandardVolumes();

/// Writes zlq.dir from raw bytes.
void WriteCatalogueBytes(const std::filesystem::path& folder, const std::string& bytes);

/// One 216-byte catalogue record with the name's units taken as given (no terminator added
/// beyond the zero padding of the field).
std::string RawRecord(const std::u16string& nameUnits, int32_t level, uint32_t docID, uint32_t docNo,
                      uint16_t curFileName);

struct FakePorts : IMessageSink, ITextView, IPageSlider, IQueryInput, IPanelView {
    void ShowMessage(const std::u16string& text) override { messages.push_back(text); }
    void Navigate(const std::u16string& path, const std::u16string& anchor) override
    {
        navigations.emplace_back(path, anchor);
    }
    int TopPosition() const override { return top; }
    void ScrollToPosition(int value) override { scrolledTo = value; }
    void SetRange(int minimum, int maximum) override { range = {minimum, maximum}; }
    void SetPosition(int value) override { position = value; }
    void SetPageText(const std::u16string& text) override { pageText = text; }
    bool HasDocument() const override { return hasDocument; }
    std::vector<std::optional<std::u16string>> InputValues() const override { return inputs; }
    void SetScopeLabel(const std::u16string& text) override { scopeLabel = text; }
    void SetSummary(const std::u16string& text) override { summary = text; }
    void SetResultRows(const std::vector<ResultRowTag>& value) override { rows = value; }
    void SetPaging(const PagingStateTag& value) override { paging = value; }
    void SetNarrowing(const std::u16string& text) override { narrowing = text; }

    PanelPortsTag Ports() { return {this, this, this, this, this}; }
    void Type(const std::u16string& text) { inputs = {text}; }

    std::vector<std::u16string> messages;
    std::vector<std::pair<std::u16string, std::u16string>> navigations;
    int top = 0;          // what the view reports at its top
    int scrolledTo = -1;  // where it was last told to scroll
    std::pair<int, int> range{0, 0};
    int position = 0;
    std::u16string pageText;
    bool hasDocument = true;
    std::vector<std::optional<std::u16string>> inputs;
    std::u16string scopeLabel;
    std::u16string summary;
    std::vector<ResultRowTag> rows;
    PagingStateTag paging;
    std::u16string narrowing;
};

}  // namespace varo::test

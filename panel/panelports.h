#pragma once
// What the search panel's models ask of the windows around them. The desktop shell implements
// these with its widgets; tests implement them with fakes that record what they were told.
// Every port is optional: a model with no port for something simply does not show it.

#include "engine/messagesink.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varo {

/// The text view on the right.
class ITextView {
public:
    virtual ~ITextView() = default;
    /// Shows the file at path, scrolled to the anchor when anchor is not empty ("0003").
    virtual void Navigate(const std::u16string& path, const std::u16string& anchor) = 0;
    /// The text position at the top of the view, which outlasts a change of zoom or width;
    /// 0 at the page's top.
    virtual int TopPosition() const { return 0; }
    /// Scrolls so that the text position stands at the top of the view, as far as it can.
    virtual void ScrollToPosition(int position) { static_cast<void>(position); }
};

/// The page slider and the page indicator of the main toolbar.
class IPageSlider {
public:
    virtual ~IPageSlider() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void SetPageText(const std::u16string& text) = 0;
};

/// The keyword field.
class IQueryInput {
public:
    virtual ~IQueryInput() = default;
    /// False when the field's page did not load.
    virtual bool HasDocument() const = 0;
    /// The value of each input element of the page, in document order; nullopt for an element
    /// that reports no value.
    virtual std::vector<std::optional<std::u16string>> InputValues() const = 0;
};

/// One row of the result list: the texts of the columns 類別, 書名, 巻, 頁 and 箇所 (the page's
/// hits), and the item data (the result's page number).
struct ResultRowTag {
    std::array<std::u16string, 5> columns;
    uint32_t itemData = 0;
};

/// The paging row under the result list.
struct PagingStateTag {
    bool visible = false;          // hidden while there are no results
    bool previousEnabled = false;  // "<"
    bool nextEnabled = false;      // ">"
    bool boxReadOnly = false;
    std::u16string boxText;    // the page box; the shell selects all of it when it is set
    std::u16string countText;  // "/%d"
};

/// The search panel's own labels and the result list.
class IPanelView {
public:
    virtual ~IPanelView() = default;
    virtual void SetScopeLabel(const std::u16string& text) = 0;
    virtual void SetSummary(const std::u16string& text) = 0;
    /// Replaces every row of the result list.
    virtual void SetResultRows(const std::vector<ResultRowTag>& rows) = 0;
    virtual void SetPaging(const PagingStateTag& paging) = 0;
    /// How the listed results are narrowed beyond the scope ("結果内" after a search inside the
    /// results, the entry a statistics bar narrowed them to), or empty when they are not.
    virtual void SetNarrowing(const std::u16string& description) { static_cast<void>(description); }
};

/// The ports of one panel, all optional.
struct PanelPortsTag {
    IMessageSink* messages = nullptr;
    ITextView* textView = nullptr;
    IPageSlider* slider = nullptr;
    IQueryInput* queryInput = nullptr;
    IPanelView* panelView = nullptr;
};

}  // namespace varo

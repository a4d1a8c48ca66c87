#pragma once
// A small collection written by the text-set writer and opened for searching.

#include "engine/index.h"
#include "tests/support/fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varo::test {

/// Pages whose indexed texts (all three kinds alike) are the given texts.
inline std::vector<writer::PageInput> PagesOf(const std::vector<std::u32string>& texts)
{
    std::vector<writer::PageInput> pages;
    for (size_t i = 0; i < texts.size(); ++i)
        pages.push_back(SimplePage("c\\t\\v\\" + std::to_string(1000 + i) + ".htm", texts[i]));
    return pages;
}

class SearchCollection {
public:
    SearchCollection(const std::vector<writer::PageInput>& pages, const writer::VariantGroups& groups,
                     const writer::WriterOptions& options, int kind)
    {
        const std::string error = writer::WriteTextSet(m_dir.Path(), "Index", pages, groups, options);
        EXPECT_EQ(error, "");
        EXPECT_TRUE(m_index.Open(m_dir.Folder(), u"Index", kind));
    }
    explicit SearchCollection(const std::vector<std::u32string>& texts, const writer::VariantGroups& groups = {},
                              const writer::WriterOptions& options = {})
        : SearchCollection(PagesOf(texts), groups, options, INDEX_FULL_TEXT)
    {}

    CIndex& Index() { return m_index; }
    const TempDir& Dir() const { return m_dir; }

private:
    TempDir m_dir;
    CIndex m_index;
};

}  // namespace varo::test

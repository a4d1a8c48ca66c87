#include "store/pagemarkup.h"
#include "store/pagerender.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

std::vector<std::string> Parse(std::string_view page)
{
    std::vector<std::unique_ptr<HTMLNode>> nodes;
    render::ParseNodes(page, nodes);
    std::vector<std::string> texts;
    for (const auto& node : nodes)
        texts.push_back(node->GetText());
    return texts;
}

TEST(ParseNodes, cutsTitleAndTwoCells)
{
    struct Case {
        const char* name;
        std::string page;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"plain page",
         "<html><title>T</title><tr><TD width=80 vAlign=top>x<br>y</TD><TD>z</TD></tr>",
         {"T", "x<br>y", "z"}},
        {"capital TITLE tags", "<TITLE>T</TITLE><TD>x</TD><TD>z</TD>", {"", "", ""}},
        {"capital start, lower end", "<TITLE>T</title><TD>x</TD><TD>z</TD>", {"", "x", "z"}},
        {"no second cell", "<title>T</title><TD>x</TD>", {"T", "x", ""}},
        {"no cell", "<title>T</title><p>text</p>", {"T", "", ""}},
        {"</title> inside second cell", "<title>T</title><TD>a</TD><TD>b</title>c<TD>d</TD>", {"T", "ad", "b"}},
        {"nested cell", "<title>T</title><TD>a<TD>b</TD>c</TD><TD>z</TD>", {"T", "ab", "z"}},
        {"lower-case td", "<title>T</title><td>a</td><TD>b</TD><TD>c</TD>", {"T", "b", "c"}},
        {"text outside parts dropped", "pre<title>T</title>mid<TD>a</TD>between<TD>b</TD>post", {"T", "a", "b"}},
        {"unfinished tag dropped", "<title>T</title><TD>a<b", {"T", "a", ""}},
        {"> in text is text", "<title>a>b</title>", {"a>b", "", ""}},
        {"markup of earlier pass kept",
         "<title>T</title><TD><a name=\"0000\"></a><b>x</b></TD>",
         {"T", "<a name=\"0000\"></a><b>x</b>", ""}},
        {"short tags and near names are text",
         "<title>T</title><TD><t></><T><Tr></t></TR></tdx>x</TD><TD>z</TD>",
         {"T", "<t></><T><Tr></t></TR></tdx>x", "z"}},
        {"empty page", "", {"", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Parse(c.page), c.texts);
    }
}

TEST(SplitFilterItems, separatesAnnotations)
{
    using Items = std::vector<std::pair<int, std::string>>;
    const std::string open(kAnnotationStart);
    struct Case {
        const char* name;
        std::string cell;
        Items items;
    };
    const Case cases[] = {
        {"main, annotation, main", "a" + open + "b</font>c", {{0, "a"}, {1, "b"}, {0, "c"}}},
        {"starts with annotation", open + "b</font>", {{0, ""}, {1, "b"}, {0, ""}}},
        {"other font tag is text", "a<font color=red>b</font>c", {{0, "a<font color=red>b</font>c"}}},
        {"</font> in main text stays", "a</font>b", {{0, "a</font>b"}}},
        {"annotation inside annotation",
         open + "a" + open + "b</font>c</font>",
         {{0, ""}, {1, "a"}, {1, "b"}, {0, "c</font>"}}},
        {"unfinished tag dropped", "a<br", {{0, "a"}}},
        {"empty cell", "", {{0, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<FilterItem>> items;
        render::SplitFilterItems(HTMLNode(c.cell), items);
        Items got;
        for (const auto& item : items)
            got.emplace_back(item->GetKind(), item->GetText());
        EXPECT_EQ(got, c.items);
    }
}

}  // namespace
}  // namespace varo

#include "store/pagemarkup.h"
#include "store/pagerender.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using render::HighlightItem;

const std::string kStart(kHighlightStart);
const std::string kEnd(kHighlightEnd);

// A highlighted literal, and the highlighted bytes a '?' gap stood for.
std::string Hit(int n, const std::string& text)
{
    return AnchorTag(n) + kStart + text + kEnd;
}

std::string Gap(int n, const std::string& text)
{
    return kStart + AnchorTag(n) + text + kEnd;
}

struct Piece {
    int kind;
    std::string literal;
    int gap;  // compared for pieces after '?' only
    bool operator==(const Piece& other) const
    {
        return kind == other.kind && literal == other.literal && (kind != Seg::SEG_AFTER_WILDCARDS || gap == other.gap);
    }
};

std::ostream& operator<<(std::ostream& out, const Piece& piece)
{
    return out << "{" << piece.kind << ", \"" << piece.literal << "\", " << piece.gap << "}";
}

TEST(SplitTerm, cutsAtWildcards)
{
    constexpr int F = Seg::SEG_FIRST, S = Seg::SEG_AFTER_STAR, W = Seg::SEG_AFTER_WILDCARDS;
    struct Case {
        std::string term;
        std::vector<Piece> pieces;
    };
    const Case cases[] = {
        {"甲", {{F, "甲", 0}}},
        {"甲?乙", {{F, "甲", 0}, {W, "乙", 1}}},
        {"甲??乙", {{F, "甲", 0}, {W, "乙", 2}}},
        {"a?b???c*d", {{F, "a", 0}, {W, "b", 1}, {W, "c", 3}, {S, "d", 0}}},
        {"*甲", {{S, "甲", 0}}},
        {"甲**乙*", {{F, "甲", 0}, {S, "乙", 0}}},
        // '?' at the edge of a run, or next to '*', has no effect.
        {"?甲?", {{F, "甲", 0}}},
        {"甲?*乙", {{F, "甲", 0}, {S, "乙", 0}}},
        {"甲*?乙", {{F, "甲", 0}, {S, "乙", 0}}},
        {"甲*??", {{F, "甲", 0}}},
        {"", {}},
        {"?", {}},
        {"*?*??", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.term);
        std::vector<std::unique_ptr<Seg>> segs;
        render::SplitTerm(c.term, segs);
        std::vector<Piece> got;
        for (const auto& seg : segs)
            got.push_back({seg->kind, seg->literal, seg->gap});
        EXPECT_EQ(got, c.pieces);
    }
}

TEST(HighlightItem, marksAndNumbersEveryMatch)
{
    struct Case {
        const char* name;
        std::string term;
        std::string text;
        std::string expected;
        int anchors;
    };
    const Case cases[] = {
        {"each occurrence in order", "甲", "甲乙甲丙甲", Hit(0, "甲") + "乙" + Hit(1, "甲") + "丙" + Hit(2, "甲"), 3},
        {"matches do not overlap", "甲甲", "甲甲甲", Hit(0, "甲甲") + "甲", 1},
        {"? gap highlighted with its own anchor", "甲?乙", "丙甲丁乙",
         "丙" + Hit(0, "甲") + Gap(1, "丁") + Hit(2, "乙"), 3},
        {"?? takes six bytes: two characters", "甲??乙", "甲丙丁乙", Hit(0, "甲") + Gap(1, "丙丁") + Hit(2, "乙"), 3},
        {"?? takes six bytes: six letters", "甲??乙", "甲abcdef乙", Hit(0, "甲") + Gap(1, "abcdef") + Hit(2, "乙"), 3},
        {"?? gap reaching the end is not tried", "甲??乙", "甲丙乙", "甲丙乙", 0},
        {"? gap found later fails, next attempt after first literal", "甲?乙", "甲x甲丁乙",
         "甲x" + Hit(0, "甲") + Gap(1, "丁") + Hit(2, "乙"), 3},
        {"* gap unmarked", "甲*乙", "甲丙丁乙", Hit(0, "甲") + "丙丁" + Hit(1, "乙"), 2},
        {"* gap stopped by <p>, resumes after it", "甲*乙", "甲丙<p>甲丁乙",
         "甲丙<p>" + Hit(0, "甲") + "丁" + Hit(1, "乙"), 2},
        {"* gap stopped by <h4>", "甲*乙", "甲<h4>乙", "甲<h4>乙", 0},
        {"<p> after the literal does not stop it", "甲*乙", "甲乙<p>", Hit(0, "甲") + Hit(1, "乙") + "<p>", 2},
        {"term starting with *", "*甲", "乙<p>甲", "乙<p>" + Hit(0, "甲"), 1},
        {"mixed wildcards", "甲*乙?丙", "甲x乙丁丙", Hit(0, "甲") + "x" + Hit(1, "乙") + Gap(2, "丁") + Hit(3, "丙"),
         4},
        {"?甲? behaves like 甲", "?甲?", "乙甲", "乙" + Hit(0, "甲"), 1},
        {"literal inside a tag", "br", "a<br>b", "a<" + Hit(0, "br") + ">b", 1},
        {"no match", "丁", "甲乙", "甲乙", 0},
        {"wildcards only: copied, no endless loop", "*?*", "甲乙", "甲乙", 0},
        {"empty item", "甲", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string output = "<";
        int counter = 0;
        HighlightItem(FilterItem(c.text, FilterItem::kMainText), c.term, output, counter);
        EXPECT_EQ(output, "<" + c.expected);
        EXPECT_EQ(counter, c.anchors);
    }
}

TEST(HighlightItem, anchorsAbove9999_areWrittenWhole)
{
    std::string output;
    int counter = 9999;
    HighlightItem(FilterItem("甲甲", FilterItem::kMainText), "甲", output, counter);
    EXPECT_EQ(output, "<a name=\"9999\"></a>" + kStart + "甲" + kEnd + "<a name=\"10000\"></a>" + kStart + "甲" + kEnd);
    EXPECT_EQ(AnchorTag(7), "<a name=\"0007\"></a>");
    EXPECT_EQ(counter, 10001);
}

}  // namespace
}  // namespace varo

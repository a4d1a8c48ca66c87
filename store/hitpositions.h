#pragma once
// Where the hits of a rendered page stand in the text of its highlighted cell. The renderer
// marks every hit with anchors and highlight tags, one pass per term; reading them back from the
// document it wrote gives exactly the hits the text view jumps between, in anchor order, with
// their places in the cell's text, which is what a concordance line or a citation needs.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varo {

/// What one highlighting pass anchored: the anchors firstAnchor .. endAnchor - 1, in runs of
/// anchorsPerHit, one run per match of the pass's term.
struct AnchorPassTag {
    int firstAnchor = 0;
    int endAnchor = 0;
    int anchorsPerHit = 1;
};

/// The anchors one match of a UTF-8 term takes: one per literal, and one more for the bytes
/// each '?' gap between two literals stands for.
///   "甲" => 1    "甲*乙" => 2    "甲?乙" => 3    "?甲?" => 1    "*?" => 0
int AnchorsPerMatch(std::string_view term);

/// Adds to passes, when given, what a pass of term anchored: the anchors firstAnchor ..
/// endAnchor - 1. A pass that anchored nothing is left out.
void LogPass(std::string_view term, int firstAnchor, int endAnchor, std::vector<AnchorPassTag>* passes);

/// One hit, in characters of the cell's text (code points, tags taking none).
struct HitPositionTag {
    uint32_t offset = 0;  // characters before the hit's first highlighted character
    uint32_t length = 0;  // characters from there to the end of its last highlighted piece
    int anchor = 0;       // the number of its first anchor ("0003" is 3)
    int anchors = 1;      // how many anchors it takes, from anchor on
};

/// The highlighted cell of a rendered page and its hits.
struct PageHitsTag {
    int cell = 0;                      // 0 the page's first cell, 1 its second
    std::u32string text;               // the cell's characters without tags, entities as written
    std::vector<bool> annotation;      // for each character of text: annotation text
    std::vector<HitPositionTag> hits;  // in anchor order: term by term, each in document order
};

/// Reads the hits of the passes back from the document they wrote. Anchors that the document
/// does not hold where the renderer puts them (a page that carried anchors of its own, markup a
/// later pass cut through) give no hit rather than a wrong one; everything stays inside text.
void LocateHits(std::string_view document, int cell, const std::vector<AnchorPassTag>& passes, PageHitsTag& hits);

}  // namespace varo

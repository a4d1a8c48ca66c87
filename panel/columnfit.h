#pragma once
// How the columns of a list share the width of their panel, so that whole names show where
// they can: every column wants the width of its longest text, a column that wants no more than
// an even share gets what it wants, and the columns that want more split what is left in
// proportion to their wants, so the longest names win the space. Width the columns do not
// want goes to the column that wants most.

#include <vector>

namespace varo {

/// The widths for columns that want wanted[i] pixels in available pixels; never below 1.
///   {40, 60, 200, 30} in 400 => {40, 60, 270, 30}    {40, 300, 300, 30} in 400 => {40, 165, 165, 30}
std::vector<int> FitColumnWidths(const std::vector<int>& wanted, int available);

}  // namespace varo

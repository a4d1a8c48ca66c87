#include "panel/columnfit.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace varo {

std::vector<int> FitColumnWidths(const std::vector<int>& wanted, int available)
{
    const size_t count = wanted.size();
    std::vector<int> widths(count, 0);
    if (count == 0)
        return widths;
    available = std::max(available, 0);
    std::vector<bool> settled(count, false);
    int64_t left = available;
    size_t open = count;
    // Settle the columns that want no more than an even share of what is left, until none do.
    for (bool changed = true; changed && open > 0;) {
        changed = false;
        const int64_t share = left / static_cast<int64_t>(open);
        for (size_t i = 0; i < count; ++i) {
            if (settled[i] || wanted[i] > share)
                continue;
            widths[i] = std::max(wanted[i], 0);
            left -= widths[i];
            settled[i] = true;
            --open;
            changed = true;
        }
    }
    if (open > 0) {
        int64_t wantedOpen = 0;
        for (size_t i = 0; i < count; ++i) {
            if (!settled[i])
                wantedOpen += wanted[i];
        }
        for (size_t i = 0; i < count; ++i) {
            if (!settled[i])
                widths[i] = static_cast<int>(left * wanted[i] / std::max<int64_t>(wantedOpen, 1));
        }
    } else if (left > 0) {
        const auto widest = std::max_element(wanted.begin(), wanted.end()) - wanted.begin();
        widths[static_cast<size_t>(widest)] += static_cast<int>(left);
    }
    for (int& width : widths)
        width = std::max(width, 1);
    return widths;
}

}  // namespace varo

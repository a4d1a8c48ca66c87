#include "panel/readingzoom.h"

#include <array>
#include <cstdlib>

namespace varo {

namespace {

// The steps readers know from browsers: finer near 100 %, coarser further out.
constexpr std::array kSteps = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

}  // namespace

bool CReadingZoom::ZoomIn()
{
    for (int step : kSteps) {
        if (step > m_percent) {
            m_percent = step;
            return true;
        }
    }
    return false;
}

bool CReadingZoom::ZoomOut()
{
    for (auto step = kSteps.rbegin(); step != kSteps.rend(); ++step) {
        if (*step < m_percent) {
            m_percent = *step;
            return true;
        }
    }
    return false;
}

bool CReadingZoom::Reset()
{
    if (m_percent == kDefaultPercent)
        return false;
    m_percent = kDefaultPercent;
    return true;
}

void CReadingZoom::SetPercent(int percent)
{
    int nearest = kDefaultPercent;
    long best = -1;
    for (int step : kSteps) {
        const long distance = std::labs(static_cast<long>(step) - percent);
        if (best < 0 || distance < best) {
            best = distance;
            nearest = step;
        }
    }
    m_percent = nearest;
}

}  // namespace varo

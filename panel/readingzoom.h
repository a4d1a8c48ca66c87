#pragma once
// The zoom level of the text view: a percentage of the page font, moved in fixed steps between
// 50 % and 300 %. Page files keep their bytes; only the view scales what it shows. The level is
// kept in the settings store, so a stored value is untrusted and is brought onto a step.

namespace varo {

class CReadingZoom {
public:
    static constexpr int kDefaultPercent = 100;
    static constexpr int kMinimumPercent = 50;
    static constexpr int kMaximumPercent = 300;

    int Percent() const { return m_percent; }

    /// The next step up or down; false, changing nothing, at the end of the range.
    bool ZoomIn();
    bool ZoomOut();
    /// Back to 100 %; false when already there.
    bool Reset();
    /// A level from the settings store or a caller: the nearest step, within the range.
    void SetPercent(int percent);

    bool CanZoomIn() const { return m_percent < kMaximumPercent; }
    bool CanZoomOut() const { return m_percent > kMinimumPercent; }

private:
    int m_percent = kDefaultPercent;
};

}  // namespace varo

#include "common/ProgressBarState.h"

#include <algorithm>
#include <utility>

namespace vornalix::common {

int ProgressBarState::SetRange(int low, int high) {
    const int previous = (rangeLow & 0xFFFF) | (rangeHigh & 0xFFFF) << 16;
    rangeLow = low;
    rangeHigh = high;
    position = Clamp(position);
    return previous;
}

int ProgressBarState::SetStep(int step) {
    return std::exchange(stepSize, step);
}

int ProgressBarState::SetPos(int value) {
    return std::exchange(position, Clamp(value));
}

int ProgressBarState::StepIt() {
    const int previous = position;
    int next = position + stepSize;
    // The control wraps around to the start when a step passes the end.
    if (next > rangeHigh)
        next = rangeLow + (next - rangeHigh);
    position = Clamp(next);
    return previous;
}

double ProgressBarState::Fraction() const {
    if (rangeHigh <= rangeLow)
        return 0.0;
    return static_cast<double>(position - rangeLow) / (rangeHigh - rangeLow);
}

int ProgressBarState::Clamp(int value) const {
    return rangeHigh < rangeLow ? value : std::clamp(value, rangeLow, rangeHigh);
}

} // namespace vornalix::common

#pragma once
// The state of a progress bar as the Windows progress control keeps it (PBM_SETRANGE, PBM_SETSTEP, PBM_SETPOS,
// PBM_STEPIT): positions outside the range are held at its nearest end, so a position past the range shows
// a full bar. Not synchronised: the owner serialises calls.
namespace vornalix::common {

class ProgressBarState {
public:
    // Each returns the previous value (the range as MAKELONG(low, high)).
    int SetRange(int low, int high);
    int SetStep(int step);
    int SetPos(int position);
    int StepIt();

    int low() const { return rangeLow; }
    int high() const { return rangeHigh; }
    int step() const { return stepSize; }
    int pos() const { return position; }
    // The filled share of the bar, 0.0 to 1.0.
    double Fraction() const;

private:
    int Clamp(int value) const;

    int rangeLow = 0;
    int rangeHigh = 100;
    int stepSize = 10;
    int position = 0;
};

} // namespace vornalix::common

#pragma once
// Small helpers for reporting progress from the engine's loops. Every target may be
// null, and a step position whose divisor is 0 or negative is not reported.

#include "engine/Progress.h"

namespace velmora {

inline void ReportCaption(ProgressTargets* p, const char* caption) {
    if (p) p->SetCaption(caption);
}

// Sets the step bar to numerator * 100 div divisor (truncating); negative results
// show as 0.
inline void ReportStep(ProgressTargets* p, long long numerator, long long divisor) {
    if (!p || divisor <= 0) return;
    const long long pos = numerator * 100 / divisor;
    p->SetStepPosition(pos < 0 ? 0 : static_cast<int>(pos));
}

inline void ReportStepDone(ProgressTargets* p) {
    if (p) p->AdvanceTotal();
}

// The positions of a loop over the indices first, first + 1, ... that reports
// (index + offset) * 100 div divisor after each index. Work split over several threads
// finishes its indices out of order; the driving thread then catches up, reporting
// every position in order, so the bar shows the same sequence a single loop would.
class StepPositions {
public:
    StepPositions(ProgressTargets* progress, long long first, long long offset, long long divisor)
        : progress_(divisor > 0 ? progress : nullptr), next_(first), offset_(offset), divisor_(divisor) {}

    // Reports every index from the last one reported up to and including `index`,
    // stopping at a cancel as the loop it stands for would.
    void ReportUpTo(long long index) {
        if (!progress_) return;
        for (; next_ <= index && !Cancelled(); ++next_) ReportStep(progress_, next_ + offset_, divisor_);
    }

private:
    ProgressTargets* progress_;
    long long next_;
    long long offset_;
    long long divisor_;
};

}  // namespace velmora

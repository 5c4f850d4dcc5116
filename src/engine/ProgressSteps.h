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

}  // namespace velmora

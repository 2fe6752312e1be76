#include "main/progressthrottle.h"

bool ProgressThrottle::Due(float p, double now) {
    if (p > 0.0f && p < 1.0f && now - lastDraw_ < interval_) return false;
    lastDraw_ = now;
    return true;
}

#include "cover/CoverFont.h"

#include "cover/MulDivRound.h"

namespace {

int32_t UsableDpi(int32_t dpi) {
    return dpi > 0 ? dpi : kPointsPerInch;
}

}  // namespace

int32_t PointsToScreenPixels(int32_t height, int32_t screenDpi) {
    return MulDivRound(height, UsableDpi(screenDpi), kPointsPerInch);
}

int32_t ScreenPixelsToPoints(int32_t height, int32_t screenDpi) {
    return MulDivRound(height, kPointsPerInch, UsableDpi(screenDpi));
}

#include "cover/PictureChoice.h"

#include <algorithm>

CPicturePreviewPlan PlanPicturePreview(const CCoverRect& frame, int32_t pictureWidth,
                                       int32_t pictureHeight) {
    CPicturePreviewPlan plan;
    plan.fill = CCoverRect{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    plan.pictureLoaded = pictureWidth > 0 && pictureHeight > 0;
    const int64_t fw = plan.fill.Width();
    const int64_t fh = plan.fill.Height();
    if (!plan.pictureLoaded || fw <= 0 || fh <= 0) {
        plan.picture = CCoverRect{plan.fill.left, plan.fill.top, plan.fill.left, plan.fill.top};
        return plan;
    }
    int64_t w = pictureWidth;
    int64_t h = pictureHeight;
    if (w > fw || h > fh) {
        // The side that overflows most sets the scale; the other follows, at least a pixel.
        if (w * fh >= h * fw) {
            h = std::max<int64_t>(1, h * fw / w);
            w = fw;
        } else {
            w = std::max<int64_t>(1, w * fh / h);
            h = fh;
        }
    }
    const auto left = static_cast<int32_t>(plan.fill.left + (fw - w) / 2);
    const auto top = static_cast<int32_t>(plan.fill.top + (fh - h) / 2);
    plan.picture =
        CCoverRect{left, top, left + static_cast<int32_t>(w), top + static_cast<int32_t>(h)};
    return plan;
}

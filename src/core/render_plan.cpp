#include "render_plan.h"

#include <algorithm>
#include <cmath>

namespace pictavo::detail {

namespace {

std::int64_t roundedAtLeastOne(double value)
{
    return std::max<std::int64_t>(std::llround(value), 1);
}

} // namespace

RenderPlan planRender(PixelSize upright, const ResizeSettings& settings)
{
    RenderPlan plan;
    plan.canvas = canvasSize(upright, settings);
    plan.crop = {0, 0, upright.width, upright.height};
    const DrawRect rect = drawRect(upright, plan.canvas, settings.mode);

    switch (settings.mode) {
    case ResizeMode::stretch:
        plan.scaled = plan.canvas;
        break;
    case ResizeMode::fit:
        plan.scaled = {std::min(roundedAtLeastOne(rect.width), plan.canvas.width),
                       std::min(roundedAtLeastOne(rect.height), plan.canvas.height)};
        plan.offset = {(plan.canvas.width - plan.scaled.width) / 2,
                       (plan.canvas.height - plan.scaled.height) / 2};
        break;
    case ResizeMode::fill: {
        // The part of the image that lands on the canvas, centred, in image pixels.
        const double scale = rect.width / static_cast<double>(upright.width);
        const std::int64_t cropWidth = std::clamp<std::int64_t>(
            std::llround(static_cast<double>(plan.canvas.width) / scale), 1, upright.width);
        const std::int64_t cropHeight = std::clamp<std::int64_t>(
            std::llround(static_cast<double>(plan.canvas.height) / scale), 1, upright.height);
        plan.crop = {(upright.width - cropWidth) / 2, (upright.height - cropHeight) / 2, cropWidth,
                     cropHeight};
        plan.scaled = plan.canvas;
        break;
    }
    }
    return plan;
}

PixelRect transposed(const PixelRect& rect)
{
    return {rect.top, rect.left, rect.height, rect.width};
}

int jpegShrinkFactor(const PixelRect& crop, PixelSize scaled)
{
    for (int factor : {8, 4, 2})
        if (crop.width / factor >= scaled.width && crop.height / factor >= scaled.height)
            return factor;
    return 1;
}

} // namespace pictavo::detail

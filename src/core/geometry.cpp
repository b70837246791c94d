#include "geometry.h"

#include <algorithm>

namespace pictavo {

std::int64_t decodeBound(std::optional<std::int64_t> headerWidth,
                         std::optional<std::int64_t> headerHeight, const ResizeSettings& settings)
{
    return std::max({headerWidth.value_or(settings.width), headerHeight.value_or(settings.height),
                     settings.width, settings.height});
}

PixelSize canvasSize(PixelSize image, const ResizeSettings& settings)
{
    const PixelSize target{std::max<std::int64_t>(settings.width, 1),
                           std::max<std::int64_t>(settings.height, 1)};
    const bool fitsInside = image.width <= target.width && image.height <= target.height;
    if (settings.preventUpscaling && fitsInside)
        return image;
    return target;
}

DrawRect drawRect(PixelSize image, PixelSize canvas, ResizeMode mode)
{
    const double canvasWidth = static_cast<double>(canvas.width);
    const double canvasHeight = static_cast<double>(canvas.height);
    if (mode == ResizeMode::stretch)
        return {0, 0, canvasWidth, canvasHeight};

    const double horizontal = canvasWidth / static_cast<double>(image.width);
    const double vertical = canvasHeight / static_cast<double>(image.height);
    const double scale =
        mode == ResizeMode::fit ? std::min(horizontal, vertical) : std::max(horizontal, vertical);
    const double width = static_cast<double>(image.width) * scale;
    const double height = static_cast<double>(image.height) * scale;
    return {(canvasWidth - width) * 0.5, (canvasHeight - height) * 0.5, width, height};
}

} // namespace pictavo

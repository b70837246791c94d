#include "renderer.h"

#include "colour.h"
#include "jpeg_decoder.h"
#include "jpeg_integrity.h"
#include "processing_error.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace pictavo::detail {

namespace {

// The crop rectangle in the coordinates of an image decoded at reduced scale.
PixelRect scaledCrop(const PixelRect& crop, PixelSize stored, const vips::VImage& decoded)
{
    const double sx = static_cast<double>(decoded.width()) / static_cast<double>(stored.width);
    const double sy = static_cast<double>(decoded.height()) / static_cast<double>(stored.height);
    PixelRect result;
    result.left =
        std::min<std::int64_t>(static_cast<std::int64_t>(crop.left * sx), decoded.width() - 1);
    result.top =
        std::min<std::int64_t>(static_cast<std::int64_t>(crop.top * sy), decoded.height() - 1);
    result.width = std::clamp<std::int64_t>(static_cast<std::int64_t>(crop.width * sx), 1,
                                            decoded.width() - result.left);
    result.height = std::clamp<std::int64_t>(static_cast<std::int64_t>(crop.height * sy), 1,
                                             decoded.height() - result.top);
    return result;
}

// Resampling can land one pixel off the wanted size; pad by repeating the edge, or trim.
vips::VImage exactly(const vips::VImage& image, PixelSize size)
{
    const int width = static_cast<int>(size.width);
    const int height = static_cast<int>(size.height);
    if (image.width() == width && image.height() == height)
        return image;
    if (image.width() >= width && image.height() >= height)
        return image.extract_area(0, 0, width, height);
    return image
        .embed(0, 0, std::max(width, image.width()), std::max(height, image.height()),
               vips::VImage::option()->set("extend", VIPS_EXTEND_COPY))
        .extract_area(0, 0, width, height);
}

// Lanczos resampling of premultiplied pixels, so transparent neighbours add no dark fringe.
vips::VImage resample(vips::VImage image, PixelSize size)
{
    const double horizontal = static_cast<double>(size.width) / image.width();
    const double vertical = static_cast<double>(size.height) / image.height();
    if (horizontal == 1.0 && vertical == 1.0)
        return image;
    const bool alpha = hasAlpha(image);
    const VipsBandFormat format = image.format();
    const double alphaMax = maxAlpha(image);
    if (alpha)
        image = image.premultiply(vips::VImage::option()->set("max_alpha", alphaMax));
    image = image.resize(
        horizontal,
        vips::VImage::option()->set("vscale", vertical)->set("kernel", VIPS_KERNEL_LANCZOS3));
    image = exactly(image, size);
    if (alpha) {
        image = image.unpremultiply(vips::VImage::option()->set("max_alpha", alphaMax));
        // Only integer samples are rounded: float samples run from 0 to 1.
        if (!vips_band_format_isfloat(format))
            image = image.round(VIPS_OPERATION_ROUND_RINT);
        image = image.cast(format);
    }
    return image;
}

vips::VImage place(vips::VImage image, const RenderPlan& plan, WrittenType type)
{
    const bool transparentMargins = supportsTransparency(type);
    if (!transparentMargins && hasAlpha(image))
        image = image
                    .flatten(vips::VImage::option()
                                 ->set("background", std::vector<double>{255, 255, 255})
                                 ->set("max_alpha", 255.0))
                    .cast(VIPS_FORMAT_UCHAR);
    if (plan.hasMargins()) {
        if (transparentMargins && !hasAlpha(image))
            image = image.bandjoin_const({255});
        const std::vector<double> background = transparentMargins
                                                   ? std::vector<double>{0, 0, 0, 0}
                                                   : std::vector<double>{255, 255, 255};
        image =
            image.embed(static_cast<int>(plan.offset.width), static_cast<int>(plan.offset.height),
                        static_cast<int>(plan.canvas.width), static_cast<int>(plan.canvas.height),
                        vips::VImage::option()
                            ->set("extend", VIPS_EXTEND_BACKGROUND)
                            ->set("background", background));
    }
    return exactly(image, plan.canvas)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// Renders a lazily built pipeline into memory. This is where the decoder runs, so a failure
// here means the source's pixel data is damaged.
vips::VImage materialise(const vips::VImage& image)
{
    try {
        return image.copy_memory();
    } catch (const vips::VError&) {
        vips_error_clear();
        throw ProcessingError(ProcessingError::cannotRead);
    }
}

// A JPEG's pixels at 1/`shrink` scale, judged for damage. One decode does both where its
// pixels fit in memory; larger ones are checked first and then streamed by libvips.
DecodedSource decodedJpeg(VipsBlob* bytes, const SourceImage& source, int shrink)
{
    const std::span<const unsigned char> file = bytesOf(bytes);
    if (std::optional<vips::VImage> decoded = decodeJpegSource(file, source.image, shrink))
        return {*decoded, shrink, true};
    if (!jpegIsIntact(file.data(), file.size()))
        throw ProcessingError(ProcessingError::cannotRead);
    // Opened afresh even at full scale: the header's image streams its pixels once only, and
    // a PNG whose profile libpng refused is rendered a second time.
    const std::optional<SourceImage> reduced = openSource(bytes, source.family, shrink);
    if (!reduced)
        throw ProcessingError(ProcessingError::cannotRead);
    return {reduced->image, shrink, false};
}

// The plan's crop and scaled size in the source's stored orientation, where decoding happens.
std::pair<PixelRect, PixelSize> storedGeometry(const SourceImage& source, const RenderPlan& plan)
{
    if (source.turnsQuarter())
        return {transposed(plan.crop), {plan.scaled.height, plan.scaled.width}};
    return {plan.crop, plan.scaled};
}

// The source's pixels as the plan needs them: a JPEG decoded at the DCT scale the plan allows,
// the others as their loader streams them.
DecodedSource decoded(VipsBlob* bytes, const SourceImage& source, int shrink)
{
    if (source.family == SourceFamily::jpeg)
        return decodedJpeg(bytes, source, shrink);
    return {source.image, 1, false};
}

RenderedCanvas render(const DecodedSource& decoded, const SourceImage& source,
                      const RenderPlan& plan, WrittenType type, bool keepRgbProfile)
{
    const auto [crop, scaled] = storedGeometry(source, plan);
    vips::VImage image = decoded.image;
    const PixelRect decodedCrop =
        decoded.shrink > 1 ? scaledCrop(crop, source.stored, image) : crop;
    try {
        if (decodedCrop.width != image.width() || decodedCrop.height != image.height())
            image = image.extract_area(
                static_cast<int>(decodedCrop.left), static_cast<int>(decodedCrop.top),
                static_cast<int>(decodedCrop.width), static_cast<int>(decodedCrop.height));
        image = resample(image, scaled);
        const OutputColour colour = toOutputColour(image, keepRgbProfile);
        image = colour.image;
        // Turning needs the whole (already reduced) image; the decoder only streams forward.
        if (source.orientation != 1)
            image = applyOrientation(materialise(image), source.orientation);
        return {materialise(place(image, plan, type)), colour.profileKept};
    } catch (const vips::VError&) {
        vips_error_clear();
        throw ProcessingError(ProcessingError::cannotCreate);
    }
}

} // namespace

int decodeShrink(const SourceImage& source, const RenderPlan& plan)
{
    if (source.family != SourceFamily::jpeg)
        return 1;
    const auto [crop, scaled] = storedGeometry(source, plan);
    return jpegShrinkFactor(crop, scaled);
}

RenderedCanvas renderCanvas(VipsBlob* bytes, const SourceImage& source, const RenderPlan& plan,
                            WrittenType type, bool keepRgbProfile)
{
    return render(decoded(bytes, source, decodeShrink(source, plan)), source, plan, type,
                  keepRgbProfile);
}

DecodedSource decodeSource(VipsBlob* bytes, const SourceImage& source, int shrink)
{
    DecodedSource result = decoded(bytes, source, shrink);
    if (!result.inMemory)
        result = {materialise(result.image), result.shrink, true};
    return result;
}

RenderedCanvas renderDecoded(const DecodedSource& decoded, const SourceImage& source,
                             const RenderPlan& plan, WrittenType type, bool keepRgbProfile)
{
    // A size smaller than the one the pixels were decoded for: the decoder's own scaling for
    // it (libjpeg's DCT scaling comes close to averaging blocks) is stood in for by a box
    // shrink, which also spares the resampler most of the pixels.
    const int wanted = decodeShrink(source, plan);
    if (wanted > decoded.shrink) {
        try {
            const int factor = wanted / decoded.shrink;
            return render({decoded.image.shrink(factor, factor), wanted, true}, source, plan, type,
                          keepRgbProfile);
        } catch (const vips::VError&) {
            vips_error_clear();
            throw ProcessingError(ProcessingError::cannotCreate);
        }
    }
    return render(decoded, source, plan, type, keepRgbProfile);
}

bool derivable(const RenderPlan& larger, const RenderPlan& plan)
{
    return larger.crop == plan.crop && larger.scaled.width >= plan.scaled.width &&
           larger.scaled.height >= plan.scaled.height;
}

RenderedCanvas renderFromLarger(const RenderedCanvas& larger, const RenderPlan& largerPlan,
                                const RenderPlan& plan, WrittenType type)
{
    try {
        // The picture without the larger canvas's margins.
        const vips::VImage picture =
            largerPlan.hasMargins()
                ? larger.pixels.extract_area(static_cast<int>(largerPlan.offset.width),
                                             static_cast<int>(largerPlan.offset.height),
                                             static_cast<int>(largerPlan.scaled.width),
                                             static_cast<int>(largerPlan.scaled.height))
                : larger.pixels;
        return {materialise(place(resample(picture, plan.scaled), plan, type)), larger.profileKept};
    } catch (const vips::VError&) {
        vips_error_clear();
        throw ProcessingError(ProcessingError::cannotCreate);
    }
}

} // namespace pictavo::detail

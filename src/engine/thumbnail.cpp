#include "thumbnail.h"

#include "image_processor.h"
#include "regular_file.h"
#include "source_image.h"

namespace pictavo {

namespace {

struct ThreadStateRelease {
    ~ThreadStateRelease() { detail::releaseThreadState(); }
};

// Any band layout and depth as 8-bit sRGB with an alpha band.
vips::VImage asRgba(vips::VImage image)
{
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.format() != VIPS_FORMAT_UCHAR)
        image = image.cast(VIPS_FORMAT_UCHAR);
    if (image.bands() == 3)
        image = image.bandjoin_const({255});
    return image;
}

// The upright image scaled into `width` × `height`: cropped to fill it, or whole within it
// and never enlarged.
std::optional<Thumbnail> render(const std::filesystem::path& path, int width, int height, bool crop)
{
    if (width < 1 || height < 1)
        return std::nullopt;
    detail::ensureVipsStarted();
    const ThreadStateRelease release;
    // Opened once and read whole: a FIFO at the path would block a loader's open, a device
    // would never end, and a mapped file cut meanwhile would end the process.
    detail::RegularFile file(path);
    const detail::OwnedBlob bytes = detail::readBlob(file, ImageProcessor::kMaxSourceFileBytes);
    if (!bytes)
        return std::nullopt;
    // The header decides first: the family must be one the engine reads (thumbnail would try
    // every loader), and sizes that a conversion refuses are not decoded for a preview either.
    const std::optional<detail::SourceImage> header = detail::openSource(bytes.get());
    if (!header || header->stored.width > ImageProcessor::kMaxSourceSide ||
        header->stored.height > ImageProcessor::kMaxSourceSide ||
        header->stored.width > ImageProcessor::kMaxSourcePixels / header->stored.height)
        return std::nullopt;
    try {
        // Shrink-on-load and embedded previews keep this far cheaper than a full decode; a
        // damaged file fails instead of showing grey stripes.
        // From a source or a buffer, libvips hands its loader only the option string, not
        // the thumbnail's own fail_on.
        vips::VOption* options =
            vips::VImage::option()
                ->set("height", height)
                ->set("crop", crop ? VIPS_INTERESTING_CENTRE : VIPS_INTERESTING_NONE)
                ->set("size", crop ? VIPS_SIZE_BOTH : VIPS_SIZE_DOWN)
                ->set("fail_on", VIPS_FAIL_ON_ERROR)
                ->set("option_string", "fail_on=error");
        vips::VImage image = vips::VImage::thumbnail_source(
            vips::VSource::new_from_blob(bytes.get()), width, options);
        image = asRgba(image);
        if (image.bands() != 4)
            return std::nullopt;
        std::size_t length = 0;
        void* memory = image.write_to_memory(&length);
        Thumbnail result{image.width(), image.height(), {}};
        const auto* bytes = static_cast<const std::uint8_t*>(memory);
        result.rgba.assign(bytes, bytes + length);
        g_free(memory);
        if (result.rgba.size() != std::size_t(result.width) * std::size_t(result.height) * 4)
            return std::nullopt;
        return result;
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

} // namespace

std::optional<Thumbnail> makeThumbnail(const std::filesystem::path& path, int width, int height)
{
    return render(path, width, height, true);
}

std::optional<Thumbnail> makePreview(const std::filesystem::path& path, int longSide)
{
    return render(path, longSide, longSide, false);
}

} // namespace pictavo

#include "source_image.h"

#include "image_processor.h"

namespace pictavo::detail {

namespace {

int orientationOf(const vips::VImage& image)
{
    // HEIF rotation boxes are already applied by libheif, and libvips drops the EXIF
    // orientation of HEIF images so that it is not applied a second time.
    if (vips_image_get_typeof(image.get_image(), VIPS_META_ORIENTATION) == 0)
        return 1;
    int orientation = 1;
    if (vips_image_get_int(image.get_image(), VIPS_META_ORIENTATION, &orientation) != 0) {
        vips_error_clear();
        return 1;
    }
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// Every loader reads `source`: the file the engine opened, or the bytes it read from one.
std::optional<SourceImage> load(const vips::VSource& source, SourceFamily family, int jpegShrink)
{
    try {
        // Sequential access streams the pixels top to bottom in small strips; damaged
        // data fails the render instead of turning silently into grey pixels.
        vips::VOption* options = vips::VImage::option()
                                     ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                     ->set("fail_on", VIPS_FAIL_ON_ERROR);
        // The family's own loader: a generic load would search all loaders a second time.
        vips::VImage image;
        switch (family) {
        case SourceFamily::jpeg:
            if (jpegShrink > 1)
                options->set("shrink", jpegShrink);
            image = vips::VImage::jpegload_source(source, options);
            break;
        case SourceFamily::png:
            image = vips::VImage::pngload_source(source, options);
            break;
        case SourceFamily::heif:
            image = vips::VImage::heifload_source(source, options);
            break;
        case SourceFamily::tiff:
            image = vips::VImage::tiffload_source(source, options);
            break;
        case SourceFamily::webp:
            image = vips::VImage::webpload_source(source, options);
            break;
        }
        if (image.width() < 1 || image.height() < 1)
            return std::nullopt;
        return SourceImage{image, family, orientationOf(image), {image.width(), image.height()}};
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

} // namespace

std::optional<SourceImage> openSource(RegularFile& file)
{
    if (!file.isOpen())
        return std::nullopt;
    try {
        // libvips keeps a duplicate of the descriptor for as long as the source lives.
        const vips::VSource source = vips::VSource::new_from_descriptor(file.descriptor());
        const std::optional<SourceFamily> family = sniffFamily(source);
        if (family != SourceFamily::webp)
            return family ? load(source, *family, 1) : std::nullopt;
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
    // libvips would map the file to read a WebP's header.
    const OwnedBlob bytes = readBlob(file, ImageProcessor::kMaxSourceFileBytes);
    return bytes ? openSource(bytes.get(), SourceFamily::webp) : std::nullopt;
}

std::optional<SourceImage> openSource(VipsBlob* bytes)
{
    try {
        const vips::VSource source = vips::VSource::new_from_blob(bytes);
        const std::optional<SourceFamily> family = sniffFamily(source);
        return family ? load(source, *family, 1) : std::nullopt;
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

std::optional<SourceImage> openSource(VipsBlob* bytes, SourceFamily family, int jpegShrink)
{
    try {
        return load(vips::VSource::new_from_blob(bytes), family, jpegShrink);
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

vips::VImage applyOrientation(const vips::VImage& image, int orientation)
{
    // EXIF orientation n means: to show the picture upright, apply this to the stored pixels.
    switch (orientation) {
    case 2:
        return image.fliphor();
    case 3:
        return image.rot180();
    case 4:
        return image.flipver();
    case 5: // transpose
        return image.rot90().fliphor();
    case 6:
        return image.rot90();
    case 7: // transverse
        return image.rot270().fliphor();
    case 8:
        return image.rot270();
    default:
        return image;
    }
}

} // namespace pictavo::detail

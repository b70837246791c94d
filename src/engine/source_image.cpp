#include "source_image.h"

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

// The pixels decode later, from the blob: it lives as long as the image does.
vips::VImage webpFromMemory(OwnedBlob blob, vips::VOption* options)
{
    vips::VImage image = vips::VImage::webpload_buffer(blob.get(), options);
    g_object_set_data_full(G_OBJECT(image.get_image()), "pictavo-source-bytes", blob.release(),
                           [](gpointer blob) { vips_area_unref(VIPS_AREA(blob)); });
    return image;
}

// Every loader reads `source`, the file the engine opened (WebP excepted: from memory).
std::optional<SourceImage> load(const vips::VSource& source, const std::filesystem::path& path,
                                SourceFamily family, int jpegShrink)
{
    OwnedBlob webp;
    if (family == SourceFamily::webp && !(webp = readBlob(path)))
        return std::nullopt;
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
            image = webpFromMemory(std::move(webp), options);
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

std::optional<SourceImage> openSource(const std::filesystem::path& path)
{
    const std::optional<vips::VSource> source = openRegularSource(path);
    const std::optional<SourceFamily> family = source ? sniffFamily(*source) : std::nullopt;
    return family ? load(*source, path, *family, 1) : std::nullopt;
}

std::optional<SourceImage> openSource(const std::filesystem::path& path, SourceFamily family,
                                      int jpegShrink)
{
    const std::optional<vips::VSource> source = openRegularSource(path);
    return source ? load(*source, path, family, jpegShrink) : std::nullopt;
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

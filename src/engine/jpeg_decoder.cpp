#include "jpeg_decoder.h"

#include "jpeg_integrity.h"
#include "processing_error.h"

#include <algorithm>
#include <utility>

namespace pictavo::detail {

namespace {

void freePixels(VipsImage*, gpointer bytes)
{
    std::free(bytes);
}

// Every metadata field of the header, so that colour handling and writing see the same
// profile, EXIF and orientation fields as on a libvips-loaded image. Fields the new image
// already has (its size, format and the like) stay its own.
void copyMetadata(const vips::VImage& header, VipsImage* image)
{
    gchar** fields = vips_image_get_fields(header.get_image());
    for (gchar** field = fields; field != nullptr && *field != nullptr; ++field) {
        if (vips_image_get_typeof(image, *field) != 0)
            continue;
        GValue value = G_VALUE_INIT;
        if (vips_image_get(header.get_image(), *field, &value) == 0) {
            vips_image_set(image, *field, &value);
            g_value_unset(&value);
        }
    }
    g_strfreev(fields);
    vips_error_clear();
}

} // namespace

std::optional<vips::VImage> decodeJpegSource(std::span<const unsigned char> file,
                                             const vips::VImage& header, int shrink)
{
    JpegPixels pixels;
    switch (decodeJpeg(file.data(), file.size(), shrink, kMaxOnePassJpegBytes, pixels)) {
    case JpegDecode::damaged:
        throw ProcessingError(ProcessingError::cannotRead);
    case JpegDecode::tooLarge:
        return std::nullopt;
    case JpegDecode::intact:
        break;
    }
    return jpegSourceImage(std::move(pixels), header, shrink);
}

vips::VImage jpegSourceImage(JpegPixels pixels, const vips::VImage& header, int shrink)
{
    // Pixels that libjpeg and libvips' header read differently are not the source's.
    if (pixels.bands != header.bands())
        throw ProcessingError(ProcessingError::cannotRead);
    const std::size_t size =
        std::size_t(pixels.width) * std::size_t(pixels.height) * std::size_t(pixels.bands);
    // libvips inverts every CMYK JPEG, with or without Adobe's marker: nearly all of them come
    // from Adobe's programs, which store 0 for full ink.
    if (pixels.cmyk)
        for (unsigned char* byte = pixels.bytes.get(); byte != pixels.bytes.get() + size; ++byte)
            *byte = static_cast<unsigned char>(255 - *byte);

    VipsImage* image = vips_image_new_from_memory(pixels.bytes.get(), size, pixels.width,
                                                  pixels.height, pixels.bands, VIPS_FORMAT_UCHAR);
    if (image == nullptr) {
        vips_error_clear();
        throw ProcessingError(ProcessingError::cannotRead);
    }
    g_signal_connect(image, "postclose", G_CALLBACK(freePixels), pixels.bytes.release());
    copyMetadata(header, image);
    vips::VImage decoded(image);
    // libjpeg rounds a scaled side up, libvips down, dropping the last column or row that
    // holds the remainder of the stored side.
    const int width = std::max(1, header.width() / shrink);
    const int height = std::max(1, header.height() / shrink);
    if (decoded.width() > width || decoded.height() > height)
        decoded = decoded.extract_area(0, 0, std::min(width, decoded.width()),
                                       std::min(height, decoded.height()));
    return decoded.copy(vips::VImage::option()
                            ->set("interpretation", header.interpretation())
                            ->set("xres", header.xres())
                            ->set("yres", header.yres()));
}

} // namespace pictavo::detail

#include "image_writer.h"

#include "heic_writer.h"
#include "processing_error.h"
#include "webp_writer.h"

#include <glib.h>

namespace pictavo::detail {

namespace {

Bytes blob(const vips::VImage& image, const char* name)
{
    if (vips_image_get_typeof(image.get_image(), name) == 0)
        return {};
    const void* data = nullptr;
    size_t length = 0;
    if (vips_image_get_blob(image.get_image(), name, &data, &length) != 0) {
        vips_error_clear();
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    return Bytes(bytes, bytes + length);
}

void setBlob(vips::VImage& image, const char* name, const Bytes& bytes)
{
    if (!bytes.empty())
        vips_image_set_blob_copy(image.get_image(), name, bytes.data(), bytes.size());
}

// A fresh header over the canvas pixels holding exactly the metadata to be written: the
// pipeline carries every field of the source, including the parsed "exif-ifd…" strings that
// libvips would otherwise write back over the normalised EXIF block.
vips::VImage withMetadata(const vips::VImage& canvas, const EncodedMetadata& metadata)
{
    vips::VImage image = canvas.copy();
    gchar** fields = vips_image_get_fields(image.get_image());
    for (gchar** field = fields; field != nullptr && *field != nullptr; ++field)
        vips_image_remove(image.get_image(), *field);
    g_strfreev(fields);
    setBlob(image, VIPS_META_EXIF_NAME, metadata.exif);
    setBlob(image, VIPS_META_XMP_NAME, metadata.xmp);
    setBlob(image, VIPS_META_IPTC_NAME, metadata.iptc);
    setBlob(image, VIPS_META_ICC_NAME, metadata.icc);
    image.set(VIPS_META_ORIENTATION, 1);
    return image;
}

// libvips' encoders into memory: a saver writing to a file by itself would leave the checking
// of its writes to libvips, and the file half-written by the time an error comes.
Bytes save(const vips::VImage& image, Encoder encoder, int quality, bool strip)
{
    try {
        VipsBlob* blob = nullptr;
        switch (encoder) {
        case Encoder::vipsJpeg:
            blob = image.jpegsave_buffer(
                vips::VImage::option()->set("Q", quality)->set("strip", strip));
            break;
        case Encoder::vipsPng:
            blob = image.pngsave_buffer(vips::VImage::option()->set("strip", strip));
            break;
        case Encoder::vipsTiff:
            blob =
                image.tiffsave_buffer(vips::VImage::option()
                                          ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW)
                                          ->set("predictor", VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL)
                                          ->set("strip", strip));
            break;
        case Encoder::webp:
        case Encoder::heifHevc:
        case Encoder::heifAv1:
            throw ProcessingError(ProcessingError::cannotCreate);
        }
        const OwnedBlob owned(blob);
        std::size_t length = 0;
        const auto* data = static_cast<const unsigned char*>(vips_blob_get(blob, &length));
        return Bytes(data, data + length);
    } catch (const vips::VError&) {
        vips_error_clear();
        throw ProcessingError(ProcessingError::cannotCreate);
    }
}

} // namespace

EncodedMetadata metadataFor(const vips::VImage& source, std::int64_t width, std::int64_t height,
                            bool withProfile)
{
    EncodedMetadata metadata;
    const Bytes exif = blob(source, VIPS_META_EXIF_NAME);
    if (!exif.empty())
        metadata.exif = normalizedExif(exif.data(), exif.size(), width, height);
    metadata.xmp = blob(source, VIPS_META_XMP_NAME);
    metadata.iptc = blob(source, VIPS_META_IPTC_NAME);
    if (withProfile)
        metadata.icc = blob(source, VIPS_META_ICC_NAME);
    return metadata;
}

bool hasEmbeddedProfile(const Bytes& file)
{
    try {
        const vips::VImage written = vips::VImage::new_from_buffer(file.data(), file.size(), "");
        return !blob(written, VIPS_META_ICC_NAME).empty();
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
}

Bytes encodeImage(const vips::VImage& canvas, WrittenType type, int quality,
                  const std::optional<EncodedMetadata>& metadata)
{
    const Encoder encoder = traitsOf(type).encoder;
    if (encoder == Encoder::heifHevc || encoder == Encoder::heifAv1)
        return encodeHeif(canvas, encoder == Encoder::heifAv1 ? HeifCodec::av1 : HeifCodec::hevc,
                          quality, metadata.value_or(EncodedMetadata{}));
    const EncodedMetadata none;
    if (encoder == Encoder::webp)
        return encodeWebp(withMetadata(canvas, metadata.value_or(none)), quality,
                          !metadata.has_value());
    return save(withMetadata(canvas, metadata.value_or(none)), encoder, quality,
                !metadata.has_value());
}

} // namespace pictavo::detail

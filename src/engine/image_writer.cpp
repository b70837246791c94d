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

void save(const vips::VImage& image, WrittenType type, int quality, bool strip,
          const std::filesystem::path& file)
{
    try {
        switch (type) {
        case WrittenType::jpeg:
            image.jpegsave(file.c_str(),
                           vips::VImage::option()->set("Q", quality)->set("strip", strip));
            break;
        case WrittenType::png:
            image.pngsave(file.c_str(), vips::VImage::option()->set("strip", strip));
            break;
        case WrittenType::tiff:
            image.tiffsave(file.c_str(),
                           vips::VImage::option()
                               ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW)
                               ->set("predictor", VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL)
                               ->set("strip", strip));
            break;
        case WrittenType::webp:
        case WrittenType::heic:
        case WrittenType::avif:
            break;
        }
    } catch (const vips::VError&) {
        vips_error_clear();
        throw ProcessingError(ProcessingError::cannotWrite);
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

bool hasEmbeddedProfile(const std::filesystem::path& file)
{
    try {
        const vips::VImage written = vips::VImage::new_from_file(file.c_str());
        return !blob(written, VIPS_META_ICC_NAME).empty();
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
}

void writeImage(const vips::VImage& canvas, WrittenType type, int quality,
                const std::optional<EncodedMetadata>& metadata, const std::filesystem::path& file)
{
    if (type == WrittenType::heic || type == WrittenType::avif) {
        writeHeif(canvas, type == WrittenType::avif ? HeifCodec::av1 : HeifCodec::hevc, quality,
                  metadata.value_or(EncodedMetadata{}), file);
        return;
    }
    const EncodedMetadata none;
    if (type == WrittenType::webp) {
        writeWebp(withMetadata(canvas, metadata.value_or(none)), quality, !metadata.has_value(),
                  file);
        return;
    }
    save(withMetadata(canvas, metadata.value_or(none)), type, quality, !metadata.has_value(), file);
}

} // namespace pictavo::detail

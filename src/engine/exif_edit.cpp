#include "exif_edit.h"

#include <cstdlib>
#include <cstring>
#include <libexif/exif-data.h>
#include <memory>

namespace pictavo::detail {

namespace {

struct ExifDataRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifDataPtr = std::unique_ptr<ExifData, ExifDataRelease>;

ExifDataPtr parse(const unsigned char* data, std::size_t size)
{
    if (data == nullptr || size < 8 || size > 0xFFFFFFFFu)
        return nullptr;
    ExifDataPtr exif(exif_data_new());
    if (!exif)
        return nullptr;
    // PNG and WebP store the TIFF structure bare; libexif wants the APP1 header before it.
    Bytes withHeader;
    if (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0) {
        withHeader = {'E', 'x', 'i', 'f', 0, 0};
        withHeader.insert(withHeader.end(), data, data + size);
        data = withHeader.data();
        size = withHeader.size();
    }
    // Keep the block as the camera wrote it: no tags added for the standard's sake, none
    // dropped for being unknown.
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif.get(), data, static_cast<unsigned int>(size));
    bool anyEntry = false;
    for (ExifContent* content : exif->ifd)
        anyEntry = anyEntry || (content != nullptr && content->count > 0);
    return anyEntry ? std::move(exif) : nullptr;
}

// Replaces (or adds) an entry with one of the given format holding one value.
void setNumber(ExifData* exif, ExifIfd ifd, ExifTag tag, ExifFormat format, std::uint32_t value)
{
    ExifContent* content = exif->ifd[ifd];
    if (ExifEntry* old = exif_content_get_entry(content, tag))
        exif_content_remove_entry(content, old);

    ExifEntry* entry = exif_entry_new();
    if (entry == nullptr)
        return;
    const unsigned int componentSize = exif_format_get_size(format);
    entry->data = static_cast<unsigned char*>(calloc(1, componentSize));
    if (entry->data == nullptr) {
        exif_entry_unref(entry);
        return;
    }
    entry->tag = tag;
    entry->format = format;
    entry->components = 1;
    entry->size = componentSize;
    const ExifByteOrder order = exif_data_get_byte_order(exif);
    if (format == EXIF_FORMAT_SHORT)
        exif_set_short(entry->data, order, static_cast<ExifShort>(value));
    else
        exif_set_long(entry->data, order, value);
    exif_content_add_entry(content, entry);
    exif_entry_unref(entry);
}

void setDimension(ExifData* exif, ExifTag tag, std::int64_t value)
{
    const auto clamped = static_cast<std::uint32_t>(value);
    setNumber(exif, EXIF_IFD_EXIF, tag, value > 0xFFFF ? EXIF_FORMAT_LONG : EXIF_FORMAT_SHORT,
              clamped);
}

// The embedded thumbnail shows the picture as it was before resizing, cropping and turning,
// and its IFD may still say "turned"; both go.
void dropThumbnail(ExifData* exif)
{
    ExifContent* thumbnailIfd = exif->ifd[EXIF_IFD_1];
    while (thumbnailIfd->count > 0)
        exif_content_remove_entry(thumbnailIfd, thumbnailIfd->entries[0]);
    // exif_data_new() allocates with malloc; the thumbnail is freed the same way.
    free(exif->data);
    exif->data = nullptr;
    exif->size = 0;
}

} // namespace

Bytes normalizedExif(const unsigned char* data, std::size_t size, std::int64_t width,
                     std::int64_t height)
{
    ExifDataPtr exif = parse(data, size);
    if (!exif)
        return {};
    setNumber(exif.get(), EXIF_IFD_0, EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, 1);
    dropThumbnail(exif.get());
    if (exif->ifd[EXIF_IFD_EXIF]->count > 0) {
        setDimension(exif.get(), EXIF_TAG_PIXEL_X_DIMENSION, width);
        setDimension(exif.get(), EXIF_TAG_PIXEL_Y_DIMENSION, height);
    }
    unsigned char* saved = nullptr;
    unsigned int savedSize = 0;
    exif_data_save_data(exif.get(), &saved, &savedSize);
    if (saved == nullptr)
        return {};
    Bytes result(saved, saved + savedSize);
    free(saved);
    return result;
}

int exifOrientation(const unsigned char* data, std::size_t size)
{
    ExifDataPtr exif = parse(data, size);
    if (!exif)
        return 0;
    ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry == nullptr || entry->format != EXIF_FORMAT_SHORT || entry->size < 2)
        return 0;
    return exif_get_short(entry->data, exif_data_get_byte_order(exif.get()));
}

} // namespace pictavo::detail

#include "jpeg_header.h"

#include "format_traits.h"
#include "regular_file.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <libexif/exif-data.h>
#include <memory>

namespace pictavo::detail {

namespace {

// Headers are read in steps: first this much, then up to the end of the segment that is still
// missing and this much beyond. A camera's header (an EXIF block with its preview, tables,
// frame) takes one or two reads. The cap keeps a crafted chain of segments from being read on
// the caller's thread; such rare headers (several ICC profile segments, say) go to libvips.
constexpr std::size_t kFirstRead = 16 * 1024;
constexpr std::size_t kMaxHeaderBytes = 1024 * 1024;

// The frame markers libjpeg-turbo decodes in its 8-bit build: baseline, extended, progressive,
// and their arithmetic-coded forms.
bool isSupportedFrame(unsigned char marker)
{
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
}

// Markers that libjpeg reads and passes over before the first scan. Anything else there
// (SOI again, EOI, lossless or hierarchical frames, reserved codes) makes it fail.
bool isPassedOver(unsigned char marker)
{
    return marker == 0xC4 || marker == 0xCC || marker == 0xDB || marker == 0xDC || marker == 0xDD ||
           marker == 0xFE || (marker >= 0xE0 && marker <= 0xEF);
}

// RSTn and TEM carry no length.
bool isStandalone(unsigned char marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

unsigned read16(const unsigned char* p)
{
    return (unsigned(p[0]) << 8) | p[1];
}

struct ExifDataRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

// The leading number of the text libvips makes of an entry (the raw characters of an ASCII
// entry, "6 " or "6/1 " for numbers, otherwise libexif's own rendering), as atoi() reads it.
int leadingNumber(ExifData* exif, ExifEntry* entry)
{
    std::array<char, 256> text{};
    if (entry->format == EXIF_FORMAT_ASCII) {
        std::memcpy(text.data(), entry->data, std::min<std::size_t>(entry->size, 254));
        return static_cast<int>(std::strtol(text.data(), nullptr, 10));
    }
    const ExifByteOrder order = exif_data_get_byte_order(exif);
    if (entry->components < 10 && entry->size >= exif_format_get_size(entry->format)) {
        switch (entry->format) {
        case EXIF_FORMAT_SHORT:
            return exif_get_short(entry->data, order);
        case EXIF_FORMAT_SSHORT:
            return exif_get_sshort(entry->data, order);
        case EXIF_FORMAT_LONG:
            return static_cast<int>(exif_get_long(entry->data, order));
        case EXIF_FORMAT_SLONG:
            return exif_get_slong(entry->data, order);
        case EXIF_FORMAT_RATIONAL:
            return static_cast<int>(exif_get_rational(entry->data, order).numerator);
        case EXIF_FORMAT_SRATIONAL:
            return exif_get_srational(entry->data, order).numerator;
        default:
            break;
        }
    }
    exif_entry_get_value(entry, text.data(), text.size());
    return static_cast<int>(std::strtol(text.data(), nullptr, 10));
}

// The orientation libvips takes from an APP1 payload that starts with "Exif": it loads the
// block with libexif, lets libexif fix the formats of its entries (an Orientation stored as a
// LONG or a BYTE becomes a SHORT), writes IFD0's entry out as text and reads the number back.
// Values outside 1..8 count as 1.
int orientationFromExif(std::span<const unsigned char> app1)
{
    const std::unique_ptr<ExifData, ExifDataRelease> exif(exif_data_new());
    if (!exif)
        return 1;
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif.get(), app1.data(), static_cast<unsigned int>(app1.size()));
    ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry == nullptr || entry->components == 0 || entry->data == nullptr)
        return 1;
    // libvips fixes the whole block (exif_data_fix); of that, only this entry's own fix can
    // change IFD0's orientation, and fixing the rest would cost more than reading the header.
    exif_entry_fix(entry);
    const int orientation = leadingNumber(exif.get(), entry);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// The frame header's fields as libjpeg checks them; nothing for a frame it refuses.
std::optional<JpegHeader> frameFrom(std::span<const unsigned char> segment)
{
    if (segment.size() < 6)
        return std::nullopt;
    const unsigned precision = segment[0];
    const std::int64_t height = read16(&segment[1]);
    const std::int64_t width = read16(&segment[3]);
    const std::size_t components = segment[5];
    // libjpeg refuses larger frames (JPEG_MAX_DIMENSION) when it reaches the first scan: the
    // same limit it sets on writing.
    const std::int64_t maxSide = traitsOf(WrittenType::jpeg).sides.longest;
    if (precision != 8 || width == 0 || height == 0 || width > maxSide || height > maxSide ||
        !(components == 1 || components == 3 || components == 4) ||
        segment.size() != 6 + 3 * components)
        return std::nullopt;
    for (std::size_t i = 0; i < components; ++i) {
        const unsigned sampling = segment[6 + 3 * i + 1];
        const unsigned horizontal = sampling >> 4;
        const unsigned vertical = sampling & 15;
        if (horizontal < 1 || horizontal > 4 || vertical < 1 || vertical > 4)
            return std::nullopt;
    }
    return JpegHeader{width, height, 1};
}

} // namespace

JpegHeaderScan scanJpegHeader(std::span<const unsigned char> bytes)
{
    // Offsets are checked against the size before any use; they stay below the size plus
    // 65,537, so no sum can wrap.
    const std::size_t size = bytes.size();
    if (size < 2)
        return {std::nullopt, 2};
    if (bytes[0] != 0xFF || bytes[1] != 0xD8)
        return {};

    std::optional<JpegHeader> frame;
    std::span<const unsigned char> exif;
    bool exifFound = false;
    std::size_t at = 2;
    for (;;) {
        if (at >= size)
            return {std::nullopt, at + 1};
        if (bytes[at] != 0xFF)
            return {}; // stray bytes, which libjpeg skips with a warning
        while (at < size && bytes[at] == 0xFF)
            ++at;
        if (at >= size)
            return {std::nullopt, at + 1};
        const unsigned char marker = bytes[at++];
        if (isStandalone(marker))
            continue;
        if (at + 2 > size)
            return {std::nullopt, at + 2};
        const std::size_t length = read16(&bytes[at]);
        if (length < 2)
            return {};
        const std::size_t end = at + length;
        const bool payloadNeeded =
            isSupportedFrame(marker) || marker == 0xDA || (marker == 0xE1 && !exifFound);
        if (payloadNeeded && end > size)
            return {std::nullopt, end};
        const std::span<const unsigned char> payload =
            payloadNeeded ? bytes.subspan(at + 2, length - 2) : std::span<const unsigned char>{};

        if (marker == 0xDA) {
            const std::size_t inScan = payload.empty() ? 0 : payload[0];
            if (!frame || inScan < 1 || inScan > 4 || length != 6 + 2 * inScan)
                return {};
            if (exifFound)
                frame->orientation = orientationFromExif(exif);
            return {frame, 0};
        }
        if (isSupportedFrame(marker)) {
            if (frame)
                return {}; // a second frame header
            frame = frameFrom(payload);
            if (!frame)
                return {};
        } else if (marker == 0xE1 && !exifFound) {
            // libvips keeps the first APP1 segment that starts with "Exif", whatever follows.
            if (payload.size() > 4 && std::memcmp(payload.data(), "Exif", 4) == 0) {
                exif = payload;
                exifFound = true;
            }
        } else if (!isPassedOver(marker)) {
            return {};
        }
        at = end;
    }
}

std::optional<JpegHeader> readJpegHeader(RegularFile& file)
{
    if (!file.isOpen())
        return std::nullopt;
    // Not zeroed: only the bytes read are looked at.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[kFirstRead]);
    std::size_t capacity = kFirstRead;
    std::size_t have = file.read(0, bytes.get(), capacity);
    for (;;) {
        const JpegHeaderScan scan = scanJpegHeader({bytes.get(), have});
        // A short read means the file ended: more bytes will not come.
        if (scan.header || scan.needed == 0 || have < capacity || scan.needed > kMaxHeaderBytes)
            return scan.header;
        // The segments after the one still missing are usually short.
        capacity = std::min(scan.needed + kFirstRead, kMaxHeaderBytes);
        std::unique_ptr<unsigned char[]> larger(new unsigned char[capacity]);
        std::memcpy(larger.get(), bytes.get(), have);
        bytes = std::move(larger);
        have += file.read(have, bytes.get() + have, capacity - have);
    }
}

} // namespace pictavo::detail

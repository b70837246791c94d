#include "jpeg_header.h"

#include <array>
#include <cstring>
#include <fstream>
#include <vector>

namespace pictavo::detail {

namespace {

// The frame markers libjpeg-turbo decodes in its 8-bit build: baseline, extended, progressive,
// and their arithmetic-coded forms.
bool isSupportedFrame(unsigned char marker)
{
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
}

bool isOtherFrame(unsigned char marker)
{
    return marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC &&
           !isSupportedFrame(marker);
}

unsigned read16(const unsigned char* p, bool bigEndian)
{
    return bigEndian ? (unsigned(p[0]) << 8) | p[1] : (unsigned(p[1]) << 8) | p[0];
}

std::uint32_t read32(const unsigned char* p, bool bigEndian)
{
    return bigEndian ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                           (std::uint32_t(p[2]) << 8) | p[3]
                     : (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) |
                           (std::uint32_t(p[1]) << 8) | p[0];
}

// The Orientation entry of IFD0 in an APP1 "Exif" payload; 1 when absent or invalid.
int orientationFromExif(const std::vector<unsigned char>& app1)
{
    constexpr std::size_t kHeader = 6; // "Exif\0\0"
    if (app1.size() < kHeader + 8 || std::memcmp(app1.data(), "Exif\0\0", kHeader) != 0)
        return 1;
    const unsigned char* tiff = app1.data() + kHeader;
    const std::size_t size = app1.size() - kHeader;
    const bool bigEndian = tiff[0] == 'M';
    if (!(tiff[0] == 'M' && tiff[1] == 'M') && !(tiff[0] == 'I' && tiff[1] == 'I'))
        return 1;
    const std::uint32_t ifd = read32(tiff + 4, bigEndian);
    if (ifd + 2 > size)
        return 1;
    const unsigned entries = read16(tiff + ifd, bigEndian);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        if (entry + 12 > size)
            return 1;
        if (read16(tiff + entry, bigEndian) != 0x0112)
            continue;
        const unsigned type = read16(tiff + entry + 2, bigEndian);
        const unsigned value = read16(tiff + entry + 8, bigEndian);
        return type == 3 && value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

} // namespace

std::optional<JpegHeader> readJpegHeader(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 2> start{};
    if (!in.read(reinterpret_cast<char*>(start.data()), 2) || start[0] != 0xFF || start[1] != 0xD8)
        return std::nullopt;

    JpegHeader header;
    bool orientationRead = false;
    // The frame header follows the application segments; a few dozen segments at most.
    for (int segment = 0; segment < 256; ++segment) {
        std::array<unsigned char, 4> marker{};
        if (!in.read(reinterpret_cast<char*>(marker.data()), 2) || marker[0] != 0xFF)
            return std::nullopt;
        while (marker[1] == 0xFF && in.read(reinterpret_cast<char*>(&marker[1]), 1)) {
        }
        if (!in.read(reinterpret_cast<char*>(marker.data() + 2), 2))
            return std::nullopt;
        const unsigned length = (unsigned(marker[2]) << 8) | marker[3];
        if (length < 2)
            return std::nullopt;
        const unsigned char code = marker[1];

        if (isSupportedFrame(code)) {
            std::array<unsigned char, 6> frame{};
            if (length < 8 || !in.read(reinterpret_cast<char*>(frame.data()), 6))
                return std::nullopt;
            const unsigned precision = frame[0];
            header.height = (std::int64_t(frame[1]) << 8) | frame[2];
            header.width = (std::int64_t(frame[3]) << 8) | frame[4];
            const unsigned components = frame[5];
            if (precision != 8 || header.width == 0 || header.height == 0 ||
                !(components == 1 || components == 3 || components == 4))
                return std::nullopt;
            return header;
        }
        if (isOtherFrame(code) || code == 0xDA || code == 0xD9)
            return std::nullopt; // lossless or hierarchical, or no frame before the scan

        if (code == 0xE1 && !orientationRead) {
            std::vector<unsigned char> payload(length - 2);
            if (!in.read(reinterpret_cast<char*>(payload.data()), std::streamsize(payload.size())))
                return std::nullopt;
            if (payload.size() >= 6 && std::memcmp(payload.data(), "Exif\0\0", 6) == 0) {
                header.orientation = orientationFromExif(payload);
                orientationRead = true;
            }
            continue;
        }
        if (!in.seekg(length - 2, std::ios::cur))
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace pictavo::detail

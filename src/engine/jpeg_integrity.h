#pragma once

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace pictavo::detail {

// Whether a JPEG's primary image decodes without damage. libjpeg reports a cut-off file, a
// zeroed stretch or a wrong Huffman code only as warnings and fills the missing part with
// grey; libvips turns those warnings into errors only now and then (hardly ever when the
// decode is DCT-scaled), so the engine runs the entropy decoder itself and sorts the warnings
// into damage and harmless quirks of real cameras. This check decodes at 1/8 scale.
bool jpegIsIntact(const unsigned char* data, std::size_t size);

struct FreeDeleter {
    void operator()(unsigned char* bytes) const { std::free(bytes); }
};

// A primary image as libjpeg gives it: rows of width × bands bytes, top to bottom.
struct JpegPixels {
    int width = 0;
    int height = 0;
    int bands = 0;
    bool cmyk = false; // as stored: 0 means full ink in what Adobe's programs write
    std::unique_ptr<unsigned char, FreeDeleter> bytes;
};

enum class JpegDecode { intact, damaged, tooLarge };

// Decodes the primary image at 1/`shrink` DCT scale (1, 2, 4 or 8) with libjpeg's default
// settings, the ones libvips' jpegload leaves in place, judging every warning as jpegIsIntact
// does. Nothing is decoded, and the answer is tooLarge, when the pixels would take more than
// `maxBytes`.
JpegDecode decodeJpeg(const unsigned char* data, std::size_t size, int shrink, std::size_t maxBytes,
                      JpegPixels& pixels);

} // namespace pictavo::detail

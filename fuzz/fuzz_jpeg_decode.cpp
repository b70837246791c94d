// libFuzzer target for the engine's own JPEG decoder: detail::decodeJpeg on the fuzzer's bytes
// at the DCT scale the first byte picks (1, 1/2, 1/4 or 1/8), then, for a decode found intact,
// detail::jpegSourceImage as the renderer uses it.
//
// Besides crashes and sanitizer reports, these count as faults: a verdict that differs from
// jpegIsIntact's (the conversion once judged every file at 1/8 scale; a damaged file must fail
// at any scale, an intact one pass at any scale), pixels of another size than libjpeg's scaled
// size, and pixels that differ from those of libvips' jpegload at the same shrink wherever
// libvips decodes the bytes too.

#include "fuzz_environment.h"
#include "jpeg_decoder.h"
#include "processing_error.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

using namespace pictavo::detail;

// Large enough for every seed at full scale, small enough that a header claiming a huge picture
// over a few bytes costs little.
constexpr std::size_t kMaxFuzzBytes = 24'000'000;

[[noreturn]] void fault(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "\n==fuzz_jpeg_decode== FAULT: %s%s%s\n", what, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::abort();
}

std::optional<vips::VImage> libvipsJpeg(const std::uint8_t* data, std::size_t size, int shrink)
{
    VipsBlob* blob = vips_blob_new(nullptr, data, size);
    try {
        vips::VImage image = vips::VImage::jpegload_buffer(
            blob,
            vips::VImage::option()->set("shrink", shrink)->set("fail_on", VIPS_FAIL_ON_ERROR));
        vips_area_unref(VIPS_AREA(blob));
        return image;
    } catch (const vips::VError&) {
        vips_area_unref(VIPS_AREA(blob));
        vips_error_clear();
        return std::nullopt;
    }
}

std::optional<std::string> pixelsOf(const vips::VImage& image)
{
    try {
        std::size_t length = 0;
        void* memory = image.write_to_memory(&length);
        std::string bytes(static_cast<const char*>(memory), length);
        g_free(memory);
        return bytes;
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

void compareWithLibvips(JpegPixels pixels, const std::uint8_t* data, std::size_t size, int shrink)
{
    const std::optional<vips::VImage> header = libvipsJpeg(data, size, 1);
    // libvips 8.14 aborts the process on a shrink larger than a side (a 0-pixel image); the
    // renderer never asks for one, as it shrinks only while the crop stays as large as the
    // scaled picture.
    if (!header || header->width() < shrink || header->height() < shrink)
        return;
    vips::VImage ours;
    try {
        ours = jpegSourceImage(std::move(pixels), *header, shrink);
    } catch (const pictavo::ProcessingError&) {
        fault("libvips and libjpeg disagree on the bands");
    }
    const std::optional<vips::VImage> theirs = libvipsJpeg(data, size, shrink);
    if (!theirs)
        return;
    const std::optional<std::string> theirPixels = pixelsOf(*theirs);
    if (!theirPixels)
        return;
    if (ours.width() != theirs->width() || ours.height() != theirs->height() ||
        ours.bands() != theirs->bands() || ours.interpretation() != theirs->interpretation())
        fault("the image differs in shape from libvips'",
              std::to_string(ours.width()) + "x" + std::to_string(ours.height()) + " instead of " +
                  std::to_string(theirs->width()) + "x" + std::to_string(theirs->height()));
    if (pixelsOf(ours) != theirPixels)
        fault("the pixels differ from libvips'", "shrink " + std::to_string(shrink));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    pictavo::fuzz::prepareEnvironment();
    ensureVipsStarted();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int shrink = 1 << (data[0] & 3);
    ++data;
    --size;
    JpegPixels pixels;
    const JpegDecode verdict = decodeJpeg(data, size, shrink, kMaxFuzzBytes, pixels);
    if (verdict == JpegDecode::tooLarge)
        return 0;
    if ((verdict == JpegDecode::intact) != jpegIsIntact(data, size))
        fault("the verdict depends on the scale", "shrink " + std::to_string(shrink));
    if (verdict == JpegDecode::damaged)
        return 0;
    if (pixels.width < 1 || pixels.height < 1 || pixels.bands < 1 || !pixels.bytes)
        fault("an intact decode without pixels");
    compareWithLibvips(std::move(pixels), data, size, shrink);
    vips_error_clear();
    return 0;
}

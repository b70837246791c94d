// libFuzzer target for the JPEG header probe alone: detail::scanJpegHeader on the fuzzer's
// bytes, with no file in between.
//
// Besides crashes and sanitizer reports, these count as faults: a header with a side outside
// 1..65,500 or an orientation outside 1..8, a request for more bytes that does not reach past
// the bytes given, and a header that disagrees with libvips on the same bytes. libvips reads
// headers for the conversion; where it reads one and the probe does too, the stored size and
// the orientation must be the same, or the queue shows a size the conversion does not make.
// (A header the probe reads but libvips refuses is allowed: that conversion fails cleanly.)

#include "fuzz_environment.h"
#include "jpeg_header.h"
#include "vips_runtime.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using pictavo::detail::JpegHeader;
using pictavo::detail::JpegHeaderScan;

[[noreturn]] void fault(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "\n==fuzz_header== FAULT: %s%s%s\n", what, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::abort();
}

std::string describe(std::int64_t width, std::int64_t height, int orientation)
{
    return std::to_string(width) + "x" + std::to_string(height) + " orientation " +
           std::to_string(orientation);
}

// The orientation the conversion takes from libvips (see source_image.cpp).
int orientationOf(VipsImage* image)
{
    int orientation = 1;
    if (vips_image_get_typeof(image, VIPS_META_ORIENTATION) == 0 ||
        vips_image_get_int(image, VIPS_META_ORIENTATION, &orientation) != 0)
        return 1;
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

void compareWithLibvips(const std::uint8_t* data, std::size_t size, const JpegHeader& header)
{
    VipsImage* image = nullptr;
    // The buffer loader reads the header like the file loader the conversion uses.
    if (vips_jpegload_buffer(const_cast<std::uint8_t*>(data), size, &image, "access",
                             VIPS_ACCESS_SEQUENTIAL, "fail_on", VIPS_FAIL_ON_ERROR, nullptr) != 0) {
        vips_error_clear();
        return;
    }
    const std::int64_t width = vips_image_get_width(image);
    const std::int64_t height = vips_image_get_height(image);
    const int orientation = orientationOf(image);
    g_object_unref(image);
    if (width != header.width || height != header.height || orientation != header.orientation)
        fault("the probe disagrees with libvips",
              describe(header.width, header.height, header.orientation) + " instead of " +
                  describe(width, height, orientation));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    pictavo::fuzz::prepareEnvironment();
    pictavo::detail::ensureVipsStarted();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const JpegHeaderScan scan = pictavo::detail::scanJpegHeader({data, size});
    if (!scan.header) {
        if (scan.needed != 0 && scan.needed <= size)
            fault("asked for bytes it already has", std::to_string(scan.needed));
        return 0;
    }
    const JpegHeader& header = *scan.header;
    if (header.width < 1 || header.width > 65'500 || header.height < 1 || header.height > 65'500 ||
        header.orientation < 1 || header.orientation > 8)
        fault("impossible header", describe(header.width, header.height, header.orientation));
    compareWithLibvips(data, size, header);
    pictavo::detail::releaseThreadState();
    return 0;
}

#include "webp_writer.h"

#include "processing_error.h"

#include <memory>
#include <webp/mux.h>

namespace pictavo::detail {

namespace {

// Measured on photos at 1920×1080 (bench/README.md): effort 3 gives the size and PSNR of
// cwebp's defaults in less time; smart subsampling costs 2-8 % of size and a third more time
// for chroma edges few photos show.
constexpr int kEffort = 3;

struct MuxRelease {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

// The container rebuilt from its image data alone.
Bytes withoutMetadata(const uint8_t* data, size_t length)
{
    const WebPData input{data, length};
    std::unique_ptr<WebPMux, MuxRelease> mux(WebPMuxCreate(&input, 0));
    if (!mux)
        throw ProcessingError(ProcessingError::cannotCreate);
    for (const char* chunk : {"EXIF", "XMP ", "ICCP"})
        WebPMuxDeleteChunk(mux.get(), chunk);
    WebPData output;
    WebPDataInit(&output);
    if (WebPMuxAssemble(mux.get(), &output) != WEBP_MUX_OK)
        throw ProcessingError(ProcessingError::cannotCreate);
    Bytes bytes(output.bytes, output.bytes + output.size);
    WebPDataClear(&output);
    return bytes;
}

} // namespace

Bytes encodeWebp(const vips::VImage& image, int quality, bool strip)
{
    Bytes bytes;
    try {
        VipsBlob* blob = image.webpsave_buffer(vips::VImage::option()
                                                   ->set("Q", quality)
                                                   ->set("effort", kEffort)
                                                   ->set("smart_subsample", false)
                                                   ->set("strip", strip));
        size_t length = 0;
        const auto* data = static_cast<const uint8_t*>(vips_blob_get(blob, &length));
        try {
            bytes = strip ? withoutMetadata(data, length) : Bytes(data, data + length);
        } catch (...) {
            vips_area_unref(VIPS_AREA(blob));
            throw;
        }
        vips_area_unref(VIPS_AREA(blob));
    } catch (const vips::VError&) {
        vips_error_clear();
        throw ProcessingError(ProcessingError::cannotCreate);
    }
    return bytes;
}

} // namespace pictavo::detail

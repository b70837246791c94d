#include "heic_writer.h"

#include "processing_error.h"

#include <algorithm>
#include <cstring>
#include <libheif/heif.h>
#include <memory>
#include <new>
#include <thread>

namespace pictavo::detail {

namespace {

struct HeifRelease {
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
    void operator()(heif_image* image) const { heif_image_release(image); }
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};
template <typename T> using HeifPtr = std::unique_ptr<T, HeifRelease>;

void require(const heif_error& error, ProcessingError::Code code)
{
    if (error.code != heif_error_Ok)
        throw ProcessingError(code);
}

void setString(heif_encoder* encoder, const char* name, const char* value)
{
    require(heif_encoder_set_parameter_string(encoder, name, value), ProcessingError::cannotCreate);
}

void setInteger(heif_encoder* encoder, const char* name, int value)
{
    require(heif_encoder_set_parameter_integer(encoder, name, value),
            ProcessingError::cannotCreate);
}

// x265 tuning measured on real photos at 1920×1080: "veryfast" with one intra TU level is
// more than twice as fast as libvips' "slow" for a few percent of file size and <0.3 dB.
void configureHevc(heif_encoder* encoder)
{
    setString(encoder, "preset", "veryfast");
    setInteger(encoder, "tu-intra-depth", 1);
}

// libaom's settings, measured on 1920×1080 crops of five camera photos against
// `vips heifsave --compression av1` (speed 5, tuned for SSIM) at the same quality
// (bench/README.md). Tuning for PSNR instead of SSIM gains 0.3 dB at the same quantiser for 4 %
// more bytes and no more time, so libheif's own quality-to-quantiser mapping can stay: at speed
// 7 the files come out as large as libvips' at quality 0.9 and 5 % larger at 0.75, 0.4 and 0.2 dB
// lower, seven to nine times as fast. Speed 8 takes a third less time but loses 0.5 dB at 0.9;
// at speed 7 the slowest photo takes about 0.75 s on two idle cores. Two threads at most, as the
// batch runs other work beside it.
void configureAv1(heif_encoder* encoder)
{
    setInteger(encoder, "speed", 7);
    setString(encoder, "tune", "psnr");
    setInteger(encoder, "threads",
               static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1U, 2U)));
}

void configure(heif_encoder* encoder, HeifCodec codec, int quality)
{
    require(heif_encoder_set_lossy_quality(encoder, quality), ProcessingError::cannotCreate);
    if (codec == HeifCodec::hevc)
        configureHevc(encoder);
    else
        configureAv1(encoder);
    // The same rule as libvips and the JPEG encoder: full chroma from quality 90 up.
    setString(encoder, "chroma", quality >= 90 ? "444" : "420");
}

HeifPtr<heif_image> planesFrom(const vips::VImage& rgb)
{
    const int width = rgb.width();
    const int height = rgb.height();
    const int bands = rgb.bands();
    heif_image* raw = nullptr;
    require(heif_image_create(
                width, height, heif_colorspace_RGB,
                bands == 4 ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &raw),
            ProcessingError::cannotCreate);
    HeifPtr<heif_image> image(raw);
    require(heif_image_add_plane(raw, heif_channel_interleaved, width, height, 8),
            ProcessingError::cannotCreate);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
    const auto* pixels = static_cast<const uint8_t*>(vips_image_get_data(rgb.get_image()));
    if (plane == nullptr || pixels == nullptr)
        throw ProcessingError(ProcessingError::cannotCreate);
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bands);
    for (int y = 0; y < height; ++y)
        std::memcpy(plane + static_cast<size_t>(y) * static_cast<size_t>(stride),
                    pixels + static_cast<size_t>(y) * rowBytes, rowBytes);
    return image;
}

// Collects the container in memory. libheif's own file writer ignores the stream's errors, so a
// full disk would pass for success; written from memory, every write is checked.
heif_error collect(heif_context*, const void* data, size_t size, void* into) noexcept
{
    try {
        const auto* bytes = static_cast<const unsigned char*>(data);
        static_cast<Bytes*>(into)->insert(static_cast<Bytes*>(into)->end(), bytes, bytes + size);
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    } catch (const std::bad_alloc&) { // no exception may cross libheif's C frames
        return heif_error{heif_error_Memory_allocation_error, heif_suberror_Unspecified, ""};
    }
}

} // namespace

Bytes encodeHeif(const vips::VImage& rgb, HeifCodec codec, int quality,
                 const EncodedMetadata& metadata)
{
    const int maxBands = codec == HeifCodec::av1 ? 4 : 3;
    if (rgb.bands() < 3 || rgb.bands() > maxBands || rgb.format() != VIPS_FORMAT_UCHAR)
        throw ProcessingError(ProcessingError::cannotCreate);

    HeifPtr<heif_context> context(heif_context_alloc());
    if (!context)
        throw ProcessingError(ProcessingError::cannotCreate);
    heif_encoder* rawEncoder = nullptr;
    require(heif_context_get_encoder_for_format(context.get(),
                                                codec == HeifCodec::av1 ? heif_compression_AV1
                                                                        : heif_compression_HEVC,
                                                &rawEncoder),
            ProcessingError::cannotCreate);
    HeifPtr<heif_encoder> encoder(rawEncoder);
    configure(encoder.get(), codec, quality);

    HeifPtr<heif_image> image = planesFrom(rgb);
    if (!metadata.icc.empty())
        require(heif_image_set_raw_color_profile(image.get(), "prof", metadata.icc.data(),
                                                 metadata.icc.size()),
                ProcessingError::cannotCreate);

    HeifPtr<heif_encoding_options> options(heif_encoding_options_alloc());
    heif_image_handle* rawHandle = nullptr;
    require(heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(),
                                      &rawHandle),
            ProcessingError::cannotCreate);
    HeifPtr<heif_image_handle> handle(rawHandle);

    // libheif prepends the offset to the TIFF header itself; the block goes in as it is.
    if (!metadata.exif.empty())
        require(heif_context_add_exif_metadata(context.get(), handle.get(), metadata.exif.data(),
                                               static_cast<int>(metadata.exif.size())),
                ProcessingError::cannotCreate);
    if (!metadata.xmp.empty())
        require(heif_context_add_XMP_metadata(context.get(), handle.get(), metadata.xmp.data(),
                                              static_cast<int>(metadata.xmp.size())),
                ProcessingError::cannotCreate);

    heif_writer writer{1, collect};
    Bytes bytes;
    require(heif_context_write(context.get(), &writer, &bytes), ProcessingError::cannotCreate);
    return bytes;
}

} // namespace pictavo::detail

#include "image_processor.h"

#include "image_writer.h"
#include "jpeg_header.h"
#include "jpeg_integrity.h"
#include "regular_file.h"
#include "renderer.h"
#include "size_limited_encoding.h"
#include "staged_file.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace pictavo {

namespace {

using detail::RenderPlan;
using detail::SourceImage;

// The encoder's quality from 1 to 100; values outside 0…1 are clamped, NaN is the default.
int encoderQuality(double quality)
{
    if (std::isnan(quality))
        quality = ResizeSettings{}.quality;
    return static_cast<int>(std::clamp(std::round(quality * 100.0), 1.0, 100.0));
}

// The limit on the whole file, for the lossy types only: the others have no quality to give.
std::optional<std::int64_t> sizeLimit(WrittenType type, const ResizeSettings& settings)
{
    if (!settings.limitFileSize || !traitsOf(type).lossy)
        return std::nullopt;
    return settings.maxFileSizeBytes;
}

bool canvasFits(PixelSize canvas, WrittenType type)
{
    if (canvas.width > ImageProcessor::kMaxCanvasPixels / canvas.height)
        return false;
    return traitsOf(type).sides.admits(canvas.width, canvas.height);
}

struct ThreadStateRelease {
    ~ThreadStateRelease() { detail::releaseThreadState(); }
};

// One conversion rendered and waiting to be encoded.
struct PreparedOutput {
    WrittenType type;
    int quality = 0;
    detail::RenderedCanvas canvas;
    std::optional<detail::EncodedMetadata> metadata;
    detail::OwnedBlob source; // the whole file
    std::optional<SourceImage> header;
    RenderPlan plan;
    std::optional<std::int64_t> sizeLimit{}; // bytes
};

PreparedOutput prepare(const std::filesystem::path& path, const ResizeSettings& settings)
{
    // The source is opened once and read whole; a FIFO or a device at the path (one that would
    // block the open, or never end) is turned away.
    detail::RegularFile file(path);
    detail::OwnedBlob source = detail::readBlob(file, ImageProcessor::kMaxSourceFileBytes);
    if (!source)
        throw ProcessingError(ProcessingError::cannotRead);
    std::optional<SourceImage> header = detail::openSource(source.get());
    if (!header || header->stored.width > ImageProcessor::kMaxSourceSide ||
        header->stored.height > ImageProcessor::kMaxSourceSide ||
        header->stored.width > ImageProcessor::kMaxSourcePixels / header->stored.height)
        throw ProcessingError(ProcessingError::cannotRead);

    const WrittenType type = utType(settings.format, path);
    const RenderPlan plan = detail::planRender(header->upright(), settings);
    if (!canvasFits(plan.canvas, type)) {
        // A damaged JPEG is unreadable whatever the settings; rendering judges the others.
        const std::span<const unsigned char> bytes = detail::bytesOf(source.get());
        if (header->family == detail::SourceFamily::jpeg &&
            !detail::jpegIsIntact(bytes.data(), bytes.size()))
            throw ProcessingError(ProcessingError::cannotRead);
        throw ProcessingError(ProcessingError::cannotCreate);
    }

    detail::RenderedCanvas canvas =
        detail::renderCanvas(source.get(), *header, plan, type, settings.keepMetadata);
    std::optional<detail::EncodedMetadata> metadata;
    if (settings.keepMetadata)
        metadata = detail::metadataFor(header->image, plan.canvas.width, plan.canvas.height,
                                       canvas.profileKept);
    const int quality = traitsOf(type).lossy ? encoderQuality(settings.quality) : 0;
    return {
        type, quality, std::move(canvas), std::move(metadata), std::move(source), std::move(header),
        plan};
}

// The destination's folder, opened once for every step of the write.
std::shared_ptr<const OpenFolder> folderOf(const std::filesystem::path& destination)
{
    std::shared_ptr<const OpenFolder> folder = OpenFolder::open(destination.parent_path());
    if (!folder)
        throw ProcessingError(ProcessingError::cannotWrite);
    return folder;
}

// The file at the highest quality within the size limit, chosen among encodes in memory.
detail::Bytes encodeWithinLimit(const PreparedOutput& output)
{
    const vips::VImage& pixels = output.canvas.pixels;
    detail::PictureTraits picture{static_cast<std::int64_t>(pixels.width()) * pixels.height(), 0,
                                  detail::fineDetail(pixels)};
    if (output.metadata)
        for (const detail::Bytes* part : {&output.metadata->exif, &output.metadata->xmp,
                                          &output.metadata->iptc, &output.metadata->icc})
            picture.fixedBytes += static_cast<std::int64_t>(part->size());
    const auto encodeAt = [&](int quality) {
        return detail::encodeImage(pixels, output.type, quality, output.metadata);
    };
    return detail::encodeWithinLimit(encodeAt, traitsOf(output.type).encoder, picture,
                                     *output.sizeLimit)
        .bytes;
}

// The whole file in memory, written by the caller in one checked write.
detail::Bytes encode(PreparedOutput& output)
{
    if (output.sizeLimit)
        return encodeWithinLimit(output);
    detail::Bytes bytes =
        detail::encodeImage(output.canvas.pixels, output.type, output.quality, output.metadata);
    // libpng refuses profiles it finds fault with (a PCS illuminant other than D50, say) and
    // writes the file without one; the pixels, still in that profile's space, would then be
    // shown with the wrong colours. Such images are encoded again, converted to sRGB. The
    // other writers embed any profile as it is.
    if (traitsOf(output.type).encoder == Encoder::vipsPng && output.canvas.profileKept &&
        !detail::hasEmbeddedProfile(bytes)) {
        output.canvas = detail::renderCanvas(output.source.get(), *output.header, output.plan,
                                             output.type, false);
        output.metadata->icc.clear();
        bytes =
            detail::encodeImage(output.canvas.pixels, output.type, output.quality, output.metadata);
    }
    return bytes;
}

} // namespace

namespace ImageProcessor {

void process(const std::filesystem::path& source, const std::filesystem::path& destination,
             const ResizeSettings& settings)
{
    detail::ensureVipsStarted();
    const ThreadStateRelease release;
    PreparedOutput output = prepare(source, settings);
    output.sizeLimit = sizeLimit(output.type, settings);
    detail::StagedFile staged(folderOf(destination), destination.filename().native());
    staged.write(encode(output));
    staged.commit();
}

std::filesystem::path processToNewFile(const std::filesystem::path& source,
                                       const ResizeSettings& settings,
                                       const std::function<std::filesystem::path()>& nextName,
                                       std::shared_ptr<const OpenFolder> folder)
{
    detail::ensureVipsStarted();
    const ThreadStateRelease release;
    PreparedOutput output = prepare(source, settings);
    output.sizeLimit = sizeLimit(output.type, settings);
    std::filesystem::path destination = nextName();
    if (!folder)
        folder = folderOf(destination);
    detail::StagedFile staged(folder, destination.filename().native());
    staged.write(encode(output));
    // Each refusal means another program took the name since it was handed out.
    for (int attempt = 0; attempt < 10'000; ++attempt) {
        if (staged.commitAsNew(destination.filename().native()))
            return destination;
        destination = nextName();
    }
    throw ProcessingError(ProcessingError::cannotWrite);
}

std::optional<ImageInfo> imageInfo(const std::filesystem::path& path)
{
    // Intake calls this on the GUI thread for every file with an image's name: FIFOs, devices
    // and folders are turned away by the open, which never blocks.
    detail::RegularFile file(path);
    if (!file.isOpen())
        return std::nullopt;
    std::optional<PixelSize> upright;
    int decodedBytesPerPixel = ImageInfo{}.decodedBytesPerPixel; // 8-bit JPEGs take 4 at most
    if (const std::optional<detail::JpegHeader> jpeg = detail::readJpegHeader(file)) {
        const bool quarter = jpeg->orientation >= 5;
        upright =
            quarter ? PixelSize{jpeg->height, jpeg->width} : PixelSize{jpeg->width, jpeg->height};
    } else if (const std::optional<SourceImage> header = detail::openSource(file)) {
        upright = header->upright();
        const auto sample = static_cast<int>(vips_format_sizeof(header->image.format()));
        decodedBytesPerPixel = std::max(decodedBytesPerPixel, header->image.bands() * sample);
    }
    if (!upright)
        return std::nullopt;
    return ImageInfo{upright->width, upright->height, static_cast<std::int64_t>(file.size()),
                     decodedBytesPerPixel};
}

const std::set<std::string>& supportedExtensions()
{
    static const std::set<std::string> extensions = [] {
        std::set<std::string> names;
        for (const FormatTraits& traits : allFormatTraits())
            if (traits.readable)
                for (const std::string_view name : {traits.extension, traits.alias})
                    if (!name.empty())
                        names.emplace(name);
        return names;
    }();
    return extensions;
}

} // namespace ImageProcessor
} // namespace pictavo

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
#include <numeric>
#include <system_error>

namespace pictavo {

namespace detail {
struct OpenedSource;
} // namespace detail

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
    std::shared_ptr<const detail::OpenedSource> source;
    RenderPlan plan;
    std::optional<std::int64_t> sizeLimit{}; // bytes
};

} // namespace

namespace detail {

// The source, opened once and read whole; a FIFO or a device at the path (one that would block
// the open, or never end) is turned away.
struct OpenedSource {
    OwnedBlob bytes;
    SourceImage header;
    // Pixels decoded once for several sizes; without them each render decodes for itself.
    std::optional<DecodedSource> decoded;

    static OpenedSource open(const std::filesystem::path& path)
    {
        RegularFile file(path);
        OwnedBlob bytes = readBlob(file, ImageProcessor::kMaxSourceFileBytes);
        if (!bytes)
            throw ProcessingError(ProcessingError::cannotRead);
        std::optional<SourceImage> header = openSource(bytes.get());
        if (!header || header->stored.width > ImageProcessor::kMaxSourceSide ||
            header->stored.height > ImageProcessor::kMaxSourceSide ||
            header->stored.width > ImageProcessor::kMaxSourcePixels / header->stored.height)
            throw ProcessingError(ProcessingError::cannotRead);
        return {std::move(bytes), std::move(*header), std::nullopt};
    }

    // A damaged JPEG is unreadable whatever the settings; rendering judges the others.
    ProcessingError canvasRefusal() const
    {
        const std::span<const unsigned char> file = bytesOf(bytes.get());
        if (header.family == SourceFamily::jpeg && !decoded &&
            !jpegIsIntact(file.data(), file.size()))
            return ProcessingError(ProcessingError::cannotRead);
        return ProcessingError(ProcessingError::cannotCreate);
    }

    RenderedCanvas render(const RenderPlan& plan, WrittenType type, bool keepRgbProfile) const
    {
        if (decoded)
            return renderDecoded(*decoded, header, plan, type, keepRgbProfile);
        return renderCanvas(bytes.get(), header, plan, type, keepRgbProfile);
    }
};

} // namespace detail

namespace {

PreparedOutput prepare(std::shared_ptr<const detail::OpenedSource> source,
                       const std::filesystem::path& path, const ResizeSettings& settings)
{
    const WrittenType type = utType(settings.format, path);
    const RenderPlan plan = detail::planRender(source->header.upright(), settings);
    if (!canvasFits(plan.canvas, type))
        throw source->canvasRefusal();

    detail::RenderedCanvas canvas = source->render(plan, type, settings.keepMetadata);
    std::optional<detail::EncodedMetadata> metadata;
    if (settings.keepMetadata)
        metadata = detail::metadataFor(source->header.image, plan.canvas.width, plan.canvas.height,
                                       canvas.profileKept);
    const int quality = traitsOf(type).lossy ? encoderQuality(settings.quality) : 0;
    return {type,
            quality,
            std::move(canvas),
            std::move(metadata),
            std::move(source),
            plan,
            sizeLimit(type, settings)};
}

// The same conversion at a smaller size, resampled from `larger`'s canvas where the plans allow.
PreparedOutput prepareFrom(const PreparedOutput& larger, const std::filesystem::path& path,
                           const ResizeSettings& settings)
{
    const RenderPlan plan = detail::planRender(larger.source->header.upright(), settings);
    if (!detail::derivable(larger.plan, plan) || !canvasFits(plan.canvas, larger.type))
        return prepare(larger.source, path, settings);
    detail::RenderedCanvas canvas =
        detail::renderFromLarger(larger.canvas, larger.plan, plan, larger.type);
    std::optional<detail::EncodedMetadata> metadata;
    if (larger.metadata)
        metadata = detail::metadataFor(larger.source->header.image, plan.canvas.width,
                                       plan.canvas.height, canvas.profileKept);
    return {larger.type,         larger.quality, std::move(canvas),
            std::move(metadata), larger.source,  plan};
}

PreparedOutput prepare(const std::filesystem::path& path, const ResizeSettings& settings)
{
    return prepare(std::make_shared<const detail::OpenedSource>(detail::OpenedSource::open(path)),
                   path, settings);
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
        output.canvas = output.source->render(output.plan, output.type, false);
        output.metadata->icc.clear();
        bytes =
            detail::encodeImage(output.canvas.pixels, output.type, output.quality, output.metadata);
    }
    return bytes;
}

// The file written under the first name `nextName` hands out that is free when it is put in
// place, in `folder` (or in the folder of the first name, opened once).
std::filesystem::path writeNewFile(PreparedOutput& output,
                                   const std::function<std::filesystem::path()>& nextName,
                                   std::shared_ptr<const OpenFolder> folder)
{
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

} // namespace

namespace ImageProcessor {

void process(const std::filesystem::path& source, const std::filesystem::path& destination,
             const ResizeSettings& settings)
{
    detail::ensureVipsStarted();
    const ThreadStateRelease release;
    PreparedOutput output = prepare(source, settings);
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
    return writeNewFile(output, nextName, std::move(folder));
}

std::vector<SizedResult> processToNewFiles(const std::filesystem::path& source,
                                           const ResizeSettings& settings,
                                           const std::vector<SizedOutput>& outputs)
{
    std::vector<SizedResult> results(outputs.size());
    // One size renders straight from the decoder, as a one-size conversion does.
    if (outputs.size() == 1) {
        try {
            results[0].written = processToNewFile(source, atSize(settings, outputs[0].size),
                                                  outputs[0].nextName, outputs[0].folder);
        } catch (const ProcessingError& error) {
            results[0].error = error;
        }
        return results;
    }
    detail::ensureVipsStarted();
    const ThreadStateRelease release;
    auto opened = std::make_shared<detail::OpenedSource>();
    try {
        *opened = detail::OpenedSource::open(source);
        // Decoded once, at the scale the sizes together need: the largest of them decides.
        // Sizes whose canvas is refused anyway take no part.
        const WrittenType type = utType(settings.format, source);
        std::optional<int> shrink;
        for (const SizedOutput& output : outputs) {
            const RenderPlan plan =
                detail::planRender(opened->header.upright(), atSize(settings, output.size));
            if (canvasFits(plan.canvas, type))
                shrink = std::min(shrink.value_or(8), detail::decodeShrink(opened->header, plan));
        }
        if (shrink)
            opened->decoded = detail::decodeSource(opened->bytes.get(), opened->header, *shrink);
    } catch (const ProcessingError& error) {
        // Nothing can be made of this source, at any size.
        for (SizedResult& result : results)
            result.error = error;
        return results;
    }
    // Largest first: a smaller size of the same part of the picture is resampled from the
    // canvas just made, a fraction of the decoded pixels.
    const std::shared_ptr<const detail::OpenedSource> shared = std::move(opened);
    std::vector<std::size_t> order(outputs.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    const auto area = [&](std::size_t i) {
        return double(outputs[i].size.width) * double(outputs[i].size.height);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return area(a) > area(b); });
    std::optional<PreparedOutput> larger;
    for (const std::size_t i : order) {
        try {
            const ResizeSettings sized = atSize(settings, outputs[i].size);
            PreparedOutput output =
                larger ? prepareFrom(*larger, source, sized) : prepare(shared, source, sized);
            results[i].written = writeNewFile(output, outputs[i].nextName, outputs[i].folder);
            larger = std::move(output);
        } catch (const ProcessingError& error) {
            results[i].error = error;
        }
    }
    return results;
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

#include "vips_runtime.h"

#include "image_engine.h"
#include "regular_file.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string_view>

namespace pictavo::detail {

void ensureVipsStarted()
{
    static std::once_flag started;
    std::call_once(started, [] {
        if (VIPS_INIT("pictavo") != 0)
            vips_error_exit("libvips could not start");
        // The operation cache would hand back a stale image for a file that changed on
        // disk between two conversions, and keeps decoded pixels alive for nothing.
        vips_cache_set_max(0);
        // Loaders outside the five families (ImageMagick, PDF, SVG …) are never reached.
        vips_block_untrusted_set(TRUE);
        // Damaged files are reported through ProcessingError; libvips' own warnings about
        // them would only clutter the terminal of the command-line tool.
        g_log_set_handler(
            "VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

void releaseThreadState()
{
    vips_error_clear();
    vips_thread_shutdown();
}

OwnedBlob readBlob(RegularFile& file, std::uint64_t maxBytes)
{
    if (file.size() > maxBytes)
        return nullptr;
    std::optional<FileContent> content = readWholeFile(file);
    if (!content || content->size == 0)
        return nullptr;
    const auto release = [](void* bytes, void*) {
        std::free(bytes);
        return 0;
    };
    OwnedBlob blob(vips_blob_new(release, content->bytes.get(), content->size));
    content->bytes.release();
    return blob;
}

std::optional<SourceFamily> sniffFamily(const vips::VSource& source)
{
    const char* loader = vips_foreign_find_load_source(source.get_source());
    vips_error_clear();
    if (loader == nullptr)
        return std::nullopt;
    const std::string_view name(loader);
    if (name == "VipsForeignLoadJpegSource")
        return SourceFamily::jpeg;
    if (name == "VipsForeignLoadPngSource" || name == "VipsForeignLoadSpngSource")
        return SourceFamily::png;
    if (name == "VipsForeignLoadHeifSource")
        return SourceFamily::heif;
    if (name == "VipsForeignLoadTiffSource")
        return SourceFamily::tiff;
    if (name == "VipsForeignLoadWebpSource")
        return SourceFamily::webp;
    return std::nullopt;
}

} // namespace pictavo::detail

namespace pictavo {

void startImageEngine(int threadsPerConversion)
{
    detail::ensureVipsStarted();
    vips_concurrency_set(std::max(1, threadsPerConversion));
}

} // namespace pictavo

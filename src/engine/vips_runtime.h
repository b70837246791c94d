#pragma once

// Internal to the engine: libvips headers stay out of every public header.
#include <filesystem>
#include <memory>
#include <optional>
#include <vips/vips8>

namespace pictavo::detail {

// Starts libvips once per process; safe to call from any thread.
void ensureVipsStarted();

// Frees what libvips keeps per thread; call when a thread is done with image work.
void releaseThreadState();

// The image families the engine reads. Anything else is refused, whatever its extension.
enum class SourceFamily { jpeg, png, heif, tiff, webp };

// The regular file at `path` as a libvips source reading the one file opened here: nothing put
// at the path later (a FIFO, a device, another file) reaches a loader, and a FIFO already there
// is turned away without blocking. Nothing when it is not a regular file.
std::optional<vips::VSource> openRegularSource(const std::filesystem::path& path);

// The family that libvips recognises from the source's content, not from its name.
std::optional<SourceFamily> sniffFamily(const vips::VSource& source);

struct BlobRelease {
    void operator()(VipsBlob* blob) const { vips_area_unref(VIPS_AREA(blob)); }
};
using OwnedBlob = std::unique_ptr<VipsBlob, BlobRelease>;

// The whole file at `path` as a blob, read into memory, never mapped: libvips maps a WebP file to
// decode it, and a mapped file that shrinks meanwhile (cut by another program, or failing on a
// network or removable disk) kills the process with SIGBUS. Null when the file cannot be read
// whole or is empty.
OwnedBlob readBlob(const std::filesystem::path& path);

} // namespace pictavo::detail

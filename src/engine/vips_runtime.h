#pragma once

// Internal to the engine: libvips headers stay out of every public header.
#include "regular_file.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vips/vips8>

namespace pictavo::detail {

// Starts libvips once per process; safe to call from any thread.
void ensureVipsStarted();

// Frees what libvips keeps per thread; call when a thread is done with image work.
void releaseThreadState();

// The image families the engine reads. Anything else is refused, whatever its extension.
enum class SourceFamily { jpeg, png, heif, tiff, webp };

// The family that libvips recognises from the source's content, not from its name.
std::optional<SourceFamily> sniffFamily(const vips::VSource& source);

struct BlobRelease {
    void operator()(VipsBlob* blob) const { vips_area_unref(VIPS_AREA(blob)); }
};
using OwnedBlob = std::unique_ptr<VipsBlob, BlobRelease>;

// The whole of `file` as a blob, read into memory, never mapped: libvips maps a file to decode a
// WebP from it, and a mapped file that shrinks meanwhile (cut by another program, or failing on
// a network or removable disk) kills the process with SIGBUS. Null when the file cannot be read
// whole, is empty or holds more than `maxBytes`.
OwnedBlob readBlob(RegularFile& file, std::uint64_t maxBytes);

inline std::span<const unsigned char> bytesOf(VipsBlob* blob)
{
    std::size_t size = 0;
    const void* data = vips_blob_get(blob, &size);
    return {static_cast<const unsigned char*>(data), size};
}

} // namespace pictavo::detail

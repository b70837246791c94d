#pragma once

// Internal to the engine: libvips headers stay out of every public header.
#include <filesystem>
#include <optional>
#include <vips/vips8>

namespace pictavo::detail {

// Starts libvips once per process; safe to call from any thread.
void ensureVipsStarted();

// Frees what libvips keeps per thread; call when a thread is done with image work.
void releaseThreadState();

// The image families the engine reads. Anything else is refused, whatever its extension.
enum class SourceFamily { jpeg, png, heif, tiff, webp };

// The family that libvips recognises from the file's content, not from its name.
std::optional<SourceFamily> sniffFamily(const std::filesystem::path& path);

} // namespace pictavo::detail

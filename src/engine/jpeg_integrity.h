#pragma once

#include <cstddef>
#include <filesystem>

namespace pictavo::detail {

// Whether a JPEG's primary image is complete: its marker segments and entropy-coded scans run
// from SOI to an EOI without the file ending first. libjpeg pads a cut-off file with grey and
// only warns; libvips turns that warning into an error, but not reliably when the decode is
// DCT-scaled, so the engine checks the structure itself.
bool jpegIsComplete(const unsigned char* data, std::size_t size);
bool jpegIsComplete(const std::filesystem::path& path);

} // namespace pictavo::detail

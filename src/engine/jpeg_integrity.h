#pragma once

#include <cstddef>
#include <filesystem>

namespace pictavo::detail {

// Whether a JPEG's primary image decodes without damage. libjpeg reports a cut-off file, a
// zeroed stretch or a wrong Huffman code only as warnings and fills the missing part with
// grey; libvips turns those warnings into errors only now and then (hardly ever when the
// decode is DCT-scaled), so the engine runs the entropy decoder once itself, at 1/8 scale,
// and sorts the warnings into damage and harmless quirks of real cameras.
bool jpegIsIntact(const unsigned char* data, std::size_t size);
bool jpegIsIntact(const std::filesystem::path& path);

} // namespace pictavo::detail

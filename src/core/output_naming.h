#pragma once

#include "resize_settings.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace pictavo {

// `text` with every character a file name cannot hold ("/" and NUL) replaced by "_", so a
// prefix or suffix such as "../" or "/tmp/" stays part of one name inside the output folder.
std::string fileNamePart(std::string_view text);

// prefix + the source's base name (its last extension removed) + suffix, without an extension:
// what every output name of that source starts with.
std::string outputBaseName(const ResizeSettings& settings, const std::filesystem::path& source);

// prefix + the source's base name (its last extension removed) + suffix + "." + extension:
// IMG_0042.HEIC with the defaults gives IMG_0042_resized.heic. Prefix and suffix pass through
// fileNamePart(), so the result is always a single name.
std::filesystem::path outputFileName(const ResizeSettings& settings,
                                     const std::filesystem::path& source);

} // namespace pictavo

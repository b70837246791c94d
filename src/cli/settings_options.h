#pragma once

#include "resize_settings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo::cli {

// Whether `name` (with its leading dashes) is one of the conversion options.
bool isSettingsOption(std::string_view name);

// Applies one conversion option to `settings`; an error text when the value is not valid.
std::optional<std::string> applySettingsOption(std::string_view name, std::string_view value,
                                               ResizeSettings& settings);

// An error text when a name prefix or suffix holds "/" or NUL: it must not leave the folder.
std::optional<std::string> checkNamePart(std::string_view name, std::string_view value);

// The type `convert` writes when --format is not given: the one the destination's extension
// names (any extension or alias of a written type, any letter case), otherwise the source's own.
OutputFormat formatForDestination(const std::filesystem::path& destination);

// The sizes of a --sizes value: "1920x1080,1200x1200" with an ASCII x, each side at least 1,
// none twice, at most kMaxTargetSizes; nothing for anything else.
std::optional<std::vector<TargetSize>> parseSizeList(std::string_view text);

// The options' usage lines, for the help text.
std::string_view settingsOptionsUsage();

// How paths are given and printed, for the help text.
std::string_view pathRulesUsage();

} // namespace pictavo::cli

#pragma once

#include "resize_settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace pictavo::cli {

// Whether `name` (with its leading dashes) is one of the conversion options.
bool isSettingsOption(std::string_view name);

// Applies one conversion option to `settings`; an error text when the value is not valid.
std::optional<std::string> applySettingsOption(std::string_view name, std::string_view value,
                                               ResizeSettings& settings);

// The options' usage lines, for the help text.
std::string_view settingsOptionsUsage();

} // namespace pictavo::cli

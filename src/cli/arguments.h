#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace pictavo::cli {

// A command's arguments split into options (each with its value) and paths, in order.
struct SplitArguments {
    std::vector<std::pair<std::string_view, std::string_view>> options;
    std::vector<std::string_view> paths;
};

// Options may stand before or after the paths. "--" ends the options: everything after it is a
// path. Before it, any other argument starting with "-" (but "-" itself) must be an option that
// `takesValue` knows. An error text when an option is unknown or its value is missing.
std::variant<SplitArguments, std::string>
splitArguments(const std::vector<std::string_view>& arguments,
               const std::function<bool(std::string_view)>& takesValue);

} // namespace pictavo::cli

#include "arguments.h"

#include "printed_path.h"

namespace pictavo::cli {

std::variant<SplitArguments, std::string>
splitArguments(const std::vector<std::string_view>& arguments,
               const std::function<bool(std::string_view)>& takesValue)
{
    SplitArguments split;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--") {
            split.paths.insert(split.paths.end(), arguments.begin() + std::ptrdiff_t(i) + 1,
                               arguments.end());
            break;
        }
        if (!argument.starts_with('-') || argument == "-") {
            split.paths.push_back(argument);
        } else if (!takesValue(argument)) {
            return "bilinmeyen seçenek: " + printedPath(argument) +
                   " (- ile başlayan bir yol için önce -- yazın)";
        } else if (i + 1 == arguments.size()) {
            return "değer eksik: " + std::string(argument);
        } else {
            split.options.emplace_back(argument, arguments[i + 1]);
            ++i;
        }
    }
    return split;
}

} // namespace pictavo::cli

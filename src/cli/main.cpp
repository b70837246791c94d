// pictavo-cli: the engine from the command line.
//   info FILE                 prints "WIDTH HEIGHT BYTES" (upright size)
//   convert SOURCE DEST …     one conversion with the given settings
//   batch --output DIR … PATH…  the whole queue workflow (batch_command.h)
// Exit codes: 0 success, 1 the image could not be read or converted, 2 bad arguments.

#include "batch_command.h"
#include "image_processor.h"
#include "output_files.h"
#include "settings_options.h"

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace pictavo;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printUsage(std::ostream& out)
{
    out << "Kullanım:\n"
           "  pictavo-cli info DOSYA\n"
           "  pictavo-cli convert KAYNAK HEDEF [seçenekler]\n"
           "  pictavo-cli batch --output KLASÖR [seçenekler] [--prefix METİN] [--suffix METİN] "
           "YOL…\n"
           "Seçenekler:\n"
        << cli::settingsOptionsUsage();
}

int usageError(std::string_view message)
{
    std::cerr << "pictavo-cli: " << message << "\n";
    printUsage(std::cerr);
    return kExitUsage;
}

int runInfo(const std::vector<std::string_view>& arguments)
{
    if (arguments.size() != 1)
        return usageError("info tek bir dosya alır");
    const std::optional<ImageInfo> info = ImageProcessor::imageInfo(std::string(arguments[0]));
    if (!info) {
        std::cerr << ProcessingError(ProcessingError::cannotRead).what() << "\n";
        return kExitFailure;
    }
    std::cout << info->width << ' ' << info->height << ' ' << info->fileSize << "\n";
    return 0;
}

int runConvert(const std::vector<std::string_view>& arguments)
{
    ResizeSettings settings;
    std::vector<std::string_view> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (!cli::isSettingsOption(argument)) {
            if (argument.starts_with("--"))
                return usageError("bilinmeyen seçenek: " + std::string(argument));
            paths.push_back(argument);
            continue;
        }
        if (i + 1 == arguments.size())
            return usageError("değer eksik: " + std::string(argument));
        if (const auto error = cli::applySettingsOption(argument, arguments[++i], settings))
            return usageError(*error);
    }
    if (paths.size() != 2)
        return usageError("convert bir kaynak ve bir hedef alır");
    endOnTerminationRequests();
    try {
        ImageProcessor::process(std::string(paths[0]), std::string(paths[1]), settings);
    } catch (const ProcessingError& error) {
        std::cerr << error.what() << "\n";
        return kExitFailure;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (arguments.empty())
        return usageError("komut eksik");
    const std::string_view command = arguments.front();
    const std::vector<std::string_view> rest(arguments.begin() + 1, arguments.end());
    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(std::cout);
        return 0;
    }
    if (command == "info")
        return runInfo(rest);
    if (command == "convert")
        return runConvert(rest);
    if (command == "batch")
        return cli::runBatch(argc, argv, rest);
    return usageError("bilinmeyen komut: " + std::string(command));
}

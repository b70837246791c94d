// pictavo-cli: the engine from the command line.
//   info FILE                 prints "WIDTH HEIGHT BYTES" (upright size)
//   convert SOURCE DEST …     one conversion with the given settings
//   batch --output DIR … PATH…  the whole queue workflow (batch_command.h)
// Exit codes: 0 success, 1 the image could not be read or converted, 2 bad arguments.
// Paths are bytes from argv to the file system; they become text only when printed.

#include "arguments.h"
#include "batch_command.h"
#include "image_processor.h"
#include "printed_path.h"
#include "process_setup.h"
#include "settings_options.h"
#include "termination_requests.h"

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
        << cli::settingsOptionsUsage() << cli::pathRulesUsage();
}

int usageError(std::string_view message)
{
    std::cerr << "pictavo-cli: " << message << "\n";
    printUsage(std::cerr);
    return kExitUsage;
}

int runInfo(const std::vector<std::string_view>& arguments)
{
    const auto split = cli::splitArguments(arguments, [](std::string_view) { return false; });
    if (const auto* error = std::get_if<std::string>(&split))
        return usageError(*error);
    const std::vector<std::string_view>& paths = std::get<cli::SplitArguments>(split).paths;
    if (paths.size() != 1)
        return usageError("info tek bir dosya alır");
    const std::optional<ImageInfo> info = ImageProcessor::imageInfo(std::string(paths[0]));
    if (!info) {
        std::cerr << ProcessingError(ProcessingError::cannotRead).what() << "\n";
        return kExitFailure;
    }
    std::cout << info->width << ' ' << info->height << ' ' << info->fileSize << "\n";
    return 0;
}

int runConvert(const std::vector<std::string_view>& arguments)
{
    const auto split = cli::splitArguments(arguments, cli::isSettingsOption);
    if (const auto* error = std::get_if<std::string>(&split))
        return usageError(*error);
    const auto& [options, paths] = std::get<cli::SplitArguments>(split);
    if (paths.size() != 2)
        return usageError("convert bir kaynak ve bir hedef alır");
    // Without --format the destination's name says what it is: b.png gets PNG bytes.
    ResizeSettings settings;
    settings.format = cli::formatForDestination(std::string(paths[1]));
    for (const auto& [name, value] : options)
        if (const auto error = cli::applySettingsOption(name, value, settings))
            return usageError(*error);
    setUpImageEngine(1);
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
    setUpConversionProcess();
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
    return usageError("bilinmeyen komut: " + cli::printedPath(command));
}

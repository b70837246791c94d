// libFuzzer target for the whole conversion path: ImageProcessor::imageInfo, then
// ImageProcessor::process, on a file whose bytes come from the fuzzer.
//
// Input layout: an 8-byte header that picks the settings, then the image file itself.
//
//   [0] bits 0-2: source extension (jpg jpeg png heic heif tif tiff webp)
//       bit 3: extension in upper case       bit 4: keepMetadata
//       bit 5: preventUpscaling              bit 6: destination exists beforehand
//       bit 7: destination folder is missing
//   [1] output format (value % 7); HEIC and AVIF output only when the byte is >= 0xF0, as
//       their encoders are slow
//   [2..3] width, [4..5] height (little endian, see sideFrom)
//   [6] resize mode (value % 3)
//   [7] quality (see qualityFrom)
//
// Besides crashes, sanitizer reports, leaks and hangs, these count as faults: an exception other
// than ProcessingError, a successful conversion whose output is not an image of the written
// type and the promised size, a failed one that touched the destination, and any temporary
// file left behind.

#include "fuzz_environment.h"
#include "image_processor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <signal.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using pictavo::ImageInfo;
using pictavo::OutputFormat;
using pictavo::ProcessingError;
using pictavo::ResizeMode;
using pictavo::ResizeSettings;
using pictavo::WrittenType;
namespace ImageProcessor = pictavo::ImageProcessor;

constexpr std::size_t kHeaderSize = 8;
constexpr std::array<const char*, 8> kExtensions{"jpg",  "jpeg", "png",  "heic",
                                                 "heif", "tif",  "tiff", "webp"};
constexpr char kOldContent[] = "old destination";

constexpr std::string_view kFolderPrefix = "pictavo-fuzz-";

fs::path g_folder;

struct Case {
    std::string extension;
    ResizeSettings settings;
    bool destinationExists = false;
    bool missingFolder = false;
};

[[noreturn]] void fault(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "\n==fuzz_engine== FAULT: %s%s%s\n", what, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::abort();
}

// Mostly 1..600; now and then a value the settings allow but a user rarely types.
std::int64_t sideFrom(std::uint8_t low, std::uint8_t high)
{
    constexpr std::array<std::int64_t, 8> rare{0,
                                               -1,
                                               -600,
                                               std::numeric_limits<std::int64_t>::min(),
                                               std::numeric_limits<std::int64_t>::max(),
                                               1,
                                               2,
                                               600};
    const unsigned value = (static_cast<unsigned>(high) << 8 | low) % 640;
    if (value < 600)
        return static_cast<std::int64_t>(value) + 1;
    return rare[(value - 600) % rare.size()];
}

// Mostly 0..1.2 in steps of 0.005; the top sixteen byte values are edge cases.
double qualityFrom(std::uint8_t byte)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr std::array<double, 16> rare{std::numeric_limits<double>::quiet_NaN(),
                                          -std::numeric_limits<double>::quiet_NaN(),
                                          inf,
                                          -inf,
                                          -1.0,
                                          -0.001,
                                          2.0,
                                          1e308,
                                          -1e308,
                                          0.005,
                                          0.004999,
                                          0.995,
                                          std::numeric_limits<double>::denorm_min(),
                                          std::numeric_limits<double>::max(),
                                          std::numeric_limits<double>::lowest(),
                                          1.0};
    if (byte < 0xF0)
        return byte / 200.0;
    return rare[byte - 0xF0];
}

Case caseFrom(const std::uint8_t* header)
{
    Case c;
    c.extension = kExtensions[header[0] & 7];
    if (header[0] & 8)
        std::transform(c.extension.begin(), c.extension.end(), c.extension.begin(),
                       [](unsigned char ch) { return static_cast<char>(ch & ~0x20); });
    c.settings.keepMetadata = (header[0] & 0x10) != 0;
    c.settings.preventUpscaling = (header[0] & 0x20) != 0;
    c.destinationExists = (header[0] & 0x40) != 0;
    c.missingFolder = (header[0] & 0x80) != 0;

    c.settings.format = static_cast<OutputFormat>(header[1] % pictavo::kAllOutputFormats.size());
    const WrittenType type = utType(c.settings.format, "input." + c.extension);
    if (header[1] < 0xF0 && (type == WrittenType::heic || type == WrittenType::avif))
        c.settings.format = OutputFormat::jpeg;

    c.settings.width = sideFrom(header[2], header[3]);
    c.settings.height = sideFrom(header[4], header[5]);
    c.settings.mode = static_cast<ResizeMode>(header[6] % 3);
    c.settings.quality = qualityFrom(header[7]);
    return c;
}

// The canvas the engine promises: the target with sides below 1 counted as 1, or the image's
// own size when upscaling is prevented and the image fits inside the target.
ImageInfo expectedSize(const ImageInfo& source, const ResizeSettings& settings)
{
    const std::int64_t width = std::max<std::int64_t>(settings.width, 1);
    const std::int64_t height = std::max<std::int64_t>(settings.height, 1);
    if (settings.preventUpscaling && source.width <= width && source.height <= height)
        return {source.width, source.height, 0};
    return {width, height, 0};
}

std::string readPrefix(const fs::path& file, std::size_t count)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool hasSignature(const std::string& head, WrittenType type)
{
    switch (type) {
    case WrittenType::jpeg:
        return head.compare(0, 3, "\xFF\xD8\xFF") == 0;
    case WrittenType::png:
        return head.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0;
    case WrittenType::tiff:
        return head.compare(0, 4, std::string("II*\0", 4)) == 0 ||
               head.compare(0, 4, std::string("MM\0*", 4)) == 0 ||
               head.compare(0, 4, std::string("II+\0", 4)) == 0 ||
               head.compare(0, 4, std::string("MM\0+", 4)) == 0;
    case WrittenType::heic:
        return head.size() >= 12 && head.compare(4, 4, "ftyp") == 0 &&
               head.compare(8, 4, "avif") != 0;
    case WrittenType::webp:
        return head.size() >= 12 && head.compare(0, 4, "RIFF") == 0 &&
               head.compare(8, 4, "WEBP") == 0;
    case WrittenType::avif:
        return head.size() >= 12 && head.compare(4, 8, "ftypavif") == 0;
    }
    return false;
}

std::string describe(const ImageInfo& info)
{
    return std::to_string(info.width) + "x" + std::to_string(info.height);
}

void writeFile(const fs::path& file, const std::uint8_t* data, std::size_t size)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr)
        fault("cannot create the input file", file.string());
    if (size > 0 && std::fwrite(data, 1, size, out) != size)
        fault("cannot write the input file", file.string());
    if (std::fclose(out) != 0)
        fault("cannot write the input file", file.string());
}

void removeQuietly(const fs::path& file)
{
    std::error_code ignored;
    fs::remove(file, ignored);
}

void removeFolder()
{
    std::error_code ignored;
    if (!g_folder.empty())
        fs::remove_all(g_folder, ignored);
}

// A process that crashed or was killed leaves its folder behind; the folders are named after
// their process, so those whose process has ended are removed here.
void removeFoldersOfEndedProcesses(const fs::path& temporary)
{
    std::vector<fs::path> ended;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(temporary, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kFolderPrefix, 0) != 0)
            continue;
        const std::string digits = name.substr(kFolderPrefix.size());
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (::kill(static_cast<pid_t>(std::stol(digits)), 0) != 0 && errno == ESRCH)
            ended.push_back(entry.path());
    }
    for (const fs::path& path : ended)
        fs::remove_all(path, error);
}

// This process's folder, made on first use: the parent of libFuzzer's -fork mode never runs
// an input itself.
const fs::path& folder()
{
    if (g_folder.empty()) {
        const fs::path temporary = fs::temp_directory_path();
        removeFoldersOfEndedProcesses(temporary);
        const fs::path path = temporary / (std::string(kFolderPrefix) + std::to_string(::getpid()));
        std::error_code ignored;
        fs::remove_all(path, ignored);
        if (::mkdir(path.c_str(), 0700) != 0)
            fault("cannot create the temporary folder", path.string());
        g_folder = path;
        std::atexit(removeFolder);
    }
    return g_folder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    pictavo::fuzz::prepareEnvironment();

    // Starts libvips now, so its one-time set-up is not charged to the first input.
    (void)ImageProcessor::imageInfo(fs::path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::array<std::uint8_t, kHeaderSize> header{};
    std::copy_n(data, std::min(size, kHeaderSize), header.begin());
    const std::uint8_t* file = data + std::min(size, kHeaderSize);
    const std::size_t fileSize = size - std::min(size, kHeaderSize);
    const Case c = caseFrom(header.data());

    const fs::path& work = folder();
    const fs::path source = work / ("input." + c.extension);
    const fs::path destination = c.missingFolder ? work / "missing" / "out" : work / "out";
    writeFile(source, file, fileSize);
    if (c.destinationExists && !c.missingFolder) {
        std::ofstream old(destination, std::ios::binary);
        old << kOldContent;
    }

    const std::optional<ImageInfo> info = ImageProcessor::imageInfo(source);
    if (info) {
        if (info->width < 1 || info->height < 1)
            fault("imageInfo reported an empty image", describe(*info));
        if (info->fileSize != static_cast<std::int64_t>(fileSize))
            fault("imageInfo reported a wrong file size", std::to_string(info->fileSize));
    }

    bool converted = false;
    try {
        ImageProcessor::process(source, destination, c.settings);
        converted = true;
    } catch (const ProcessingError& error) {
        if (error.what() == nullptr || *error.what() == '\0')
            fault("ProcessingError without a message");
    }

    if (converted) {
        if (c.missingFolder)
            fault("process reported success for a folder that does not exist");
        if (!info)
            fault("process converted a file that imageInfo cannot read");
        const WrittenType type = utType(c.settings.format, "input." + c.extension);
        if (!hasSignature(readPrefix(destination, 12), type))
            fault("the output is not of the written type", std::to_string(static_cast<int>(type)));
        const std::optional<ImageInfo> written = ImageProcessor::imageInfo(destination);
        if (!written)
            fault("the output cannot be read back");
        const ImageInfo expected = expectedSize(*info, c.settings);
        if (written->width != expected.width || written->height != expected.height)
            fault("the output has the wrong size",
                  describe(*written) + " instead of " + describe(expected));
    } else if (c.destinationExists && !c.missingFolder) {
        if (readPrefix(destination, sizeof kOldContent) != kOldContent)
            fault("a failed conversion changed the destination");
    } else if (fs::exists(destination)) {
        fault("a failed conversion created the destination");
    }

    // Nothing but the input and the destination may remain: the staged file must be gone.
    for (const fs::directory_entry& entry : fs::directory_iterator(work)) {
        const fs::path name = entry.path().filename();
        if (name != source.filename() && name != "out")
            fault("a file was left behind", name.string());
    }
    removeQuietly(source);
    removeQuietly(work / "out");
    return 0;
}

#include "settings_options.h"

#include "printed_path.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace pictavo::cli {

namespace {

constexpr std::array<std::pair<std::string_view, ResizeMode>, 3> kModeNames{{
    {"fit", ResizeMode::fit},
    {"fill", ResizeMode::fill},
    {"stretch", ResizeMode::stretch},
}};

// The --format names: "original", then each written type's own.
std::optional<OutputFormat> formatFromName(std::string_view text)
{
    if (text == kOriginalCliName)
        return OutputFormat::original;
    for (const FormatTraits& traits : allFormatTraits())
        if (traits.cliName == text)
            return traits.format;
    return std::nullopt;
}

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// Locale-independent: a decimal point, never a comma, whatever LC_NUMERIC says.
std::optional<double> parseFraction(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Bytes, or with a decimal suffix as the queue shows sizes: "500k" and "500K" are 500,000
// bytes, "2M" 2,000,000. Nothing when it is anything else or beyond 64 bits.
std::optional<std::int64_t> parseByteCount(std::string_view text)
{
    std::int64_t unit = 1;
    if (text.ends_with('k') || text.ends_with('K'))
        unit = 1'000;
    else if (text.ends_with('M'))
        unit = 1'000'000;
    if (unit != 1)
        text.remove_suffix(1);
    const std::optional<std::int64_t> count = parseInteger(text);
    if (!count || *count > std::numeric_limits<std::int64_t>::max() / unit)
        return std::nullopt;
    return *count * unit;
}

std::optional<bool> parseYesNo(std::string_view text)
{
    if (text == "yes")
        return true;
    if (text == "no")
        return false;
    return std::nullopt;
}

template <typename T, std::size_t N>
std::optional<T> lookup(const std::array<std::pair<std::string_view, T>, N>& names,
                        std::string_view text)
{
    for (const auto& [name, value] : names)
        if (name == text)
            return value;
    return std::nullopt;
}

std::string invalid(std::string_view name, std::string_view value, std::string_view rule = {})
{
    std::string text = "geçersiz değer: " + std::string(name) + " " + printedPath(value);
    if (!rule.empty())
        text += " (" + std::string(rule) + ")";
    return text;
}

} // namespace

bool isSettingsOption(std::string_view name)
{
    return name == "--width" || name == "--height" || name == "--mode" || name == "--format" ||
           name == "--quality" || name == "--keep-metadata" || name == "--prevent-upscaling" ||
           name == "--max-size";
}

std::optional<std::string> applySettingsOption(std::string_view name, std::string_view value,
                                               ResizeSettings& settings)
{
    bool valid = false;
    if (name == "--width" || name == "--height") {
        const std::optional<std::int64_t> number = parseInteger(value);
        if (number && *number < 1)
            return invalid(name, value, "en az 1 olmalı");
        valid = number.has_value();
        if (valid)
            (name == "--width" ? settings.width : settings.height) = *number;
    } else if (name == "--mode") {
        const std::optional<ResizeMode> mode = lookup(kModeNames, value);
        valid = mode.has_value();
        if (valid)
            settings.mode = *mode;
    } else if (name == "--format") {
        const std::optional<OutputFormat> format = formatFromName(value);
        valid = format.has_value();
        if (valid)
            settings.format = *format;
    } else if (name == "--quality") {
        const std::optional<double> quality = parseFraction(value);
        if (quality && (*quality < 0 || *quality > 1))
            return invalid(name, value, "0 ile 1 arası olmalı");
        valid = quality.has_value();
        if (valid)
            settings.quality = *quality;
    } else if (name == "--max-size") {
        const std::optional<std::int64_t> bytes = parseByteCount(value);
        if (bytes && *bytes < 1)
            return invalid(name, value, "en az 1 olmalı");
        valid = bytes.has_value();
        if (valid) {
            settings.limitFileSize = true;
            settings.maxFileSizeBytes = *bytes;
        }
    } else if (name == "--keep-metadata" || name == "--prevent-upscaling") {
        const std::optional<bool> flag = parseYesNo(value);
        valid = flag.has_value();
        if (valid)
            (name == "--keep-metadata" ? settings.keepMetadata : settings.preventUpscaling) = *flag;
    }
    return valid ? std::nullopt : std::optional<std::string>(invalid(name, value));
}

std::optional<std::vector<TargetSize>> parseSizeList(std::string_view text)
{
    std::vector<TargetSize> sizes;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        const std::size_t x = item.find('x');
        if (x == std::string_view::npos)
            return std::nullopt;
        const std::optional<std::int64_t> width = parseInteger(item.substr(0, x));
        const std::optional<std::int64_t> height = parseInteger(item.substr(x + 1));
        if (!width || !height || *width < 1 || *height < 1 ||
            std::find(sizes.begin(), sizes.end(), TargetSize{*width, *height}) != sizes.end() ||
            sizes.size() == kMaxTargetSizes)
            return std::nullopt;
        sizes.push_back({*width, *height});
        start = comma + 1;
    }
    return sizes;
}

std::optional<std::string> checkNamePart(std::string_view name, std::string_view value)
{
    if (value.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos)
        return std::nullopt;
    return invalid(name, value, "/ içeremez");
}

OutputFormat formatForDestination(const std::filesystem::path& destination)
{
    const FormatTraits* traits = traitsForExtension(lowercaseExtension(destination));
    return traits ? traits->format : OutputFormat::original;
}

std::string_view settingsOptionsUsage()
{
    return "  --width N                      hedef genişlik, en az 1 (varsayılan 1920)\n"
           "  --height N                     hedef yükseklik, en az 1 (varsayılan 1080)\n"
           "  --mode fit|fill|stretch        ölçekleme (varsayılan fit)\n"
           "  --format original|jpeg|png|heic|tiff|webp|avif\n"
           "                                 çıktı biçimi (varsayılan original; convert'te\n"
           "                                 hedefin uzantısı)\n"
           "  --quality Q                    kalite, 0 ile 1 arası (varsayılan 0.9)\n"
           "  --max-size N[k|K|M]            dosya boyutu sınırı, bayt (k, K: ×1000;\n"
           "                                 M: ×1000000); kayıplı biçimlerde kalite, dosya\n"
           "                                 bu boyutu aşmayacak en yüksek değer olur\n"
           "  --keep-metadata yes|no         metadata'yı koru (varsayılan yes)\n"
           "  --prevent-upscaling yes|no     küçük görselleri büyütme (varsayılan no)\n";
}

std::string_view pathRulesUsage()
{
    return "  --                             ardından gelen her argüman bir yoldur (- ile\n"
           "                                 başlayan adlar için)\n"
           "Yollar:\n"
           "  Yazdırılan yollarda ters eğik çizgi \"\\\\\", sekme \"\\t\", satır sonu \"\\n\" "
           "olarak\n"
           "  yazılır (ayrıca \\a \\b \\v \\f \\r); öteki denetim baytları ve UTF-8 olmayan\n"
           "  baytlar ters eğik çizgi ve üç sekizlik rakamla yazılır (\"\\351\").\n"
           "  Dosyaların adları değişmez.\n"
           "  batch, verilen yollardan (ve klasörlerdeki desteklenen uzantılı dosyalardan)\n"
           "  sıraya giremeyen her biri için \"skipped YOL: NEDEN\" yazar ve 1 ile çıkar:\n"
           "  Dosya bulunamadı, Desteklenmeyen dosya türü, Görsel okunamadı, Zaten sırada.\n";
}

} // namespace pictavo::cli

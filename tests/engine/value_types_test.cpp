#include "image_processor.h"
#include "size_preset.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

// The raw values are the Turkish labels the window shows and the command line parses: only the
// exact text builds a case back.
TEST(RawValues, TurkishLabelsRoundTripExactly)
{
    const std::vector<std::string_view> modes{"Sığdır", "Doldur", "Esnet"};
    ASSERT_EQ(kAllResizeModes.size(), modes.size());
    for (std::size_t i = 0; i < modes.size(); ++i) {
        EXPECT_EQ(rawValue(kAllResizeModes[i]), modes[i]);
        EXPECT_EQ(resizeModeFromRawValue(modes[i]), kAllResizeModes[i]);
    }
    const std::vector<std::pair<std::string_view, bool>> formats{
        {"Orijinali Koru", true}, {"JPEG", true}, {"PNG", false}, {"HEIC", true},
        {"TIFF", false},          {"WebP", true}, {"AVIF", true}};
    ASSERT_EQ(kAllOutputFormats.size(), formats.size());
    for (std::size_t i = 0; i < formats.size(); ++i) {
        EXPECT_EQ(rawValue(kAllOutputFormats[i]), formats[i].first);
        EXPECT_EQ(outputFormatFromRawValue(formats[i].first), kAllOutputFormats[i]);
        EXPECT_EQ(supportsQuality(kAllOutputFormats[i]), formats[i].second);
    }
    for (const char* wrong : {"sığdır", "Sigdir", "fit", "", "jpeg", "orijinali koru", "WEBP"}) {
        EXPECT_EQ(resizeModeFromRawValue(wrong), std::nullopt) << wrong;
        EXPECT_EQ(outputFormatFromRawValue(wrong), std::nullopt) << wrong;
    }
    EXPECT_EQ(modeDescription(ResizeMode::fit), "Oranı korur, görselin tamamı görünür");
    EXPECT_EQ(modeDescription(ResizeMode::fill), "Oranı korur, kenarlardan kırpar");
    EXPECT_EQ(modeDescription(ResizeMode::stretch), "Tam ölçüye esnetir");
    EXPECT_STREQ(ProcessingError(ProcessingError::cannotRead).what(), "Görsel okunamadı");
    EXPECT_STREQ(ProcessingError(ProcessingError::cannotCreate).what(), "Çıktı oluşturulamadı");
    EXPECT_STREQ(ProcessingError(ProcessingError::cannotWrite).what(), "Dosya kaydedilemedi");
}

// "Keep the original" keeps the source's type and spelling of the extension where the engine
// can write it, and falls back to PNG where it cannot (WebP and AVIF sources, unknown names).
TEST(WrittenType, FollowsTheFormatAndTheSourceName)
{
    using F = OutputFormat;
    using T = WrittenType;
    const struct {
        OutputFormat format;
        const char* source;
        WrittenType type;
        const char* extension;
    } cases[] = {
        {F::original, "/p/a.JPG", T::jpeg, "jpg"},   {F::original, "/p/a.JPEG", T::jpeg, "jpg"},
        {F::original, "/p/a.png", T::png, "png"},    {F::original, "/p/a.tiff", T::tiff, "tiff"},
        {F::original, "/p/a.TIF", T::tiff, "tif"},   {F::original, "/p/a.HEIF", T::heic, "heif"},
        {F::original, "/p/a.heic", T::heic, "heic"}, {F::original, "/p/a.webp", T::png, "png"},
        {F::original, "/p/a.AVIF", T::png, "png"},   {F::original, "/p/noext", T::png, "png"},
        {F::original, "/p/a.tar.gz", T::png, "png"}, {F::jpeg, "/p/a.png", T::jpeg, "jpg"},
        {F::png, "/p/a.jpg", T::png, "png"},         {F::heic, "/p/a.tif", T::heic, "heic"},
        {F::tiff, "/p/a.webp", T::tiff, "tiff"},     {F::webp, "/p/a.JPG", T::webp, "webp"},
        {F::avif, "/p/noext", T::avif, "avif"}};
    for (const auto& c : cases) {
        EXPECT_EQ(utType(c.format, c.source), c.type) << c.source;
        EXPECT_EQ(fileExtension(c.format, c.source), c.extension) << c.source;
    }
}

// Each written type's label, extensions and aliases (in any letter case) lead back to it, every
// one of them is accepted on intake, and only the lossy types offer a quality.
TEST(FormatTraits, EveryRowLeadsBackToItsType)
{
    ASSERT_EQ(allFormatTraits().size() + 1, kAllOutputFormats.size());
    for (const FormatTraits& row : allFormatTraits()) {
        SCOPED_TRACE(std::string(row.label));
        EXPECT_EQ(&traitsOf(row.type), &row);
        EXPECT_EQ(outputFormatFromRawValue(row.label), row.format);
        EXPECT_EQ(utType(row.format, "/p/a.png"), row.type);
        EXPECT_EQ(fileExtension(row.format, "/p/a.png"), row.extension);
        EXPECT_EQ(supportsQuality(row.format), row.lossy);
        for (const std::string_view name : {row.extension, row.alias}) {
            if (name.empty())
                continue;
            EXPECT_EQ(ImageProcessor::supportedExtensions().count(std::string(name)), 1U);
            std::string upper(name);
            for (char& c : upper)
                c = static_cast<char>(c - 'a' + 'A');
            EXPECT_EQ(utType(OutputFormat::original, "/p/a." + upper),
                      row.keptAsOriginal ? row.type : WrittenType::png);
        }
    }
}

TEST(SizePreset, TheTenPresetsInDisplayOrder)
{
    std::vector<std::string> shown;
    for (const SizePreset& preset : SizePreset::all())
        shown.push_back(preset.title + " " + preset.subtitle + " " + std::to_string(preset.width) +
                        "x" + std::to_string(preset.height));
    EXPECT_EQ(shown,
              (std::vector<std::string>{
                  "Web Kare S 1:1 400x400", "Web Kare M 1:1 800x800", "Web Kare L 1:1 1200x1200",
                  "Web Kare XL 1:1 1600x1600", "Instagram Kare 1:1 1080x1080",
                  "Instagram Dikey 4:5 1080x1350", "Story / Reels 9:16 1080x1920",
                  "Full HD 16:9 1920x1080", "4K UHD 16:9 3840x2160", "Web Yatay 3:2 1800x1200"}));
    // Only Full HD is current for the default target; a turned size is another preset.
    int current = 0;
    for (const SizePreset& preset : SizePreset::all())
        current += preset.matches(ResizeSettings{}.width, ResizeSettings{}.height) ? 1 : 0;
    EXPECT_EQ(current, 1);
    EXPECT_FALSE(SizePreset::all()[7].matches(1080, 1920));
}

} // namespace
} // namespace pictavo

#include "image_processor.h"
#include "resize_settings.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

TEST(ResizeSettings, NewValueHoldsTheDefaults)
{
    const ResizeSettings settings;
    EXPECT_EQ(settings.width, 1920);
    EXPECT_EQ(settings.height, 1080);
    EXPECT_EQ(settings.mode, ResizeMode::fit);
    EXPECT_EQ(settings.format, OutputFormat::original);
    EXPECT_DOUBLE_EQ(settings.quality, 0.9);
    EXPECT_TRUE(settings.keepMetadata);
    EXPECT_FALSE(settings.preventUpscaling);
    EXPECT_EQ(settings.prefix, "");
    EXPECT_EQ(settings.suffix, "_resized");
}

TEST(ResizeSettings, StoresSizesNothingHereRejects)
{
    ResizeSettings settings;
    settings.width = 0;
    settings.height = -5;
    EXPECT_EQ(settings.width, 0);
    EXPECT_EQ(settings.height, -5);
    ResizeSettings copy = settings;
    copy.suffix = "x";
    EXPECT_NE(copy, settings);
}

TEST(ResizeMode, RawValuesInDeclarationOrder)
{
    ASSERT_EQ(kAllResizeModes.size(), 3u);
    EXPECT_EQ(rawValue(kAllResizeModes[0]), "Sığdır");
    EXPECT_EQ(rawValue(kAllResizeModes[1]), "Doldur");
    EXPECT_EQ(rawValue(kAllResizeModes[2]), "Esnet");
    EXPECT_EQ(modeDescription(ResizeMode::fit), "Oranı korur, görselin tamamı görünür");
    EXPECT_EQ(modeDescription(ResizeMode::fill), "Oranı korur, kenarlardan kırpar");
    EXPECT_EQ(modeDescription(ResizeMode::stretch), "Tam ölçüye esnetir");
}

TEST(ResizeMode, BuiltFromExactRawValueOnly)
{
    EXPECT_EQ(resizeModeFromRawValue("Sığdır"), ResizeMode::fit);
    EXPECT_EQ(resizeModeFromRawValue("Esnet"), ResizeMode::stretch);
    EXPECT_EQ(resizeModeFromRawValue("sığdır"), std::nullopt);
    EXPECT_EQ(resizeModeFromRawValue("Sigdir"), std::nullopt);
    EXPECT_EQ(resizeModeFromRawValue("fit"), std::nullopt);
    EXPECT_EQ(resizeModeFromRawValue(""), std::nullopt);
}

TEST(OutputFormat, RawValuesAndQualitySupport)
{
    const std::vector<std::pair<std::string_view, bool>> expected{
        {"Orijinali Koru", true}, {"JPEG", true}, {"PNG", false}, {"HEIC", true},
        {"TIFF", false},          {"WebP", true}, {"AVIF", true}};
    ASSERT_EQ(kAllOutputFormats.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rawValue(kAllOutputFormats[i]), expected[i].first);
        EXPECT_EQ(supportsQuality(kAllOutputFormats[i]), expected[i].second);
        EXPECT_EQ(outputFormatFromRawValue(expected[i].first), kAllOutputFormats[i]);
    }
    EXPECT_EQ(outputFormatFromRawValue("jpeg"), std::nullopt);
    EXPECT_EQ(outputFormatFromRawValue("orijinali koru"), std::nullopt);
    EXPECT_EQ(outputFormatFromRawValue("WEBP"), std::nullopt);
}

struct WrittenCase {
    OutputFormat format;
    const char* source;
    WrittenType type;
    const char* extension;
};

class WrittenTypeAndExtension : public testing::TestWithParam<WrittenCase> {};

TEST_P(WrittenTypeAndExtension, FollowTheFormatRules)
{
    const WrittenCase& c = GetParam();
    EXPECT_EQ(utType(c.format, c.source), c.type) << c.source;
    EXPECT_EQ(fileExtension(c.format, c.source), c.extension) << c.source;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WrittenTypeAndExtension,
    testing::Values(WrittenCase{OutputFormat::original, "/p/a.JPG", WrittenType::jpeg, "jpg"},
                    WrittenCase{OutputFormat::original, "/p/a.JPEG", WrittenType::jpeg, "jpg"},
                    WrittenCase{OutputFormat::original, "/p/a.jpeg", WrittenType::jpeg, "jpg"},
                    WrittenCase{OutputFormat::original, "/p/a.png", WrittenType::png, "png"},
                    WrittenCase{OutputFormat::original, "/p/a.tiff", WrittenType::tiff, "tiff"},
                    WrittenCase{OutputFormat::original, "/p/a.tif", WrittenType::tiff, "tif"},
                    WrittenCase{OutputFormat::original, "/p/a.TIF", WrittenType::tiff, "tif"},
                    WrittenCase{OutputFormat::original, "/p/a.HEIF", WrittenType::heic, "heif"},
                    WrittenCase{OutputFormat::original, "/p/a.heic", WrittenType::heic, "heic"},
                    WrittenCase{OutputFormat::original, "/p/a.webp", WrittenType::png, "png"},
                    WrittenCase{OutputFormat::original, "/p/a.AVIF", WrittenType::png, "png"},
                    WrittenCase{OutputFormat::original, "/p/noext", WrittenType::png, "png"},
                    WrittenCase{OutputFormat::original, "/p/a.tar.gz", WrittenType::png, "png"},
                    WrittenCase{OutputFormat::jpeg, "/p/a.png", WrittenType::jpeg, "jpg"},
                    WrittenCase{OutputFormat::png, "/p/a.jpg", WrittenType::png, "png"},
                    WrittenCase{OutputFormat::heic, "/p/a.tif", WrittenType::heic, "heic"},
                    WrittenCase{OutputFormat::tiff, "/p/a.webp", WrittenType::tiff, "tiff"},
                    WrittenCase{OutputFormat::webp, "/p/a.JPG", WrittenType::webp, "webp"},
                    WrittenCase{OutputFormat::webp, "/p/a.webp", WrittenType::webp, "webp"},
                    WrittenCase{OutputFormat::avif, "/p/a.heic", WrittenType::avif, "avif"},
                    WrittenCase{OutputFormat::avif, "/p/noext", WrittenType::avif, "avif"}));

TEST(WrittenType, IdentifiersAndTransparency)
{
    EXPECT_EQ(identifier(WrittenType::jpeg), "public.jpeg");
    EXPECT_EQ(identifier(WrittenType::png), "public.png");
    EXPECT_EQ(identifier(WrittenType::heic), "public.heic");
    EXPECT_EQ(identifier(WrittenType::tiff), "public.tiff");
    EXPECT_EQ(identifier(WrittenType::webp), "org.webmproject.webp");
    EXPECT_EQ(identifier(WrittenType::avif), "public.avif");
    EXPECT_EQ(preferredFilenameExtension(WrittenType::webp), "webp");
    EXPECT_EQ(preferredFilenameExtension(WrittenType::avif), "avif");
    EXPECT_TRUE(supportsTransparency(WrittenType::png));
    EXPECT_TRUE(supportsTransparency(WrittenType::tiff));
    EXPECT_TRUE(supportsTransparency(WrittenType::webp));
    EXPECT_TRUE(supportsTransparency(WrittenType::avif));
    EXPECT_FALSE(supportsTransparency(WrittenType::jpeg));
    EXPECT_FALSE(supportsTransparency(WrittenType::heic));
}

TEST(ProcessingError, TurkishDescriptions)
{
    EXPECT_STREQ(ProcessingError(ProcessingError::cannotRead).what(), "Görsel okunamadı");
    EXPECT_STREQ(ProcessingError(ProcessingError::cannotCreate).what(), "Çıktı oluşturulamadı");
    EXPECT_STREQ(ProcessingError(ProcessingError::cannotWrite).what(), "Dosya kaydedilemedi");
}

TEST(ImageProcessor, SupportsExactlyTheNineExtensions)
{
    const std::set<std::string> expected{"jpg", "jpeg", "png",  "heic", "heif",
                                         "tif", "tiff", "webp", "avif"};
    EXPECT_EQ(ImageProcessor::supportedExtensions(), expected);
}

} // namespace
} // namespace pictavo

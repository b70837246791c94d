#include "exif_edit.h"
#include "test_images.h"

#include <gtest/gtest.h>
#include <libexif/exif-data.h>

namespace pictavo {
namespace {

using namespace test;

int orientationIn(const Bytes& exif)
{
    return detail::exifOrientation(exif.data(), exif.size());
}

// A portrait JPEG stored on its side (orientation 6) carrying EXIF, XMP, IPTC and an ICC
// profile, as a phone would write it.
fs::path portraitWithMetadata(const TempDir& dir)
{
    const Bytes xmp = {'<', 'x', ':', 'x', 'm', 'p', 'm', 'e', 't', 'a', '/', '>'};
    const Bytes iptc = {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04};
    vips::VImage image =
        solid(80, 40, {200, 60, 60})
            .icc_transform("srgb", vips::VImage::option()->set("input_profile", "srgb"))
            .copy();
    const Bytes exif = exifWithOrientation(6);
    vips_image_set_blob_copy(image.get_image(), VIPS_META_EXIF_NAME, exif.data(), exif.size());
    vips_image_set_blob_copy(image.get_image(), VIPS_META_XMP_NAME, xmp.data(), xmp.size());
    vips_image_set_blob_copy(image.get_image(), VIPS_META_IPTC_NAME, iptc.data(), iptc.size());
    image.set(VIPS_META_ORIENTATION, 6);
    const fs::path path = dir / "portrait.jpg";
    image.jpegsave(path.c_str());
    return path;
}

ResizeSettings keeping(bool keep, OutputFormat format)
{
    ResizeSettings settings;
    settings.width = 20;
    settings.height = 40;
    settings.format = format;
    settings.keepMetadata = keep;
    return settings;
}

TEST(Metadata, KeptInJpegWithUprightOrientation)
{
    TempDir dir;
    const fs::path source = portraitWithMetadata(dir);
    const vips::VImage original = decode(source);
    ASSERT_EQ(orientationIn(blobField(original, VIPS_META_EXIF_NAME)), 6);

    ImageProcessor::process(source, dir / "out.jpg", keeping(true, OutputFormat::jpeg));
    const vips::VImage out = decode(dir / "out.jpg");
    EXPECT_EQ(orientationIn(blobField(out, VIPS_META_EXIF_NAME)), 1);
    EXPECT_EQ(blobField(out, VIPS_META_XMP_NAME), blobField(original, VIPS_META_XMP_NAME));
    EXPECT_EQ(blobField(out, VIPS_META_IPTC_NAME), blobField(original, VIPS_META_IPTC_NAME));
    EXPECT_EQ(blobField(out, VIPS_META_ICC_NAME), blobField(original, VIPS_META_ICC_NAME));
}

TEST(Metadata, EveryWrittenTypeCarriesWhatItsContainerHolds)
{
    TempDir dir;
    const fs::path source = portraitWithMetadata(dir);
    const Bytes icc = blobField(decode(source), VIPS_META_ICC_NAME);

    for (const OutputFormat format : {OutputFormat::heic, OutputFormat::avif}) {
        SCOPED_TRACE(rawValue(format));
        ImageProcessor::process(source, dir / "out.heif", keeping(true, format));
        // libvips drops the orientation of HEIF images on reading: ask libheif.
        EXPECT_EQ(orientationIn(heifExif(dir / "out.heif")), 1);
        EXPECT_EQ(heifProfile(dir / "out.heif"), icc);
        // Not a copy in memory: libvips' HEIF loader frees the XMP block when it closes.
        const vips::VImage heif = vips::VImage::new_from_file((dir / "out.heif").c_str());
        EXPECT_EQ(heif.width(), 20) << "turned in the pixels, not in a box";
        EXPECT_FALSE(blobField(heif, VIPS_META_XMP_NAME).empty());
    }

    for (const OutputFormat format : {OutputFormat::png, OutputFormat::webp}) {
        SCOPED_TRACE(rawValue(format));
        ImageProcessor::process(source, dir / "out", keeping(true, format));
        const vips::VImage image = decode(dir / "out");
        EXPECT_EQ(orientationIn(blobField(image, VIPS_META_EXIF_NAME)), 1);
        EXPECT_FALSE(blobField(image, VIPS_META_XMP_NAME).empty());
        EXPECT_EQ(blobField(image, VIPS_META_ICC_NAME), icc);
        EXPECT_EQ(image.width(), 20);
    }

    ImageProcessor::process(source, dir / "out.tif", keeping(true, OutputFormat::tiff));
    const vips::VImage tiff = decode(dir / "out.tif");
    EXPECT_FALSE(blobField(tiff, VIPS_META_XMP_NAME).empty());
    EXPECT_EQ(blobField(tiff, VIPS_META_ICC_NAME), icc);
}

TEST(Metadata, DroppedEntirelyWhenOff)
{
    TempDir dir;
    const fs::path source = portraitWithMetadata(dir);
    for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::png, OutputFormat::heic,
                                      OutputFormat::tiff, OutputFormat::webp, OutputFormat::avif}) {
        SCOPED_TRACE(rawValue(format));
        ImageProcessor::process(source, dir / "out", keeping(false, format));
        const vips::VImage out = decode(dir / "out");
        EXPECT_FALSE(hasField(out, VIPS_META_EXIF_NAME));
        EXPECT_FALSE(hasField(out, VIPS_META_XMP_NAME));
        EXPECT_FALSE(hasField(out, VIPS_META_IPTC_NAME));
        EXPECT_FALSE(hasField(out, VIPS_META_ICC_NAME));
        // TIFF always states its baseline Orientation tag; it says "upright".
        if (format == OutputFormat::tiff && hasField(out, VIPS_META_ORIENTATION)) {
            EXPECT_EQ(out.get_int(VIPS_META_ORIENTATION), 1);
        } else {
            EXPECT_FALSE(hasField(out, VIPS_META_ORIENTATION));
        }
        if (format == OutputFormat::heic || format == OutputFormat::avif) {
            EXPECT_TRUE(heifExif(dir / "out").empty());
            EXPECT_TRUE(heifProfile(dir / "out").empty());
        }
        EXPECT_EQ(out.width(), 20);
        EXPECT_EQ(out.height(), 40);
    }
}

// The EXIF block in the output describes the new picture: its pixel size, upright, and no
// embedded thumbnail of the old picture (whose own IFD may say "turned"); camera entries stay.
TEST(Metadata, ExifFollowsTheCanvasAndCameraEntriesStay)
{
    if (!hasTestdata())
        GTEST_SKIP() << "no shared test data";
    TempDir dir;
    for (const char* name : {"Canon_EOS_1000D_orient6.jpg", "Samsung_GT-I9000_orient6_gps0.jpg"}) {
        SCOPED_TRACE(name);
        const fs::path source = testdata() / "01-jpeg-camera-exif" / name;
        ASSERT_TRUE(hasField(decode(source), "exif-ifd1-Compression")) << "has a thumbnail";
        ImageProcessor::process(source, dir / "out.jpg", ResizeSettings{});
        const vips::VImage out = decode(dir / "out.jpg");
        EXPECT_EQ(std::string(out.get_string("exif-ifd2-PixelXDimension")).substr(0, 5), "1920 ");
        EXPECT_EQ(std::string(out.get_string("exif-ifd2-PixelYDimension")).substr(0, 5), "1080 ");
        EXPECT_STREQ(out.get_string("exif-ifd0-Model"),
                     decode(source).get_string("exif-ifd0-Model"));
        const Bytes exif = blobField(out, VIPS_META_EXIF_NAME);
        EXPECT_EQ(orientationIn(exif), 1);
        ExifData* parsed = exif_data_new_from_data(exif.data(), static_cast<unsigned>(exif.size()));
        ASSERT_NE(parsed, nullptr);
        EXPECT_EQ(parsed->ifd[EXIF_IFD_1]->count, 0u);
        EXPECT_EQ(parsed->size, 0u) << "no thumbnail data";
        exif_data_unref(parsed);
    }
}

TEST(ExifEdit, BareTiffBlocksAndDamagedBlocks)
{
    Bytes exif = exifWithOrientation(8);
    const Bytes bare(exif.begin() + 6, exif.end());
    EXPECT_EQ(detail::exifOrientation(bare.data(), bare.size()), 8);
    const Bytes normalised = detail::normalizedExif(bare.data(), bare.size(), 10, 10);
    EXPECT_EQ(orientationIn(normalised), 1);

    const Bytes garbage(64, 0xAB);
    EXPECT_TRUE(detail::normalizedExif(garbage.data(), garbage.size(), 10, 10).empty());
    EXPECT_TRUE(detail::normalizedExif(nullptr, 0, 10, 10).empty());
}

} // namespace
} // namespace pictavo

#include "exif_edit.h"
#include "test_images.h"

#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <string_view>

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

// Kept, the metadata travels in every container that holds it, the EXIF block saying "upright"
// because the pixels were turned, not the container (no rotation box in HEIF either). Dropped,
// none of it is left, and neither is an orientation (TIFF always states one: "upright").
TEST(Metadata, KeptUprightInEveryWrittenTypeOrDroppedEntirely)
{
    TempDir dir;
    const fs::path source = portraitWithMetadata(dir);
    const vips::VImage original = decode(source);
    ASSERT_EQ(orientationIn(blobField(original, VIPS_META_EXIF_NAME)), 6);
    // In the order of kAllOutputFormats; the original type of a JPEG source is JPEG.
    const char* loaders[] = {"jpegload", "jpegload", "pngload", "heifload",
                             "tiffload", "webpload", "heifload"};
    for (const bool keep : {true, false})
        for (const OutputFormat format : kAllOutputFormats) {
            SCOPED_TRACE(testing::Message() << rawValue(format) << (keep ? " kept" : " dropped"));
            ImageProcessor::process(source, dir / "out",
                                    target(20, 40, ResizeMode::fit, format, keep));
            // Not a copy in memory: libvips' HEIF loader frees the XMP block when it closes.
            const vips::VImage out = vips::VImage::new_from_file((dir / "out").c_str());
            EXPECT_EQ(std::pair(out.width(), out.height()), std::pair(20, 40));
            EXPECT_STREQ(out.get_string("vips-loader"), loaders[std::size_t(format)]);
            // libvips drops the orientation of HEIF images on reading: ask libheif.
            const bool heif = format == OutputFormat::heic || format == OutputFormat::avif;
            const Bytes exif = heif ? heifExif(dir / "out") : blobField(out, VIPS_META_EXIF_NAME);
            const Bytes icc = blobField(out, VIPS_META_ICC_NAME);
            if (heif) {
                EXPECT_STREQ(out.get_string("heif-compression"),
                             format == OutputFormat::avif ? "av1" : "hevc");
            }
            if (!keep) {
                EXPECT_TRUE(exif.empty() && icc.empty());
                EXPECT_FALSE(hasField(out, VIPS_META_XMP_NAME) ||
                             hasField(out, VIPS_META_IPTC_NAME));
                const bool turned = hasField(out, VIPS_META_ORIENTATION);
                EXPECT_TRUE(!turned || (format == OutputFormat::tiff &&
                                        out.get_int(VIPS_META_ORIENTATION) == 1));
                continue;
            }
            EXPECT_EQ(icc, blobField(original, VIPS_META_ICC_NAME));
            EXPECT_FALSE(blobField(out, VIPS_META_XMP_NAME).empty());
            if (format != OutputFormat::tiff) {
                EXPECT_EQ(orientationIn(exif), 1);
            }
            if (format == OutputFormat::jpeg) {
                EXPECT_EQ(blobField(out, VIPS_META_XMP_NAME),
                          blobField(original, VIPS_META_XMP_NAME));
                EXPECT_EQ(blobField(out, VIPS_META_IPTC_NAME),
                          blobField(original, VIPS_META_IPTC_NAME));
            }
        }
}

// The EXIF block in the output describes the new picture: its pixel size, upright, and no
// embedded thumbnail of the old picture (whose own IFD may say "turned"); camera entries stay.
TEST(Metadata, ExifFollowsTheCanvasAndCameraEntriesStay)
{
    SKIP_WITHOUT_TESTDATA();
    TempDir dir;
    const fs::path source = testdata() / "01-jpeg-camera-exif/Canon_EOS_1000D_orient6.jpg";
    ASSERT_TRUE(hasField(decode(source), "exif-ifd1-Compression")) << "has a thumbnail";
    ImageProcessor::process(source, dir / "out.jpg", ResizeSettings{});
    const vips::VImage out = decode(dir / "out.jpg");
    EXPECT_EQ(std::string(out.get_string("exif-ifd2-PixelXDimension")).substr(0, 5), "1920 ");
    EXPECT_EQ(std::string(out.get_string("exif-ifd2-PixelYDimension")).substr(0, 5), "1080 ");
    EXPECT_STREQ(out.get_string("exif-ifd0-Model"), decode(source).get_string("exif-ifd0-Model"));
    const Bytes exif = blobField(out, VIPS_META_EXIF_NAME);
    EXPECT_EQ(orientationIn(exif), 1);
    ExifData* parsed = exif_data_new_from_data(exif.data(), static_cast<unsigned>(exif.size()));
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(parsed->ifd[EXIF_IFD_1]->count, 0u);
    EXPECT_EQ(parsed->size, 0u) << "no thumbnail data";
    exif_data_unref(parsed);
}

// Every orientation value, metadata kept or dropped, gives an upright picture: the stored
// top-left (red) and top-right (green) blocks end up where the value says.
TEST(Orientation, MarkedCornersEndUpright)
{
    enum { topLeft, topRight, bottomLeft, bottomRight }; // bit 1: right side, bit 2: bottom
    const struct {
        int orientation;
        int red;
        int green;
    } cases[] = {{1, topLeft, topRight},
                 {2, topRight, topLeft},
                 {3, bottomRight, bottomLeft},
                 {4, bottomLeft, bottomRight},
                 {5, topLeft, bottomLeft},
                 {6, topRight, bottomRight},
                 {7, bottomRight, topRight},
                 {8, bottomLeft, topLeft},
                 // Invalid values count as 1.
                 {0, topLeft, topRight},
                 {9, topLeft, topRight}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        writeFile(dir / "in.jpg", turnedJpeg(80, 40, c.orientation));
        const bool quarter = c.orientation >= 5 && c.orientation <= 8;
        const int width = quarter ? 40 : 80;
        const int height = quarter ? 80 : 40;
        ASSERT_EQ(ImageProcessor::imageInfo(dir / "in.jpg")->width, width);
        for (const bool keep : {true, false}) {
            ImageProcessor::process(
                dir / "in.jpg", dir / "out.png",
                target(width, height, ResizeMode::fit, OutputFormat::png, keep));
            const vips::VImage out = decode(dir / "out.png");
            ASSERT_EQ(std::pair(out.width(), out.height()), std::pair(width, height));
            const auto corner = [&](int at) {
                return pixelAt(out, at & 1 ? width - 4 : 3, at & 2 ? height - 4 : 3);
            };
            EXPECT_TRUE(near(corner(c.red), {255, 0, 0}, 40)) << "keep=" << keep;
            EXPECT_TRUE(near(corner(c.green), {0, 255, 0}, 40)) << "keep=" << keep;
        }
    }
}

// Where the probe reads the orientation itself, it gives the queue the size the conversion
// produces through libvips, whatever the byte order or the APP1 segments before the EXIF block.
TEST(OrientationStorage, ProbeAndConversionAgreeOnTheUprightSize)
{
    const Bytes jpeg = markedCornersJpeg(48, 24);
    const std::string_view xmp("http://ns.adobe.com/xap/1.0/\0<x/>", 33);
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"big-endian", withExifSegment(jpeg, exifWithOrientation(6))},
        {"little-endian", withExifSegment(jpeg, exifWithOrientation(8, false))},
        {"after XMP", withExifSegment(withExifSegment(jpeg, exifWithOrientation(5, false)),
                                      Bytes(xmp.begin(), xmp.end()))},
    };
    TempDir dir;
    ResizeSettings asLarge = target(1000, 1000, ResizeMode::fit, OutputFormat::png);
    asLarge.preventUpscaling = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir / "in.jpg", c.file);
        const std::optional<ImageInfo> info = ImageProcessor::imageInfo(dir / "in.jpg");
        ASSERT_TRUE(info);
        ImageProcessor::process(dir / "in.jpg", dir / "out.png", asLarge);
        const vips::VImage out = decode(dir / "out.png");
        EXPECT_TRUE(info->width == 24 && info->height == 48);
        EXPECT_EQ(std::pair(out.width(), out.height()), std::pair(24, 48));
    }
}

} // namespace
} // namespace pictavo

#include "free_name_finder.h"
#include "output_naming.h"
#include "output_subfolders.h"
#include "run_capacity.h"
#include "staged_file.h"
#include "temporary_registry.h"
#include "test_images.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {
namespace {

using namespace test;

const std::vector<double> kBlue{30, 90, 200};

class Processing : public testing::Test {
protected:
    void SetUp() override { solid(400, 300, kBlue).write_to_file(source.c_str()); }

    TempDir dir;
    fs::path source = dir / "photo.jpg";
};

TEST_F(Processing, OutputIsExactlyTheCanvasForEveryModeAndTarget)
{
    for (const auto& [width, height] :
         {std::pair{1920, 1080}, {1, 1}, {1, 500}, {500, 1}, {401, 299}, {17, 13}})
        for (const ResizeMode mode : kAllResizeModes)
            for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::png}) {
                ImageProcessor::process(source, dir / "out", target(width, height, mode, format));
                const vips::VImage image = decode(dir / "out");
                EXPECT_EQ(std::pair(image.width(), image.height()), std::pair(width, height))
                    << rawValue(mode) << " " << rawValue(format);
            }
    ResizeSettings guarded = target(1920, 1080, ResizeMode::fill);
    guarded.preventUpscaling = true;
    ImageProcessor::process(source, dir / "out.jpg", guarded);
    EXPECT_EQ(decode(dir / "out.jpg").width(), 400);
}

// Fit margins and transparent source areas are white in the types without alpha and clear in
// the others, also when the source itself has no alpha.
TEST_F(Processing, MarginsAndClearAreasAreWhiteOrTransparentByType)
{
    // Left half opaque blue, right half fully transparent; fitted into 400×100 with
    // 100-pixel margins left and right.
    solid(200, 100, {30, 90, 200, 255})
        .insert(solid(100, 100, {0, 0, 0, 0}), 100, 0)
        .write_to_file((dir / "alpha.png").c_str());
    for (const char* name : {"photo.jpg", "alpha.png"}) {
        for (const OutputFormat format : kAllOutputFormats) {
            SCOPED_TRACE(std::string(name) + " " + std::string(rawValue(format)));
            ImageProcessor::process(dir / name, dir / "out",
                                    target(400, 100, ResizeMode::fit, format));
            const vips::VImage out = decode(dir / "out");
            const bool opaque = format == OutputFormat::jpeg || format == OutputFormat::heic ||
                                (format == OutputFormat::original && name[0] == 'p');
            ASSERT_EQ(out.bands(), opaque ? 3 : 4);
            const std::vector<double> clear =
                opaque ? std::vector<double>{255, 255, 255} : std::vector<double>{0, 0, 0, 0};
            const auto seen = [&](int x) {
                std::vector<double> pixel = pixelAt(out, x, 50);
                if (pixel.size() == 4 && pixel[3] == 0)
                    pixel = {0, 0, 0, 0}; // the colour under a clear pixel does not matter
                return pixel;
            };
            EXPECT_TRUE(near(seen(5), clear));
            EXPECT_TRUE(near(seen(395), clear));
            std::vector<double> blue = kBlue;
            if (!opaque)
                blue.push_back(255);
            EXPECT_TRUE(near(seen(150), blue, 16));
            if (name[0] == 'a') {
                EXPECT_TRUE(near(seen(250), clear));
            }
        }
    }
}

// Premultiplied resampling keeps the edge of a white area on clear black white; straight
// resampling would blend in the black of the clear pixels.
TEST_F(Processing, ResamplingLeavesNoDarkFringeAtTransparentEdges)
{
    solid(64, 64, {0, 0, 0, 0})
        .insert(solid(32, 64, {255, 255, 255, 255}), 0, 0)
        .write_to_file((dir / "edge.png").c_str());
    ImageProcessor::process(dir / "edge.png", dir / "out.png",
                            target(45, 45, ResizeMode::stretch, OutputFormat::png));
    const vips::VImage image = decode(dir / "out.png");
    for (int x = 0; x < image.width(); ++x) {
        const std::vector<double> p = pixelAt(image, x, 20);
        EXPECT_TRUE(p[3] <= 16 || p[0] > 230) << "x=" << x << " alpha=" << p[3];
    }
}

TEST_F(Processing, QualityChangesLossyOutputOnlyAndIsClamped)
{
    vips::VImage::bandjoin({vips::VImage::gaussnoise(300, 200), vips::VImage::gaussnoise(300, 200),
                            vips::VImage::gaussnoise(300, 200)})
        .cast(VIPS_FORMAT_UCHAR)
        .write_to_file((dir / "noise.png").c_str());
    auto sizeAt = [&](OutputFormat format, double quality) {
        ResizeSettings settings = target(300, 200, ResizeMode::stretch, format);
        settings.quality = quality;
        ImageProcessor::process(dir / "noise.png", dir / "q.out", settings);
        return fs::file_size(dir / "q.out");
    };
    // Both qualities below 0.9, where every encoder keeps the same chroma subsampling.
    for (const OutputFormat format : kAllOutputFormats) {
        if (format == OutputFormat::original)
            continue;
        EXPECT_EQ(sizeAt(format, 0.4) < sizeAt(format, 0.85), supportsQuality(format))
            << rawValue(format);
    }
    // The encoders take whole percents, rounded: 0.566 is %57.
    for (const OutputFormat format : {OutputFormat::jpeg, OutputFormat::webp}) {
        EXPECT_EQ(sizeAt(format, 0.566), sizeAt(format, 0.57)) << rawValue(format);
        EXPECT_NE(sizeAt(format, 0.566), sizeAt(format, 0.56)) << rawValue(format);
    }
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, 7.0), sizeAt(OutputFormat::jpeg, 1.0));
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, -3.0), sizeAt(OutputFormat::jpeg, 0.0));
    EXPECT_EQ(sizeAt(OutputFormat::jpeg, std::nan("")), sizeAt(OutputFormat::jpeg, 0.9));
}

TEST_F(Processing, ReplacesTheDestinationOnlyWhenTheNewFileIsComplete)
{
    writeFile(dir / "out.jpg", Bytes(1000, 'x'));
    ImageProcessor::process(source, dir / "out.jpg", target(40, 30));
    EXPECT_EQ(decode(dir / "out.jpg").width(), 40);

    EXPECT_EQ(failureOf(source, dir / "missing" / "out.jpg"), ProcessingError::cannotWrite);
    // A folder stands where the file should go: the encode succeeds, the rename cannot.
    fs::create_directory(dir / "taken.jpg");
    writeFile(dir / "taken.jpg" / "keep.txt", Bytes{'k'});
    EXPECT_EQ(failureOf(source, dir / "taken.jpg"), ProcessingError::cannotWrite);
    EXPECT_EQ(readFile(dir / "taken.jpg" / "keep.txt"), Bytes{'k'});
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out.jpg", "photo.jpg", "taken.jpg"}))
        << "no temporary file may stay behind";
}

// Every path under `root`, relative to it, sorted.
std::vector<std::string> tree(const fs::path& root)
{
    std::vector<std::string> paths;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        paths.push_back(entry.path().lexically_relative(root).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

struct NamingCase {
    std::string prefix;
    std::string suffix;
    OutputFormat format;
    std::string source;
    std::string subfolder; // kept from the source's folder; "" for none
    std::string written;   // below the output folder; "" when the subfolder is refused
};

class Writing : public testing::TestWithParam<NamingCase> {};

// The output's name follows prefix + base name + suffix + extension, and nothing a prefix,
// suffix or kept subfolder holds can put the file anywhere but below the output folder: a
// subfolder that climbs, stands still or goes through a link is refused before anything is made.
TEST_P(Writing, NamesAndSubfoldersStayBelowTheOutputFolder)
{
    const NamingCase& c = GetParam();
    TempDir dir;
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "in");
    fs::create_directory_symlink(dir / "in", dir / "out" / "link");
    solid(8, 6, {10, 20, 30}).write_to_file((dir / "in" / c.source).c_str());
    ResizeSettings settings = target(4, 3, ResizeMode::fit, c.format);
    settings.prefix = c.prefix;
    settings.suffix = c.suffix;
    const fs::path written = fs::path(c.subfolder) / c.written;
    std::vector<std::string> expected{"in", "in/" + c.source, "out", "out/link"};
    OutputSubfolders subfolders(OpenFolder::open(dir / "out"));
    if (c.written.empty()) {
        EXPECT_FALSE(subfolders.prepare(c.subfolder));
    } else {
        EXPECT_EQ(outputFileName(settings, c.source), c.written);
        ASSERT_TRUE(c.subfolder.empty() || subfolders.prepare(c.subfolder));
        FreeNameFinder names(OpenFolder::open(dir / "out"), c.subfolder, settings,
                             dir / "in" / c.source);
        ImageProcessor::processToNewFile(dir / "in" / c.source, settings,
                                         [&] { return names.next(); });
        for (fs::path step = "out" / written; step != "out"; step = step.parent_path())
            expected.push_back(step.string());
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(tree(dir.path()), expected);
}

const OutputFormat kOriginal = OutputFormat::original;

INSTANTIATE_TEST_SUITE_P(
    Table, Writing,
    testing::Values(NamingCase{"", "_resized", kOriginal, "Tatil.JPEG", "", "Tatil_resized.jpg"},
                    NamingCase{"", "_resized", kOriginal, "my.photo.jpg", "",
                               "my.photo_resized.jpg"},
                    NamingCase{"web_", "", OutputFormat::jpeg, "Foto.HEIC", "", "web_Foto.jpg"},
                    NamingCase{"", "_resized", kOriginal, "photo.webp", "", "photo_resized.png"},
                    NamingCase{"../", "", kOriginal, "a.png", "", ".._a.png"},
                    NamingCase{"a/b", "/", kOriginal, "a.png", "", "a_ba_.png"},
                    NamingCase{std::string("x\0y", 3), "", kOriginal, "a.png", "", "x_ya.png"},
                    NamingCase{"", "/../../z", kOriginal, "a.png", "", "a_.._.._z.png"},
                    NamingCase{"", "", kOriginal, "a.png", "kept/deep", "a.png"},
                    NamingCase{"", "", kOriginal, "a.png", "..", ""},
                    NamingCase{"", "", kOriginal, "a.png", "../kept", ""},
                    NamingCase{"", "", kOriginal, "a.png", "/tmp", ""},
                    NamingCase{"", "", kOriginal, "a.png", "link/x", ""}));

// Names are numbered Name-2, Name-3 … past everything that exists, a dangling link included:
// writing through it would create a file wherever it points.
// Several sizes from one decode: each size is what a run of that size alone writes. The largest
// has the same pixels, and so has a size that crops another part of a PNG (made from the same
// decode); a smaller size resampled from a larger canvas, or from a larger JPEG decode than
// its own run's, differs by a fraction of a level on average. A size the type cannot hold
// fails alone.
TEST(SeveralSizes, EachSizeIsWhatItsOwnRunWrites)
{
    TempDir dir;
    const auto band = [] {
        return vips::VImage::gaussnoise(1600, 1200).gaussblur(3);
    };
    const vips::VImage photo = band().bandjoin({band(), band()}).cast(VIPS_FORMAT_UCHAR);
    photo.write_to_file((dir / "photo.jpg").c_str());
    photo.bandjoin_const({200}).write_to_file((dir / "photo.png").c_str());
    ResizeSettings settings;
    settings.format = OutputFormat::jpeg;
    const std::vector<TargetSize> sizes{{1000, 700}, {70000, 10}, {160, 160}};
    for (const std::string source : {"photo.jpg", "photo.png"}) {
        const fs::path out = dir / ("out-" + source);
        settings.mode = source == "photo.png" ? ResizeMode::fill : ResizeMode::fit;
        std::vector<ImageProcessor::SizedOutput> outputs;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            fs::create_directories(out / std::to_string(i));
            outputs.push_back({sizes[i], [&, i] { return out / std::to_string(i) / "x.jpg"; },
                               OpenFolder::open(out / std::to_string(i))});
        }
        const auto results = ImageProcessor::processToNewFiles(dir / source, settings, outputs);
        ASSERT_EQ(results.size(), 3u);
        EXPECT_EQ(results[1].error, ProcessingError(ProcessingError::cannotCreate)) << source;
        for (const std::size_t i : {0u, 2u}) {
            ASSERT_FALSE(results[i].error) << source << i;
            const fs::path alone = out / ("alone" + std::to_string(i) + ".jpg");
            ImageProcessor::process(dir / source, alone, atSize(settings, sizes[i]));
            const vips::VImage difference =
                (decode(results[i].written).cast(VIPS_FORMAT_INT) - decode(alone)).abs();
            if (i == 0 || source == "photo.png")
                EXPECT_EQ(difference.max(), 0) << source << i;
            else
                EXPECT_LE(difference.avg(), 1.0) << source << i;
        }
    }
}

TEST(FreeNames, SkipEverythingThatExists)
{
    TempDir dir;
    writeFile(dir / "a_resized.png", Bytes{'x'});
    writeFile(dir / "a_resized-2.png", Bytes{'x'});
    fs::create_symlink(dir / "nowhere", dir / "a_resized-4.png");
    FreeNameFinder names(OpenFolder::open(dir.path()), "",
                         target(1, 1, ResizeMode::fit, OutputFormat::png), "/p/a.jpg");
    EXPECT_EQ(names.next(), dir / "a_resized-3.png");
    EXPECT_EQ(names.next(), dir / "a_resized-5.png");
}

// A name that was free when it was handed out but taken before the write only costs a number:
// the other program's file stays as it was.
TEST(FreeNames, NeverReplaceAFileThatAppearedMeanwhile)
{
    TempDir dir;
    solid(40, 30, {10, 20, 30}).write_to_file((dir / "in.png").c_str());
    const Bytes theirs{'t', 'h', 'e', 'i', 'r', 's'};
    int calls = 0;
    const fs::path written = ImageProcessor::processToNewFile(dir / "in.png", target(4, 3), [&] {
        if (++calls == 1)
            writeFile(dir / "a.png", theirs);
        return dir / (calls == 1 ? "a.png" : "a-2.png");
    });
    EXPECT_EQ(written, dir / "a-2.png");
    EXPECT_EQ(readFile(dir / "a.png"), theirs);
    EXPECT_EQ(decode(dir / "a-2.png").width(), 4);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a-2.png", "a.png", "in.png"}));
    EXPECT_THROW(ImageProcessor::processToNewFile(dir / "in.png", {},
                                                  [&] { return dir / "gone" / "a.png"; }),
                 ProcessingError);
}

mode_t modeOf(const fs::path& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// A new file follows the umask; a replaced one keeps the mode its owner gave it.
TEST(FileModes, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode)
{
    TempDir dir;
    solid(8, 6, {10, 20, 30}).write_to_file((dir / "in.png").c_str());
    writeFile(dir / "private.png", Bytes{'o', 'l', 'd'});
    ASSERT_EQ(::chmod((dir / "private.png").c_str(), 0600), 0);
    // A umask that leaves group writing on, as on systems with a group per user.
    const mode_t saved = ::umask(002);
    ImageProcessor::processToNewFile(dir / "in.png", target(4, 3), [&] { return dir / "new.png"; });
    ImageProcessor::process(dir / "in.png", dir / "private.png", target(4, 3));
    ::umask(saved);
    EXPECT_EQ(modeOf(dir / "new.png"), 0664u);
    EXPECT_EQ(modeOf(dir / "private.png"), 0600u);
    EXPECT_GT(fs::file_size(dir / "private.png"), 3u);
}

// The job count's memory estimate counts a source's decoded samples: a 12 MP 16-bit RGBA
// interlaced PNG peaked at 140 MB in one conversion, nearly twice an 8-bit one.
TEST(ImageInfo, GivesTheDecodedSampleSizeForTheMemoryEstimate)
{
    TempDir dir;
    const vips::VImage rgba = solid(8, 6, {10, 20, 30, 255});
    const vips::VImage deep =
        (rgba * 257)
            .cast(VIPS_FORMAT_USHORT)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    for (const auto& [name, image, bytes] : std::vector<std::tuple<std::string, vips::VImage, int>>{
             {"rgb.jpg", rgba.flatten(), 4},
             {"rgba16.png", deep, 8},
             {"rgb16.tif", deep.extract_band(0, vips::VImage::option()->set("n", 3)), 6}}) {
        image.write_to_file((dir / name).c_str());
        EXPECT_EQ(ImageProcessor::imageInfo(dir / name).value_or(ImageInfo{}).decodedBytesPerPixel,
                  bytes)
            << name;
    }
    EXPECT_GT(conversionMemoryEstimate(12'000'000, 8, 1920 * 1080, 0), 140'000'000);
}

// A second termination request removes every file being written, however many there are at
// once (one per conversion in flight).
TEST(StagedFiles, EveryOneBeingWrittenIsRemovedOnRequest)
{
    TempDir dir;
    const std::shared_ptr<const OpenFolder> folder = OpenFolder::open(dir.path());
    std::vector<std::unique_ptr<detail::StagedFile>> staged;
    for (int i = 0; i < 100; ++i)
        staged.push_back(
            std::make_unique<detail::StagedFile>(folder, "out" + std::to_string(i) + ".jpg"));
    EXPECT_EQ(dir.entries().size(), 100u);
    detail::removeRegisteredTemporaries();
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

// A staged file cut short behind the writer's back (another program, a failing disk) is never
// put in place: it must hold exactly the bytes written.
TEST(StagedFiles, OneCutShortAfterItsWritesIsNotPutInPlace)
{
    TempDir dir;
    detail::StagedFile staged(OpenFolder::open(dir.path()), "out.jpg");
    staged.write(Bytes(1000, 'x'));
    ASSERT_EQ(dir.entries().size(), 1u);
    ASSERT_EQ(::truncate((dir / dir.entries().front()).c_str(), 500), 0);
    EXPECT_THROW(staged.commit(), ProcessingError);
    EXPECT_FALSE(fs::exists(dir / "out.jpg"));
}

} // namespace
} // namespace pictavo

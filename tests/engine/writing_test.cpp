#include "output_naming.h"
#include "output_subfolders.h"
#include "test_images.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pictavo {
namespace {

using namespace test;

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
    OutputSubfolders subfolders(dir / "out");
    if (c.written.empty()) {
        EXPECT_FALSE(subfolders.prepare(c.subfolder));
    } else {
        EXPECT_EQ(outputFileName(settings, c.source), c.written);
        ASSERT_TRUE(c.subfolder.empty() || subfolders.prepare(c.subfolder));
        FreeNameFinder names(dir / "out" / c.subfolder, settings, dir / "in" / c.source);
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
                    NamingCase{"", "-k", kOriginal, "IMG.HEIF", "", "IMG-k.heif"},
                    NamingCase{"../", "", kOriginal, "a.png", "", ".._a.png"},
                    NamingCase{"/tmp/abs", "", kOriginal, "a.png", "", "_tmp_absa.png"},
                    NamingCase{"a/b", "/", kOriginal, "a.png", "", "a_ba_.png"},
                    NamingCase{std::string("x\0y", 3), "", kOriginal, "a.png", "", "x_ya.png"},
                    NamingCase{"", "/../../z", kOriginal, "a.png", "", "a_.._.._z.png"},
                    NamingCase{"", "", kOriginal, "a.png", "kept/deep", "a.png"},
                    NamingCase{"", "", kOriginal, "a.png", "..", ""},
                    NamingCase{"", "", kOriginal, "a.png", ".", ""},
                    NamingCase{"", "", kOriginal, "a.png", "../kept", ""},
                    NamingCase{"", "", kOriginal, "a.png", "/tmp", ""},
                    NamingCase{"", "", kOriginal, "a.png", "link/x", ""}));

// Names are numbered Name-2, Name-3 … past everything that exists, a dangling link included:
// writing through it would create a file wherever it points.
TEST(FreeNames, SkipEverythingThatExists)
{
    TempDir dir;
    writeFile(dir / "a_resized.png", Bytes{'x'});
    writeFile(dir / "a_resized-2.png", Bytes{'x'});
    fs::create_symlink(dir / "nowhere", dir / "a_resized-4.png");
    FreeNameFinder names(dir.path(), target(1, 1, ResizeMode::fit, OutputFormat::png), "/p/a.jpg");
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
    const fs::path written = ImageProcessor::processToNewFile(dir / "in.png", {}, [&] {
        if (++calls == 1)
            writeFile(dir / "a.png", theirs);
        return dir / (calls == 1 ? "a.png" : "a-2.png");
    });
    EXPECT_EQ(written, dir / "a-2.png");
    EXPECT_EQ(readFile(dir / "a.png"), theirs);
    EXPECT_EQ(decode(dir / "a-2.png").width(), 1920);
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

TEST(FileModes, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode)
{
    TempDir dir;
    solid(8, 6, {10, 20, 30}).write_to_file((dir / "in.png").c_str());
    for (const mode_t mask : {022, 077, 027}) {
        const mode_t saved = ::umask(mask);
        const std::string label = "umask " + std::to_string(mask);
        const fs::path fresh = dir / ("new" + label + ".png");
        ImageProcessor::processToNewFile(dir / "in.png", {}, [&] { return fresh; });
        EXPECT_EQ(modeOf(fresh), 0666 & ~mask) << label;
        const fs::path converted = dir / ("convert" + label + ".png");
        ImageProcessor::process(dir / "in.png", converted, {});
        EXPECT_EQ(modeOf(converted), 0666 & ~mask) << label;

        const fs::path replaced = dir / ("private" + label + ".png");
        writeFile(replaced, Bytes{'o', 'l', 'd'});
        ASSERT_EQ(::chmod(replaced.c_str(), 0600), 0);
        ImageProcessor::process(dir / "in.png", replaced, {});
        EXPECT_EQ(modeOf(replaced), 0600u) << label;
        EXPECT_GT(fs::file_size(replaced), 3u) << label;
        ::umask(saved);
    }
}

} // namespace
} // namespace pictavo

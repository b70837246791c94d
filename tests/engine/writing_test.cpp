#include "output_naming.h"
#include "test_images.h"

#include <algorithm>
#include <cstdio>
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
        paths.push_back(fs::relative(entry.path(), root).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(Writing, PrefixAndSuffixNeverLeaveTheFolder)
{
    struct Case {
        std::string prefix;
        std::string suffix;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"../", "", ".._a.png"},
        {"../../x", "", ".._.._xa.png"},
        {"/tmp/abs", "", "_tmp_absa.png"},
        {"a/b", "/", "a_ba_.png"},
        {std::string("x\0y", 3), "", "x_ya.png"},
        {"", "/../../z", "a_.._.._z.png"},
    };
    for (const Case& test : cases) {
        TempDir dir;
        const fs::path folder = dir / "out" / "deep";
        fs::create_directories(folder);
        fs::create_directories(dir / "in");
        solid(8, 6, {10, 20, 30}).write_to_file((dir / "in" / "a.png").c_str());
        ResizeSettings settings;
        settings.prefix = test.prefix;
        settings.suffix = test.suffix;
        settings.width = 4;
        settings.height = 3;
        EXPECT_EQ(outputFileName(settings, dir / "in" / "a.png"), test.expected) << test.prefix;
        FreeNameFinder names(folder, settings, dir / "in" / "a.png");
        try {
            ImageProcessor::processToNewFile(dir / "in" / "a.png", settings,
                                             [&] { return names.next(); });
        } catch (const ProcessingError& error) {
            ADD_FAILURE() << test.prefix << test.suffix << ": " << error.what();
        }
        EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"in", "in/a.png", "out", "out/deep",
                                                              "out/deep/" + test.expected}))
            << test.prefix << test.suffix;
    }
}

// Sets the process umask for a scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_saved(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_saved); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_saved;
};

mode_t modeOf(const fs::path& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST(Writing, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode)
{
    TempDir dir;
    solid(8, 6, {10, 20, 30}).write_to_file((dir / "in.png").c_str());
    for (const mode_t mask : {022, 077, 027}) {
        const ScopedUmask umask(mask);
        char label[16];
        std::snprintf(label, sizeof label, "umask %03o", mask);
        const fs::path fresh = dir / ("new" + std::to_string(mask) + ".png");
        ImageProcessor::processToNewFile(dir / "in.png", {}, [&] { return fresh; });
        EXPECT_EQ(modeOf(fresh), 0666 & ~mask) << label;
        const fs::path converted = dir / ("convert" + std::to_string(mask) + ".png");
        ImageProcessor::process(dir / "in.png", converted, {});
        EXPECT_EQ(modeOf(converted), 0666 & ~mask) << label;

        const fs::path replaced = dir / ("private" + std::to_string(mask) + ".png");
        writeFile(replaced, Bytes{'o', 'l', 'd'});
        ASSERT_EQ(::chmod(replaced.c_str(), 0600), 0);
        ImageProcessor::process(dir / "in.png", replaced, {});
        EXPECT_EQ(modeOf(replaced), 0600u) << label;
        EXPECT_GT(fs::file_size(replaced), 3u) << label;
    }
}

} // namespace
} // namespace pictavo

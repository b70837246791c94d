#include "test_images.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace pictavo {
namespace {

using namespace test;

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

CliResult cli(const TempDir& dir, const std::vector<std::string>& arguments)
{
    std::string command = quoted(PICTAVO_CLI);
    for (const std::string& argument : arguments)
        command += " " + quoted(argument);
    command += " >" + quoted((dir / "stdout").string()) + " 2>" + quoted((dir / "stderr").string());
    const int status = std::system(command.c_str());
    const Bytes out = readFile(dir / "stdout");
    const Bytes err = readFile(dir / "stderr");
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(out.begin(), out.end()),
            std::string(err.begin(), err.end())};
}

TEST(Cli, InfoPrintsUprightSizeAndBytes)
{
    TempDir dir;
    writeFile(dir / "turned.jpg",
              withExifSegment(markedCornersJpeg(80, 40), exifWithOrientation(6)));
    const CliResult run = cli(dir, {"info", (dir / "turned.jpg").string()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "40 80 " + std::to_string(fs::file_size(dir / "turned.jpg")) + "\n");

    writeFile(dir / "text.jpg", Bytes{'n', 'o'});
    const CliResult bad = cli(dir, {"info", (dir / "text.jpg").string()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err, "Görsel okunamadı\n");
    EXPECT_EQ(bad.out, "");
}

TEST(Cli, ConvertAppliesEveryOption)
{
    TempDir dir;
    solid(400, 300, {200, 40, 40}).write_to_file((dir / "in.png").c_str());
    const CliResult run =
        cli(dir, {"convert", (dir / "in.png").string(), (dir / "out.heic").string(), "--width",
                  "100", "--height", "50", "--mode", "fill", "--format", "jpeg", "--quality", "0.5",
                  "--keep-metadata", "no", "--prevent-upscaling", "yes"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const vips::VImage out = vips::VImage::new_from_file((dir / "out.heic").c_str());
    EXPECT_STREQ(out.get_string("vips-loader"), "jpegload") << "--format wins over the name";
    EXPECT_EQ(out.width(), 100);
    EXPECT_EQ(out.height(), 50);

    // Left-out options take the defaults: 1920×1080, fit, the source's own type.
    ASSERT_EQ(cli(dir, {"convert", (dir / "in.png").string(), (dir / "d.png").string()}).exitCode,
              0);
    const vips::VImage defaults = decode(dir / "d.png");
    EXPECT_EQ(defaults.width(), 1920);
    EXPECT_EQ(defaults.height(), 1080);
    EXPECT_EQ(defaults.bands(), 4) << "fit margins are transparent in PNG";
}

TEST(Cli, ConvertReportsTheEngineErrorInTurkish)
{
    TempDir dir;
    writeFile(dir / "broken.jpg", Bytes(100, 0));
    const CliResult unreadable =
        cli(dir, {"convert", (dir / "broken.jpg").string(), (dir / "out.jpg").string()});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(unreadable.err, "Görsel okunamadı\n");

    solid(10, 10, {1, 1, 1}).write_to_file((dir / "in.png").c_str());
    const CliResult tooWide =
        cli(dir, {"convert", (dir / "in.png").string(), (dir / "out.jpg").string(), "--width",
                  "70000", "--format", "jpeg"});
    EXPECT_EQ(tooWide.exitCode, 1);
    EXPECT_EQ(tooWide.err, "Çıktı oluşturulamadı\n");

    const CliResult unwritable = cli(
        dir, {"convert", (dir / "in.png").string(), (dir / "no-such-folder" / "out.png").string()});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(unwritable.err, "Dosya kaydedilemedi\n");
}

TEST(Cli, BadArgumentsExitWithUsage)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> cases{
        {},
        {"resize"},
        {"info"},
        {"info", "a", "b"},
        {"convert", "a"},
        {"convert", "a", "b", "c"},
        {"convert", "a", "b", "--width"},
        {"convert", "a", "b", "--width", "12px"},
        {"convert", "a", "b", "--height", ""},
        {"convert", "a", "b", "--mode", "Sığdır"},
        {"convert", "a", "b", "--format", "webp"},
        {"convert", "a", "b", "--quality", "nan"},
        {"convert", "a", "b", "--quality", "high"},
        {"convert", "a", "b", "--keep-metadata", "true"},
        {"convert", "a", "b", "--prevent-upscaling", "1"},
        {"convert", "a", "b", "--colour", "red"},
    };
    for (const std::vector<std::string>& arguments : cases) {
        const CliResult run = cli(dir, arguments);
        std::string joined;
        for (const std::string& argument : arguments)
            joined += argument + " ";
        EXPECT_EQ(run.exitCode, 2) << joined;
        EXPECT_NE(run.err.find("Kullanım"), std::string::npos) << joined;
    }
    EXPECT_EQ(cli(dir, {"--help"}).exitCode, 0);
}

} // namespace
} // namespace pictavo

#include "sample_files.h"
#include "test_images.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace pictavo {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

struct CliResult {
    int exitCode = -1;
    Lines out;
    std::string err;
};

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

Lines lines(const fs::path& file)
{
    const Bytes bytes = readFile(file);
    std::stringstream stream(std::string(bytes.begin(), bytes.end()));
    Lines result;
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

// Runs pictavo-cli in a temporary folder; "$" in an argument or an expected line stands for
// that folder.
class Cli : public ::testing::Test {
protected:
    // A command line split at spaces; "''" stands for an empty argument, "~" for a space.
    Lines words(const std::string& line) const
    {
        Lines result;
        std::istringstream stream(line);
        for (std::string word; stream >> word;) {
            std::ranges::replace(word, '~', ' ');
            result.push_back(word == "''" ? "" : at(word));
        }
        return result;
    }

    std::string at(std::string text) const
    {
        for (std::size_t i = text.find('$'); i != std::string::npos; i = text.find('$', i + 1))
            text.replace(i, 1, dir.path().string());
        return text;
    }
    Lines at(const Lines& texts) const
    {
        Lines result;
        for (const std::string& text : texts)
            result.push_back(at(text));
        return result;
    }

    // A command that waits for ever fails with timeout's 124 instead of hanging the suite.
    CliResult run(const std::string& line, const std::string& wrapper = "")
    {
        return run(words(line), wrapper);
    }
    CliResult run(const Lines& arguments, const std::string& wrapper = "")
    {
        std::string command = "timeout 120 " + wrapper + " " + quoted(PICTAVO_CLI);
        for (const std::string& argument : arguments)
            command += " " + quoted(at(argument));
        command += " >" + quoted(at("$/stdout")) + " 2>" + quoted(at("$/stderr"));
        const int status = std::system(command.c_str());
        const Bytes err = readFile(dir / "stderr");
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, lines(dir / "stdout"),
                std::string(err.begin(), err.end())};
    }

    void image(const std::string& name, int width = 40, int height = 30)
    {
        fs::create_directories((dir / name).parent_path());
        solid(width, height, {9, 90, 200}).write_to_file((dir / name).c_str());
    }
    // Noise compresses badly, so encoding it takes long enough to be interrupted.
    void noise(const std::string& name, int width, int height)
    {
        fs::create_directories((dir / name).parent_path());
        const auto band = [&] {
            return vips::VImage::gaussnoise(width, height);
        };
        band()
            .bandjoin({band(), band()})
            .cast(VIPS_FORMAT_UCHAR)
            .write_to_file((dir / name).c_str());
    }

    // Runs pictavo-cli in the background until a conversion's temporary file shows in $/out
    // (or, with `whileReading`, until it has that folder open), then sends it `signals` 50 ms
    // apart. Returns the exit code, or 128 + the ending signal.
    int interrupted(const std::string& line, const std::vector<int>& signals,
                    const std::string& whileReading = "")
    {
        // A background job of a shell starts with SIGINT ignored, which the program respects.
        std::string script = "env --default-signal=INT,TERM,HUP " + quoted(PICTAVO_CLI);
        for (const std::string& argument : words(line))
            script += " " + quoted(argument);
        const std::string ready =
            whileReading.empty()
                ? "ls -A " + quoted(at("$/out")) + " 2>/dev/null | grep -q pictavo-"
                : "ls -l /proc/$!/fd 2>/dev/null | grep -q " + quoted(at(whileReading) + "$");
        script += " >" + quoted(at("$/stdout")) + " 2>/dev/null & until " + ready +
                  "; do sleep 0.002; done";
        for (const int signal : signals)
            script += "; kill -" + std::to_string(signal) + " $!; sleep 0.05";
        const int status =
            std::system(("timeout 120 sh -c " + quoted(script + "; wait $!")).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempDir dir;
};

std::set<std::string> entriesOf(const fs::path& folder)
{
    std::set<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        found.insert(entry.path().filename().native());
    return found;
}

// The type comes from --format, else from the destination's extension; the bytes must say so.
TEST_F(Cli, ConvertWritesTheTypeAndSizeAskedFor)
{
    image("in.png", 400, 300);
    std::vector<std::tuple<std::string, std::string, std::string, int, int>> cases{
        {"j.png", "--format webp --width 40 --height 30", "WEBP", 40, 30},
        {"l.heic",
         "--width 100 --height 50 --mode fill --format jpeg --quality 0.5 --keep-metadata no "
         "--prevent-upscaling yes",
         "\xff\xd8\xff", 100, 50},
        {"defaults.png", "", "\x89PNG", 1920, 1080},
        {"kept.png", "--width 800 --height 600 --prevent-upscaling yes --keep-metadata no",
         "\x89PNG", 400, 300},
    };
    for (const auto& [name, magic] :
         std::vector<std::pair<std::string, std::string>>{{"b.JPEG", "\xff\xd8\xff"},
                                                          {"f.Tiff", "II*"},
                                                          {"h", "\x89PNG"},
                                                          {"i.AVIF", "ftypavif"}})
        cases.emplace_back(name, "--width 20 --height 15", magic, 20, 15);
    for (const auto& [name, options, magic, width, height] : cases) {
        const CliResult result = run("convert $/in.png $/" + name + " " + options);
        ASSERT_EQ(result.exitCode, 0) << name << result.err;
        const Bytes written = readFile(dir / name);
        EXPECT_NE(std::string(written.begin(), written.begin() + 12).find(magic), std::string::npos)
            << name;
        const vips::VImage out = decode(dir / name);
        EXPECT_EQ(out.width(), width) << name;
        EXPECT_EQ(out.height(), height) << name;
        std::vector<double> centre = pixelAt(out, width / 2, height / 2);
        centre.resize(3); // a transparent margin adds alpha
        EXPECT_TRUE(near(centre, {9, 90, 200}, 12)) << name;
    }
}

TEST_F(Cli, BadArgumentsExitWithUsage)
{
    // A real image, so a refusal that slips through would start (or hang) a batch.
    image("a.jpg", 8, 8);
    const char* const cases[]{"",
                              "resize",
                              "info a b",
                              "convert a b --width",
                              "convert a b --width 12px",
                              "convert a b --mode Sığdır",
                              "convert a b --format WebP",
                              "convert a b --colour red",
                              "convert a b --width 0",
                              "convert a b --quality 5",
                              "convert a b --max-size 0",
                              "convert a b --max-size 12kB",
                              "convert a b --max-size 1.5M",
                              "convert a b --max-size k",
                              "convert a b --max-size 99999999999999M",
                              "batch --output $/o --max-size -1k $/a.jpg",
                              "convert -a.png b",
                              "batch $/a.jpg",
                              "batch --output $/o",
                              "batch --output $/o --prefix ../ $/a.jpg",
                              "batch --output '' $/a.jpg",
                              "batch --output $/o --jobs 0 $/a.jpg",
                              "batch --output $/o --keep-folders evet $/a.jpg",
                              "batch --output $/o --sizes 1920x $/a.jpg",
                              "batch --output $/o --sizes 0x100 $/a.jpg",
                              "batch --output $/o --sizes 8x8,9X9 $/a.jpg",
                              "batch --output $/o --sizes 8x8,4x4,8x8 $/a.jpg",
                              "batch --output $/o --sizes "
                              "1x1,2x2,3x3,4x4,5x5,6x6,7x7,8x8,9x9,1x2,1x3,1x4,1x5,1x6,1x7,1x8,1x9 "
                              "$/a.jpg",
                              "batch --output $/o --sizes 8x8 --width 8 $/a.jpg"};
    for (const char* line : cases) {
        const CliResult result = run(line);
        EXPECT_EQ(result.exitCode, 2) << line;
        EXPECT_NE(result.err.find("Kullanım"), std::string::npos) << line;
    }
    EXPECT_FALSE(fs::exists(dir / "o"));
    EXPECT_EQ(run("--help").exitCode, 0);
}

// A limit in bytes, or in decimal kB and MB.
TEST_F(Cli, MaxSizeTakesBytesOrDecimalUnits)
{
    noise("noise.png", 1000, 800);
    for (const auto& [value, limit] :
         {std::pair{"60000", 60'000}, {"60k", 60'000}, {"60K", 60'000}, {"1M", 1'000'000}}) {
        const std::string line = std::string("convert $/noise.png $/out.jpg --max-size ") + value;
        ASSERT_EQ(run(line).exitCode, 0) << line;
        EXPECT_LE(fs::file_size(dir / "out.jpg"), limit) << line;
        EXPECT_GT(fs::file_size(dir / "out.jpg"), limit * 0.9) << line;
    }
}

struct Case {
    std::string line;
    int exitCode;
    Lines out; // a line ending in "*" only has to start with the rest
    std::string err = "";
};

// Every line of a batch comes in queue order, whatever finishes first; each named path that
// does not join the queue gets a line (so does an unreadable file inside a named folder).
// Failures of single files are told on standard error.
TEST_F(Cli, CommandsReportEveryItemInTurkish)
{
    writeFile(dir / "turned.jpg",
              withExifSegment(markedCornersJpeg(80, 40), exifWithOrientation(6)));
    image("-in.png");
    const std::string turnedBytes = std::to_string(fs::file_size(dir / "turned.jpg"));
    image("in/a.png");
    image("in/sub/b.jpg");
    image("good.png");
    noise("big/a.png", 3000, 2400);
    writeTruncatedJpeg(dir / "broken.jpg", 200, 100);
    writeFile(dir / "empty.jpg", {});
    writeFile(dir / "text.jpg", Bytes{'n', 'o'});
    writeFile(dir / "notes.txt", Bytes{'x'});
    writeFile(dir / "in" / "readme.txt", Bytes{'x'}); // other files in a folder: not reported
    writeFile(dir / "in" / "sub" / "bad.png", Bytes{'x'});
    writeFile(dir / "blocker", Bytes{'x'});
    // A temporary that a crash left in a kept subfolder goes when a run enters that folder.
    const fs::path abandoned = dir / "out/mirrored/in/sub/.b_resized.png.pictavo-Ab12Cd";
    fs::create_directories(abandoned.parent_path());
    writeFile(abandoned, Bytes{'x'});
    std::vector<Case> cases{
        {"info $/turned.jpg", 0, {"40 80 " + turnedBytes}},
        {"convert -- $/-in.png $/no-such-folder/out.png", 1, {}, "Dosya kaydedilemedi\n"},
        {"batch --output $/out/options --width 20 --height 10 --format png --prefix web_ "
         "--suffix '' $/in/a.png $/broken.jpg",
         1,
         {"done $/in/a.png -> $/out/options/web_a.png", "failed $/broken.jpg: Görsel okunamadı",
          "1 tamamlandı, 1 görsel işlenemedi."}},
        // Several sizes: a line per written file, in queue order and then the list's; a size the
        // type cannot hold fails alone.
        {"batch --output $/out/sizes --sizes 20x10,70000x10,8x8 --format jpeg $/good.png "
         "$/broken.jpg",
         1,
         {"done $/good.png -> $/out/sizes/20x10/good_resized.jpg",
          "failed $/good.png [70000x10]: Çıktı oluşturulamadı",
          "done $/good.png -> $/out/sizes/8x8/good_resized.jpg",
          "failed $/broken.jpg [20x10]: Görsel okunamadı",
          "failed $/broken.jpg [70000x10]: Görsel okunamadı",
          "failed $/broken.jpg [8x8]: Görsel okunamadı", "0 tamamlandı, 2 görsel işlenemedi."}},
        {"batch --output $/out/mirrored --format png --keep-folders yes $/in",
         1,
         {"skipped $/in/sub/bad.png: Görsel okunamadı",
          "done $/in/a.png -> $/out/mirrored/in/a_resized.png",
          "done $/in/sub/b.jpg -> $/out/mirrored/in/sub/b_resized.png",
          "2 görsel başarıyla hazırlandı."}},
        // The large first image finishes last; same-named sources are numbered in queue order.
        {"batch --output $/out/parallel --jobs 3 --format png $/big/a.png $/good.png $/in/a.png "
         "$/in/sub/b.jpg $/broken.jpg",
         1,
         {"done $/big/a.png -> $/out/parallel/a_resized.png",
          "done $/good.png -> $/out/parallel/good_resized.png",
          "done $/in/a.png -> $/out/parallel/a_resized-2.png",
          "done $/in/sub/b.jpg -> $/out/parallel/b_resized.png",
          "failed $/broken.jpg: Görsel okunamadı", "4 tamamlandı, 1 görsel işlenemedi."}},
        {"batch --output $/out/skipped $/good.png $/gone.jpg $/empty.jpg $/text.jpg $/notes.txt "
         "$/good.png",
         1,
         {"skipped $/gone.jpg: Dosya bulunamadı", "skipped $/empty.jpg: Görsel okunamadı",
          "skipped $/text.jpg: Görsel okunamadı", "skipped $/notes.txt: Desteklenmeyen dosya türü",
          "skipped $/good.png: Zaten sırada", "done $/good.png -> $/out/skipped/good_resized.png",
          "1 görsel başarıyla hazırlandı."}},
        {"batch --output $/out/limit --format webp --max-size 10 $/good.png",
         1,
         {"failed $/good.png: Dosya boyutu sınırına sığmadı",
          "0 tamamlandı, 1 görsel işlenemedi."}},
        {"batch --output $/out/nothing $/notes.txt",
         1,
         {"skipped $/notes.txt: Desteklenmeyen dosya türü", "Dönüştürülecek görsel bulunamadı."}},
        {"batch --output $/blocker/out $/good.png", 1, {"Çıktı klasörü oluşturulamadı: *"}},
    };
    if (::geteuid() != 0) { // root reads every file
        fs::copy_file(dir / "good.png", dir / "locked.jpg");
        fs::permissions(dir / "locked.jpg", fs::perms::none);
        cases.push_back(
            {"batch --output $/out/locked $/locked.jpg",
             1,
             {"skipped $/locked.jpg: Görsel okunamadı", "Dönüştürülecek görsel bulunamadı."}});
    }
    for (const Case& test : cases) {
        const CliResult result = run(test.line);
        EXPECT_EQ(result.exitCode, test.exitCode) << test.line;
        EXPECT_EQ(result.err, test.err) << test.line;
        Lines expected = at(test.out);
        for (std::size_t i = 0; i < expected.size() && i < result.out.size(); ++i)
            if (expected[i].back() == '*' &&
                result.out[i].starts_with(expected[i].substr(0, expected[i].size() - 1)))
                expected[i] = result.out[i];
        EXPECT_EQ(result.out, expected) << test.line;
    }
    EXPECT_EQ(decode(dir / "out/options/web_a.png").width(), 20);
    // The parallel run really did finish out of order.
    EXPECT_GT(fs::last_write_time(dir / "out/parallel/a_resized.png"),
              fs::last_write_time(dir / "out/parallel/b_resized.png"));
    EXPECT_FALSE(fs::exists(dir / "out/nothing"));
    EXPECT_FALSE(fs::exists(abandoned));
}

// A write cut short (here by the file size limit, as by a full disk) fails for every type,
// whether the output is new, replaces its own source or comes out of a batch: nothing is left
// in its place, and a source that was to be replaced keeps every byte.
TEST_F(Cli, WritesCutShortFailAndKeepTheOriginal)
{
    noise("noise.png", 320, 240);
    const std::string size = " --width 320 --height 240";
    for (const std::string type : {"jpeg", "png", "tiff", "webp", "heic", "avif"}) {
        const std::string source = "$/source." + type;
        ASSERT_EQ(run("convert $/noise.png " + source + size).exitCode, 0) << type;
        const Bytes original = readFile(at(source));
        const std::vector<std::pair<std::string, Lines>> cases{
            {"convert $/noise.png $/out/new." + type, {}},
            {"convert " + source + " " + source, {}},
            {"batch --output $/out --format " + type + " $/noise.png",
             {"failed $/noise.png: Dosya kaydedilemedi", "0 tamamlandı, 1 görsel işlenemedi."}},
        };
        for (const auto& [line, out] : cases) {
            fs::create_directories(dir / "out");
            const CliResult result = run(line + size, "prlimit --fsize=8192");
            EXPECT_EQ(result.exitCode, 1) << line;
            EXPECT_EQ(result.err, out.empty() ? "Dosya kaydedilemedi\n" : "") << line;
            EXPECT_EQ(result.out, at(out)) << line;
            EXPECT_TRUE(fs::is_empty(dir / "out")) << line;
            EXPECT_EQ(readFile(at(source)), original) << line;
            for (const std::string& name : entriesOf(dir.path()))
                EXPECT_EQ(name.find(".pictavo-"), std::string::npos) << line;
        }
    }
}

// The output folder, or a kept subfolder, swapped for a link to another folder once the batch
// has written into it never sends a file through the link: the rest follow the first.
TEST_F(Cli, FoldersSwappedForLinksMidRunAreNeverFollowed)
{
    for (int i = 0; i < 6; ++i)
        noise("in/sub/" + std::to_string(i) + ".png", 800, 600);
    const std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {"$/out/in/sub", "$/out/in/moved", "$/out/in/moved"},
        {"$/out", "$/moved", "$/moved/in/sub"}};
    for (const auto& [swapped, movedTo, written] : cases) {
        fs::create_directories(dir / "elsewhere");
        const std::string script =
            quoted(PICTAVO_CLI) + " batch --output " + quoted(at("$/out")) +
            " --keep-folders yes --jobs 1 --format png " + quoted(at("$/in")) + " >/dev/null & " +
            "until ls " + quoted(at("$/out/in/sub")) + " 2>/dev/null | grep -q png; do sleep " +
            "0.002; done; mv " + quoted(at(swapped)) + " " + quoted(at(movedTo)) + " && ln -s " +
            quoted(at("$/elsewhere")) + " " + quoted(at(swapped)) + "; wait $!";
        const int status = std::system(("timeout 120 sh -c " + quoted(script)).c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << swapped;
        EXPECT_EQ(entriesOf(dir / "elsewhere"), std::set<std::string>{}) << swapped;
        EXPECT_EQ(entriesOf(at(written)).size(), 6u) << swapped;
        for (const char* made : {"out", "moved", "elsewhere"})
            fs::remove_all(dir / made);
    }
}

// Names are bytes: one that is not UTF-8, control characters and Turkish letters all reach the
// disk unchanged, and each printed line shows them in the one documented escaped form.
TEST_F(Cli, NamesKeepTheirBytesAndPrintEscaped)
{
    const std::vector<std::pair<std::string, std::string>> names{
        {"caf\xe9", "caf\\351"},          {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"new\nline", "new\\nline"},      {"tab\there", "tab\\there"},
        {"back\\slash", "back\\\\slash"}, {"\x1b[31mred", "\\033[31mred"},
        {"unit\x1fsep", "unit\\037sep"},  {"çğıöşü İ", "çğıöşü İ"},
    };
    image("source.jpg", 16, 16);
    Lines arguments{"batch", "--output", "$/out\xe9", "--suffix", "", "--format", "png"};
    Lines expected;
    std::set<std::string> written;
    for (const auto& [name, printed] : names) {
        fs::copy_file(dir / "source.jpg", dir / (name + ".jpg"));
        arguments.push_back("$/" + name + ".jpg");
        expected.push_back(at("done $/" + printed + ".jpg -> $/out\\351/" + printed + ".png"));
        written.insert(name + ".png");
    }
    expected.push_back("8 görsel başarıyla hazırlandı.");
    const CliResult result = run(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(entriesOf(dir / "out\xe9"), written);
}

// SIGINT and SIGTERM cancel a batch after the image under way (one at a time, so
// that b has not started); a second SIGINT ends it at once, as the first SIGTERM ends a single
// conversion. Either way no temporary file is left behind. A request while a big folder is
// still being read stops the batch before any conversion begins.
TEST_F(Cli, SignalsCancelOrEndWithoutLeavingTemporaries)
{
    noise("a.png", 1200, 900);
    noise("b.png", 1200, 900);
    noise("big.png", 3000, 2250);
    image("many/0.jpg", 8, 8);
    for (int i = 1; i < 30'000; ++i)
        fs::create_hard_link(dir / "many/0.jpg", dir / ("many/" + std::to_string(i) + ".jpg"));
    const std::string cancellable = "batch --output $/out --jobs 1 --format heic $/a.png $/b.png";
    const std::string huge = " --width 6000 --height 4500 --format heic";
    const Lines cancelled{"done $/a.png -> $/out/a_resized.heic", "İşlem iptal edildi."};
    const std::vector<
        std::tuple<std::string, std::vector<int>, int, Lines, std::set<std::string>, std::string>>
        cases{
            {cancellable, {SIGINT}, 3, cancelled, {"a_resized.heic"}, ""},
            {cancellable, {SIGTERM}, 3, cancelled, {"a_resized.heic"}, ""},
            {"batch --output $/out $/big.png" + huge, {SIGINT, SIGINT}, 128 + SIGINT, {}, {}, ""},
            {"convert $/big.png $/out/big.heic" + huge, {SIGTERM}, 128 + SIGTERM, {}, {}, ""},
            {"batch --output $/out $/many", {SIGTERM}, 3, {"İşlem iptal edildi."}, {}, "$/many"},
        };
    for (const auto& [line, signals, exitCode, out, kept, whileReading] : cases) {
        fs::create_directories(dir / "out");
        EXPECT_EQ(interrupted(line, signals, whileReading), exitCode)
            << line << strsignal(signals.back());
        EXPECT_EQ(lines(dir / "stdout"), at(out)) << line;
        EXPECT_EQ(entriesOf(dir / "out"), kept) << line;
        fs::remove_all(dir / "out");
    }
}

} // namespace
} // namespace pictavo

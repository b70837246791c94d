#include "sample_files.h"
#include "test_images.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// A command that waits for ever fails with timeout's 124 instead of hanging the suite.
CliResult cli(const TempDir& dir, const std::vector<std::string>& arguments)
{
    std::string command = "timeout 120 " + quoted(PICTAVO_CLI);
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
    // A real image, so a refusal that slips through would start (or hang) a batch.
    const std::string image = (dir / "a.jpg").string();
    const std::string out = (dir / "out").string();
    solid(8, 8, {1, 2, 3}).write_to_file(image.c_str());
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
        {"convert", "a", "b", "--format", "gif"},
        {"convert", "a", "b", "--format", "WebP"},
        {"convert", "a", "b", "--quality", "nan"},
        {"convert", "a", "b", "--quality", "high"},
        {"convert", "a", "b", "--keep-metadata", "true"},
        {"convert", "a", "b", "--prevent-upscaling", "1"},
        {"convert", "a", "b", "--colour", "red"},
        {"convert", "a", "b", "--width", "0"},
        {"convert", "a", "b", "--height", "-5"},
        {"convert", "a", "b", "--quality", "5"},
        {"convert", "a", "b", "--quality", "-0.1"},
        {"convert", "a", "b", "--quality", " 0.5"},
        {"convert", "-a.png", "b"},
        {"info", "-x.jpg"},
        {"batch", "--output", out, "--width", "0", image},
        {"batch", "--output", out, "--height", "-1", image},
        {"batch", "--output", out, "--quality", "1.5", image},
        {"batch", "--output", out, "--prefix", "../", image},
        {"batch", "--output", out, "--suffix", "a/b", image},
        {"batch", "--output", "", image},
        {"batch", "--output", out, image, "--colour", "red"},
        {"batch", "--output", out, "-" + image},
        {"batch", "--output", out, "--"},
        {"batch", "--output", out, "--jobs", "0", image},
        {"batch", "--output", out, "--jobs", "65", image},
        {"batch", "--output", out, "--jobs", "2x", image},
        {"batch", "--output", out, "--keep-folders", "evet", image},
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

// Without --format the destination's extension names the type; the bytes must say so too.
TEST(Cli, ConvertTakesTheTypeFromTheDestination)
{
    TempDir dir;
    solid(40, 30, {9, 9, 9}).write_to_file((dir / "-in.png").c_str());
    const std::vector<std::pair<std::string, std::string>> cases{
        {"a.jpg", "\xff\xd8\xff"}, {"b.JPEG", "\xff\xd8\xff"}, {"c.png", "\x89PNG"},
        {"d.HEIF", "ftyp"},        {"e.tif", "II*"},           {"f.Tiff", "II*"},
        {"g.webp", "WEBP"},        {"h", "\x89PNG"},           {"i.AVIF", "ftypavif"},
    };
    for (const auto& [name, magic] : cases) {
        const CliResult run = cli(dir, {"convert", "--width", "20", "--",
                                        (dir / "-in.png").string(), (dir / name).string()});
        ASSERT_EQ(run.exitCode, 0) << name << run.err;
        const Bytes written = readFile(dir / name);
        const std::string head(written.begin(), written.begin() + 12);
        EXPECT_NE(head.find(magic), std::string::npos) << name;
    }
    const CliResult info = cli(dir, {"info", "--", (dir / "-in.png").string()});
    EXPECT_EQ(info.out, "40 30 " + std::to_string(fs::file_size(dir / "-in.png")) + "\n");
}

} // namespace
} // namespace pictavo

namespace pictavo {
namespace {

using namespace test;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

TEST(CliBatch, ConvertsTheQueueAndReportsEachItem)
{
    TempDir dir;
    fs::create_directories(dir / "in" / "sub");
    solid(40, 30, {1, 2, 3}).write_to_file((dir / "in" / "a.png").c_str());
    solid(40, 30, {1, 2, 3}).write_to_file((dir / "in" / "sub" / "b.jpg").c_str());
    writeTruncatedJpeg(dir / "broken.jpg", 200, 100);

    const CliResult partial =
        cli(dir, {"batch", "--output", (dir / "out").string(), "--width", "20", "--height", "10",
                  "--format", "png", "--prefix", "web_", "--suffix", "", (dir / "in").string(),
                  (dir / "broken.jpg").string()});
    EXPECT_EQ(partial.exitCode, 1);
    EXPECT_EQ(
        lines(partial.out),
        (std::vector<std::string>{"done " + (dir / "in" / "a.png").string() + " -> " +
                                      (dir / "out" / "web_a.png").string(),
                                  "done " + (dir / "in" / "sub" / "b.jpg").string() + " -> " +
                                      (dir / "out" / "web_b.png").string(),
                                  "failed " + (dir / "broken.jpg").string() + ": Görsel okunamadı",
                                  "2 tamamlandı, 1 görsel işlenemedi."}));
    EXPECT_EQ(decode(dir / "out" / "web_b.png").width(), 20);

    const CliResult clean =
        cli(dir, {"batch", "--output", (dir / "out").string(), "--format", "png", "--prefix",
                  "web_", "--suffix", "", (dir / "in" / "a.png").string()});
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_EQ(lines(clean.out).back(), "1 görsel başarıyla hazırlandı.");
    EXPECT_TRUE(fs::exists(dir / "out" / "web_a-2.png"));

    const CliResult mirrored = cli(dir, {"batch", "--output", (dir / "out").string(), "--format",
                                         "png", "--keep-folders", "yes", (dir / "in").string()});
    EXPECT_EQ(mirrored.exitCode, 0);
    EXPECT_EQ(lines(mirrored.out),
              (std::vector<std::string>{"done " + (dir / "in" / "a.png").string() + " -> " +
                                            (dir / "out" / "in" / "a_resized.png").string(),
                                        "done " + (dir / "in" / "sub" / "b.jpg").string() + " -> " +
                                            (dir / "out" / "in" / "sub" / "b_resized.png").string(),
                                        "2 görsel başarıyla hazırlandı."}));
}

TEST(CliBatch, NothingAcceptedOrNoFolder)
{
    TempDir dir;
    writeFile(dir / "notes.txt", Bytes{'x'});
    const CliResult nothing = cli(dir, {"batch", "--output", (dir / "out").string(),
                                        (dir / "notes.txt").string(), (dir / "gone.jpg").string()});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_FALSE(nothing.out.empty());
    EXPECT_FALSE(fs::exists(dir / "out"));

    solid(40, 30, {1, 2, 3}).write_to_file((dir / "a.png").c_str());
    writeFile(dir / "blocker", Bytes{'x'});
    const CliResult noFolder = cli(
        dir, {"batch", "--output", (dir / "blocker" / "out").string(), (dir / "a.png").string()});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_EQ(lines(noFolder.out).back().rfind("Çıktı klasörü oluşturulamadı: ", 0), 0u);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"batch", (dir / "a.png").string()},
          std::vector<std::string>{"batch", "--output", (dir / "o").string()},
          std::vector<std::string>{"batch", "--output", (dir / "o").string(), "--prefix"},
          std::vector<std::string>{"batch", "--output", (dir / "o").string(), "--mode", "x", "a"}})
        EXPECT_EQ(cli(dir, bad).exitCode, 2);
}

// Every named path that does not join the queue gets a line (so does a file with a supported
// extension inside a named folder), the rest still converts, and the exit code says so.
TEST(CliBatch, ReportsEveryPathItSkips)
{
    TempDir dir;
    fs::create_directories(dir / "in" / "sub");
    solid(40, 30, {1, 2, 3}).write_to_file((dir / "good.png").c_str());
    writeFile(dir / "empty.jpg", {});
    writeFile(dir / "text.jpg", Bytes{'n', 'o'});
    writeFile(dir / "notes.txt", Bytes{'x'});
    writeFile(dir / "in" / "readme.txt", Bytes{'x'}); // folders hold other files: not reported
    writeFile(dir / "in" / ".hidden.jpg", Bytes{'x'});
    writeFile(dir / "in" / "sub" / "bad.png", Bytes{'x'});
    std::vector<std::tuple<fs::path, fs::path, std::string>> cases{
        {dir / "gone.jpg", dir / "gone.jpg", "Dosya bulunamadı"},
        {dir / "empty.jpg", dir / "empty.jpg", "Görsel okunamadı"},
        {dir / "text.jpg", dir / "text.jpg", "Görsel okunamadı"},
        {dir / "notes.txt", dir / "notes.txt", "Desteklenmeyen dosya türü"},
        {dir / "good.png", dir / "good.png", "Zaten sırada"},
        {dir / "in", dir / "in" / "sub" / "bad.png", "Görsel okunamadı"},
    };
    if (::geteuid() != 0) { // root reads every file
        fs::copy_file(dir / "good.png", dir / "locked.jpg");
        fs::permissions(dir / "locked.jpg", fs::perms::none);
        cases.push_back({dir / "locked.jpg", dir / "locked.jpg", "Görsel okunamadı"});
    }
    std::vector<std::string> arguments{"batch", "--output", (dir / "out").string(),
                                       (dir / "good.png").string()};
    std::vector<std::string> expected;
    for (const auto& [argument, reported, reason] : cases) {
        arguments.push_back(argument.string());
        expected.push_back("skipped " + reported.string() + ": " + reason);
    }
    expected.push_back("done " + (dir / "good.png").string() + " -> " +
                       (dir / "out" / "good_resized.png").string());
    expected.push_back("1 görsel başarıyla hazırlandı.");
    const CliResult run = cli(dir, arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lines(run.out), expected);
}

// Names are bytes: one that is not UTF-8, control characters and Turkish letters all reach the
// disk unchanged, and each printed line shows them in the one documented escaped form.
TEST(CliBatch, NamesKeepTheirBytesAndPrintEscaped)
{
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> names{
        {"caf\xe9", "caf\\351"},          {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"new\nline", "new\\nline"},      {"tab\there", "tab\\there"},
        {"back\\slash", "back\\\\slash"}, {"\x1b[31mred", "\\033[31mred"},
        {"çğıöşü İ", "çğıöşü İ"},
    };
    solid(16, 16, {1, 2, 3}).write_to_file((dir / "source.jpg").c_str());
    const std::string folder = dir.path().string();
    std::vector<std::string> arguments{"batch",    "--output", folder + "/out\xe9", "--suffix", "",
                                       "--format", "png"};
    std::vector<std::string> expected;
    std::set<std::string> written;
    for (const auto& [name, printed] : names) {
        fs::copy_file(dir / "source.jpg", dir / (name + ".jpg"));
        arguments.push_back(folder + "/" + name + ".jpg");
        expected.push_back("done " + folder + "/" + printed + ".jpg -> " + folder + "/out\\351/" +
                           printed + ".png");
        written.insert(name + ".png");
    }
    expected.push_back("7 görsel başarıyla hazırlandı.");
    const CliResult run = cli(dir, arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(lines(run.out), expected);
    std::set<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir / "out\xe9"))
        found.insert(entry.path().filename().native());
    EXPECT_EQ(found, written);
}

TEST(CliBatch, InterruptCancelsBetweenImages)
{
    TempDir dir;
    std::vector<std::string> arguments{
        "timeout", "--foreground", "--preserve-status",    "-s",       "INT", "1", PICTAVO_CLI,
        "batch",   "--output",     (dir / "out").string(), "--format", "heic"};
    for (int i = 0; i < 12; ++i) {
        const fs::path source = dir / ("noise" + std::to_string(i) + ".png");
        vips::VImage::gaussnoise(1200, 900)
            .bandjoin({vips::VImage::gaussnoise(1200, 900), vips::VImage::gaussnoise(1200, 900)})
            .cast(VIPS_FORMAT_UCHAR)
            .write_to_file(source.c_str());
        arguments.push_back(source.string());
    }
    std::string command;
    for (const std::string& argument : arguments)
        command += quoted(argument) + " ";
    command += ">" + quoted((dir / "stdout").string()) + " 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    const Bytes out = readFile(dir / "stdout");
    const std::vector<std::string> printed = lines(std::string(out.begin(), out.end()));
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed.back(), "İşlem iptal edildi.");
    EXPECT_LT(printed.size(), 13u) << "the batch stops before the last image";
}

// Starts `command` (pictavo-cli and its arguments, after any wrapper) with its standard output
// in `out`; the caller waits for it.
pid_t start(std::vector<std::string> command, const fs::path& out)
{
    std::vector<char*> argv;
    for (std::string& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // A test run in the background inherits SIGINT ignored, which the program respects.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, signal);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ), 0);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int statusOf(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid ? status : -1;
}

std::vector<std::string> temporariesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        if (entry.path().filename().string().find(".pictavo-") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
}

// Waits until a conversion's temporary file shows in `folder`: the moment to interrupt it.
bool temporaryAppears(const fs::path& folder)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (temporariesIn(folder).empty()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void writeNoisePng(const fs::path& path, int width, int height)
{
    vips::VImage::gaussnoise(width, height)
        .bandjoin(
            {vips::VImage::gaussnoise(width, height), vips::VImage::gaussnoise(width, height)})
        .cast(VIPS_FORMAT_UCHAR)
        .write_to_file(path.c_str());
}

TEST(CliSignals, TermAndHupCancelABatchAfterTheCurrentImage)
{
    for (const int signal : {SIGTERM, SIGHUP}) {
        TempDir dir;
        writeNoisePng(dir / "a.png", 1200, 900);
        writeNoisePng(dir / "b.png", 1200, 900);
        // One at a time, so that b has not started when the signal comes.
        const pid_t pid =
            start({PICTAVO_CLI, "batch", "--output", (dir / "out").string(), "--jobs", "1",
                   "--format", "heic", (dir / "a.png").string(), (dir / "b.png").string()},
                  dir / "stdout");
        ASSERT_TRUE(temporaryAppears(dir / "out"));
        ::kill(pid, signal);
        const int status = statusOf(pid);
        ASSERT_TRUE(WIFEXITED(status)) << strsignal(signal);
        EXPECT_EQ(WEXITSTATUS(status), 3) << strsignal(signal);
        const Bytes out = readFile(dir / "stdout");
        EXPECT_EQ(lines(std::string(out.begin(), out.end())),
                  (std::vector<std::string>{"done " + (dir / "a.png").string() + " -> " +
                                                (dir / "out" / "a_resized.heic").string(),
                                            "İşlem iptal edildi."}));
        EXPECT_EQ(temporariesIn(dir / "out"), std::vector<std::string>{}) << strsignal(signal);
    }
}

// A batch ends at once on its second request, a single conversion on its first: either way
// the temporary file being written goes with the process.
TEST(CliSignals, EndingMidWriteLeavesNoTemporary)
{
    TempDir dir;
    writeNoisePng(dir / "big.png", 3000, 2250);
    struct Case {
        std::vector<std::string> command;
        std::vector<int> signals;
    };
    const std::vector<Case> cases{
        {{"batch", "--output", (dir / "out").string(), (dir / "big.png").string()},
         {SIGINT, SIGINT}},
        {{"convert", (dir / "big.png").string(), (dir / "out" / "big.heic").string()}, {SIGTERM}},
    };
    for (const Case& test : cases) {
        fs::create_directories(dir / "out");
        std::vector<std::string> command{PICTAVO_CLI};
        command.insert(command.end(), test.command.begin(), test.command.end());
        command.insert(command.end(), {"--width", "6000", "--height", "4500", "--format", "heic"});
        const pid_t pid = start(command, dir / "stdout");
        ASSERT_TRUE(temporaryAppears(dir / "out"));
        for (const int signal : test.signals) {
            ::kill(pid, signal);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const int status = statusOf(pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << test.command[0] << ": the encode outlasted the signals";
        EXPECT_EQ(WTERMSIG(status), test.signals.back());
        EXPECT_TRUE(fs::is_empty(dir / "out")) << test.command[0];
        fs::remove_all(dir / "out");
    }
}

TEST(CliSignals, AFileSizeLimitFailsTheItemCleanly)
{
    TempDir dir;
    writeNoisePng(dir / "a.png", 400, 300);
    const pid_t pid = start({"prlimit", "--fsize=65536", PICTAVO_CLI, "batch", "--output",
                             (dir / "out").string(), "--format", "png", (dir / "a.png").string()},
                            dir / "stdout");
    const int status = statusOf(pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const Bytes out = readFile(dir / "stdout");
    EXPECT_EQ(
        lines(std::string(out.begin(), out.end())),
        (std::vector<std::string>{"failed " + (dir / "a.png").string() + ": Dosya kaydedilemedi",
                                  "0 tamamlandı, 1 görsel işlenemedi."}));
    EXPECT_TRUE(fs::is_empty(dir / "out"));
}

} // namespace
} // namespace pictavo

namespace pictavo {
namespace {

// Three at once: the large first image finishes last, yet every line comes in queue order and
// the names are those of a one-at-a-time run (the two same-named sources numbered in order).
TEST(CliBatch, LinesComeInQueueOrderWhateverFinishesFirst)
{
    TempDir dir;
    fs::create_directories(dir / "in" / "sub");
    writeNoisePng(dir / "in" / "a.png", 3000, 2400);
    std::vector<std::string> arguments{
        "batch", "--output", (dir / "out").string(), "--jobs", "3", "--format", "png"};
    std::vector<std::string> expected;
    for (const auto& [source, output] :
         std::vector<std::pair<std::string, std::string>>{{"a.png", "a_resized.png"},
                                                          {"b.png", "b_resized.png"},
                                                          {"sub/a.png", "a_resized-2.png"},
                                                          {"c.png", "c_resized.png"}}) {
        const fs::path path = dir / "in" / source;
        if (!fs::exists(path))
            solid(40, 30, {1, 2, 3}).write_to_file(path.c_str());
        arguments.push_back(path.string());
        expected.push_back("done " + path.string() + " -> " + (dir / "out" / output).string());
    }
    writeTruncatedJpeg(dir / "broken.jpg", 200, 100);
    arguments.push_back((dir / "broken.jpg").string());
    expected.push_back("failed " + (dir / "broken.jpg").string() + ": Görsel okunamadı");
    expected.push_back("4 tamamlandı, 1 görsel işlenemedi.");

    const CliResult run = cli(dir, arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lines(run.out), expected);
    // The run really did finish out of order.
    EXPECT_GT(fs::last_write_time(dir / "out" / "a_resized.png"),
              fs::last_write_time(dir / "out" / "c_resized.png"));
}

// --format names the type whatever the destination is called.
TEST(CliFormats, WebpAndAvifAreWrittenByName)
{
    TempDir dir;
    solid(40, 30, {9, 90, 200}).write_to_file((dir / "in.png").c_str());
    for (const auto& [name, magic] :
         std::vector<std::pair<std::string, std::string>>{{"webp", "WEBP"}, {"avif", "ftypavif"}}) {
        const fs::path out = dir / ("out-" + name + ".png");
        const CliResult run = cli(dir, {"convert", "--format", name, "--width", "40", "--height",
                                        "30", (dir / "in.png").string(), out.string()});
        ASSERT_EQ(run.exitCode, 0) << name << run.err;
        const Bytes written = readFile(out);
        EXPECT_NE(std::string(written.begin(), written.begin() + 12).find(magic), std::string::npos)
            << name;
        EXPECT_TRUE(near(pixelAt(decode(out), 20, 15), {9, 90, 200}, 12)) << name;
    }
    EXPECT_NE(cli(dir, {"--help"}).out.find("webp|avif"), std::string::npos);
}

} // namespace
} // namespace pictavo

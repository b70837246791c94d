// The restart that gives glibc its huge-page setting: it happens once, adds the setting to what
// the user had, and leaves the environment as it was for every program started afterwards.
#include "allocator_restart.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

std::string described(const char* value)
{
    return value == nullptr ? "(none)" : "[" + std::string(value) + "]";
}

// Whether a large allocation, once touched, lies in transparent huge pages.
bool largeBuffersInHugePages()
{
    constexpr std::size_t kSize = 64 << 20;
    auto* buffer = static_cast<volatile char*>(std::malloc(kSize));
    for (std::size_t at = 0; at < kSize; at += 4096)
        buffer[at] = 1;
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string key;
    long kilobytes = 0;
    while (rollup >> key) {
        if (key == "AnonHugePages:" && rollup >> kilobytes)
            break;
    }
    std::free(const_cast<char*>(buffer));
    return kilobytes > 0;
}

bool hugePagesOnRequest()
{
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    const std::string text{std::istreambuf_iterator<char>(setting), {}};
    return text.find("[never]") == std::string::npos && !text.empty();
}

int probe(char** argv)
{
    pictavo::restartWithHugePageAllocator(argv);
    std::printf("now %s, huge pages %s, marker %s\n",
                described(std::getenv("GLIBC_TUNABLES")).c_str(),
                largeBuffersInHugePages() ? "yes" : "no",
                std::getenv("PICTAVO_SAVED_GLIBC_TUNABLES") == nullptr ? "gone" : "left");
    return 0;
}

std::string runProbe(const std::string& environment)
{
    const std::string command =
        "env " + environment + " /proc/" + std::to_string(::getpid()) + "/exe --probe";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    if (pipe != nullptr)
        ::pclose(pipe);
    return output;
}

TEST(AllocatorRestart, AddsHugePagesOnceAndHandsOnTheCallersEnvironment)
{
    const struct {
        const char* environment;
        const char* expected;
    } cases[] = {
        {"-u GLIBC_TUNABLES", "now (none), huge pages yes, marker gone\n"},
        {"GLIBC_TUNABLES=", "now [], huge pages yes, marker gone\n"},
        {"GLIBC_TUNABLES=glibc.malloc.check=0",
         "now [glibc.malloc.check=0], huge pages yes, marker gone\n"},
        // The user's own choice stands.
        {"GLIBC_TUNABLES=glibc.malloc.hugetlb=0",
         "now [glibc.malloc.hugetlb=0], huge pages no, marker gone\n"},
    };
    if (!hugePagesOnRequest())
        GTEST_SKIP() << "transparent huge pages are switched off on this machine";
    for (const auto& row : cases) {
        std::string expected = row.expected;
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer brings its own allocator, which glibc's setting does not reach.
        if (const std::size_t yes = expected.find("yes"); yes != std::string::npos)
            expected.replace(yes, 3, "no");
#endif
        EXPECT_EQ(runProbe(row.environment), expected) << row.environment;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "--probe")
        return probe(argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

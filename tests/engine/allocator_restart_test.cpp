// The restart that gives glibc its huge-page setting: it happens once, adds the setting to what
// the user had, and leaves the environment as it was for every program started afterwards.
#include "allocator_restart.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

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
    while (rollup >> key && !(key == "AnonHugePages:" && rollup >> kilobytes)) {
    }
    std::free(const_cast<char*>(buffer));
    return kilobytes > 0;
}

TEST(AllocatorRestart, AddsHugePagesOnceAndHandsOnTheCallersEnvironment)
{
    std::string thp;
    std::getline(std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"), thp);
    if (thp.empty() || thp.find("[never]") != std::string::npos)
        GTEST_SKIP() << "transparent huge pages are switched off on this machine";
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer brings its own allocator, which glibc's setting does not reach.
    const std::string huge = "no";
#else
    const std::string huge = "yes";
#endif
    const std::pair<std::string, std::string> cases[] = {
        {"-u GLIBC_TUNABLES", "unset " + huge},
        {"GLIBC_TUNABLES=", "[] " + huge},
        {"GLIBC_TUNABLES=glibc.malloc.check=0", "[glibc.malloc.check=0] " + huge},
        // The user's own choice stands.
        {"GLIBC_TUNABLES=glibc.malloc.hugetlb=0", "[glibc.malloc.hugetlb=0] no"},
    };
    for (const auto& [environment, expected] : cases) {
        const std::string command =
            "env " + environment + " /proc/" + std::to_string(::getpid()) + "/exe --probe";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char line[512] = "";
        EXPECT_NE(std::fgets(line, sizeof line, pipe), nullptr);
        ::pclose(pipe);
        EXPECT_EQ(line, expected + " gone\n") << environment;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--probe") {
        pictavo::restartWithHugePageAllocator(argv);
        const char* now = std::getenv("GLIBC_TUNABLES");
        std::printf("%s %s %s\n", now == nullptr ? "unset" : ("[" + std::string(now) + "]").c_str(),
                    largeBuffersInHugePages() ? "yes" : "no",
                    std::getenv("PICTAVO_SAVED_GLIBC_TUNABLES") == nullptr ? "gone" : "left");
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

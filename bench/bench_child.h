#pragma once

// Child processes, measured with wait4 so that each gets its own CPU time and peak RSS, and the
// machine's other work, which skews every wall-clock figure.

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace pictavo::bench {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration duration);

// User plus system time.
double cpuSeconds(const rusage& usage);

// CPU time of this process, all its threads.
double selfCpuSeconds();

// ru_maxrss is in KiB on Linux; the targets are in MB of 10^6 bytes.
double kibToMb(long kib);

struct ChildRun {
    double wall = 0.0;
    double cpu = 0.0;
    long maxrssKib = 0;
    bool ok = false;
};

// Runs a command without a shell, its standard output and error appended to `output`.
ChildRun spawn(const std::vector<std::string>& arguments, const std::filesystem::path& output);

std::string readText(const std::filesystem::path& path);

// The standard output of a shell-free command, for the identify checks.
std::string capture(const std::vector<std::string>& arguments,
                    const std::filesystem::path& scratch);

// How many cores other processes kept busy since construction: other work on the machine
// skews every wall-clock figure, and the load average lags too much to tell.
class OtherWork {
public:
    OtherWork();
    double cores() const;

private:
    double m_busy;
    double m_own;
    Clock::time_point m_start;
};

void warmPageCache(const std::vector<std::filesystem::path>& files);

} // namespace pictavo::bench

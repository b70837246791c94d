#include "bench_child.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pictavo::bench {

namespace fs = std::filesystem;

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double cpuSeconds(const rusage& usage)
{
    auto toSeconds = [](const timeval& value) {
        return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_usec) / 1e6;
    };
    return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

double selfCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

double kibToMb(long kib)
{
    return static_cast<double>(kib) * 1024.0 / 1e6;
}

ChildRun spawn(const std::vector<std::string>& arguments, const fs::path& output)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

    ChildRun run;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::cerr << "cannot start " << arguments[0] << ": " << std::strerror(error) << "\n";
        return run;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.wall = seconds(Clock::now() - start);
    run.cpu = cpuSeconds(usage);
    run.maxrssKib = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string capture(const std::vector<std::string>& arguments, const fs::path& scratch)
{
    fs::remove(scratch);
    spawn(arguments, scratch);
    return readText(scratch);
}

namespace {

// Seconds of CPU time the whole machine has been busy (or taken by the hypervisor).
double machineBusySeconds()
{
    std::ifstream stat("/proc/stat");
    std::string label;
    stat >> label;
    // user nice system idle iowait irq softirq steal
    std::vector<long long> ticks;
    long long value = 0;
    while (ticks.size() < 8 && stat >> value)
        ticks.push_back(value);
    if (label != "cpu" || ticks.size() < 8)
        return 0.0;
    const long long busy = ticks[0] + ticks[1] + ticks[2] + ticks[5] + ticks[6] + ticks[7];
    return static_cast<double>(busy) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU time of this process and of every child process it has waited for.
double ownCpuSeconds()
{
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    return selfCpuSeconds() + cpuSeconds(children);
}

} // namespace

OtherWork::OtherWork() : m_busy(machineBusySeconds()), m_own(ownCpuSeconds()), m_start(Clock::now())
{}

double OtherWork::cores() const
{
    const double wall = seconds(Clock::now() - m_start);
    const double other = (machineBusySeconds() - m_busy) - (ownCpuSeconds() - m_own);
    return wall > 0.0 ? std::max(0.0, other / wall) : 0.0;
}

void warmPageCache(const std::vector<fs::path>& files)
{
    std::vector<char> buffer(1 << 20);
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())))
            ;
    }
}

} // namespace pictavo::bench

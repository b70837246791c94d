#include "engine_peers.h"

#include "bench_child.h"
#include "image_figures.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace pictavo::bench {

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> fields(const std::string& line)
{
    std::map<std::string, std::string> result;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        if (const std::size_t equals = word.find('='); equals != std::string::npos)
            result[word.substr(0, equals)] = word.substr(equals + 1);
    return result;
}

// One process per photo, as a shell loop over the files would run it.
Pass perFilePass(const std::vector<fs::path>& files, const fs::path& log,
                 const std::function<std::vector<std::string>(std::size_t)>& command)
{
    Pass pass;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ChildRun child = spawn(command(i), log);
        pass.wall += child.wall;
        pass.cpu += child.cpu;
        pass.maxrssKib = std::max(pass.maxrssKib, child.maxrssKib);
        pass.fileWall.push_back(child.wall);
        if (!child.ok)
            ++pass.failures;
    }
    return pass;
}

} // namespace

Pass enginePass(const fs::path& self, const fs::path& folder, const std::vector<fs::path>& files,
                const fs::path& log, std::vector<fs::path>& outputs, int threads)
{
    fs::remove_all(folder);
    const fs::path report = folder.string() + ".out";
    fs::remove(report);
    std::vector<std::string> arguments{self.string(), "convert", "--threads",
                                       std::to_string(threads), folder.string()};
    for (const fs::path& file : files)
        arguments.push_back(file.string());
    const ChildRun child = spawn(arguments, report);

    Pass pass;
    pass.fileWall.assign(files.size(), 0.0);
    std::istringstream lines(readText(report));
    std::string line;
    bool complete = false;
    while (std::getline(lines, line)) {
        const std::map<std::string, std::string> values = fields(line);
        if (line.starts_with("file ")) {
            const std::size_t index = std::stoul(line.substr(5));
            if (index < files.size())
                pass.fileWall[index] = std::stod(values.at("wall"));
        } else if (line.starts_with("result ")) {
            pass.wall = std::stod(values.at("wall"));
            pass.cpu = std::stod(values.at("cpu"));
            pass.failures = std::stoi(values.at("failures"));
            pass.flush = std::stod(values.at("flush"));
            complete = true;
        }
    }
    std::ofstream(log, std::ios::app) << readText(report);
    // The process's own peak, as seen by its parent.
    pass.maxrssKib = child.maxrssKib;
    if (!complete || !child.ok)
        pass.failures = std::max<int>(pass.failures, 1);
    outputs.clear();
    for (std::size_t i = 0; i < files.size(); ++i)
        outputs.push_back(folder / (std::to_string(i) + "_" + files[i].filename().string()));
    return pass;
}

Pass vipsthumbnailPass(const fs::path& folder, const std::vector<fs::path>& files,
                       const fs::path& log, std::vector<fs::path>& outputs)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    outputs.clear();
    for (std::size_t i = 0; i < files.size(); ++i)
        outputs.push_back(folder / (std::to_string(i) + "_" + files[i].stem().string() + ".jpg"));
    return perFilePass(files, log, [&](std::size_t i) {
        return std::vector<std::string>{"vipsthumbnail",
                                        files[i].string(),
                                        "-s",
                                        "1920x1080",
                                        "-o",
                                        outputs[i].string() + "[Q=90]"};
    });
}

Pass vipsthumbnailBatchPass(const fs::path& folder, const std::vector<fs::path>& files,
                            const fs::path& log)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    // Distinct names: the set can hold two photos with the same file name.
    const fs::path links = folder / "in";
    fs::create_directories(links);
    std::vector<std::string> arguments{"vipsthumbnail"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const fs::path link = links / (std::to_string(i) + "_" + files[i].filename().string());
        fs::create_symlink(fs::absolute(files[i]), link);
        arguments.push_back(link.string());
    }
    for (const char* argument : {"-s", "1920x1080", "-o"})
        arguments.emplace_back(argument);
    arguments.push_back((folder / "%s.jpg").string() + "[Q=90]");
    const ChildRun child = spawn(arguments, log);
    Pass pass;
    pass.wall = child.wall;
    pass.cpu = child.cpu;
    pass.maxrssKib = child.maxrssKib;
    pass.failures = child.ok ? 0 : 1;
    return pass;
}

Pass mogrifyPass(const fs::path& folder, const std::vector<fs::path>& files, const fs::path& log,
                 std::vector<fs::path>& outputs)
{
    // mogrify rewrites its input, so it works on copies made before the clock starts.
    fs::remove_all(folder);
    fs::create_directories(folder);
    outputs.clear();
    for (std::size_t i = 0; i < files.size(); ++i) {
        outputs.push_back(folder / (std::to_string(i) + "_" + files[i].filename().string()));
        fs::copy_file(files[i], outputs.back());
    }
    return perFilePass(files, log, [&](std::size_t i) {
        return std::vector<std::string>{"mogrify",  "-auto-orient", "-resize",          "1920x1080",
                                        "-quality", "90",           outputs[i].string()};
    });
}

double imagesPerSecond(const Tool& tool, std::size_t photos)
{
    std::vector<double> values;
    for (const Pass& pass : tool.passes)
        values.push_back(static_cast<double>(photos) / pass.wall);
    return median(values);
}

double cpuPerImage(const Tool& tool, std::size_t photos)
{
    std::vector<double> values;
    for (const Pass& pass : tool.passes)
        values.push_back(pass.cpu / static_cast<double>(photos));
    return median(values);
}

double fileMedian(const Tool& tool, std::size_t file)
{
    std::vector<double> values;
    for (const Pass& pass : tool.passes)
        if (file < pass.fileWall.size())
            values.push_back(pass.fileWall[file]);
    return median(values);
}

double peakMb(const Tool& tool)
{
    long peak = 0;
    for (const Pass& pass : tool.passes)
        peak = std::max(peak, pass.maxrssKib);
    return kibToMb(peak);
}

int failures(const Tool& tool)
{
    int count = 0;
    for (const Pass& pass : tool.passes)
        count += pass.failures;
    return count;
}

OutputSummary summariseOutputs(const std::vector<fs::path>& outputs, const fs::path& scratch)
{
    OutputSummary summary;
    std::vector<std::string> arguments{"identify", "-format", "%[jpeg:sampling-factor]\n"};
    for (const fs::path& output : outputs) {
        summary.megapixels += headerMegapixels(output);
        arguments.push_back(output.string());
    }
    std::istringstream lines(capture(arguments, scratch));
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty())
            summary.sampling.insert(line);
    return summary;
}

} // namespace pictavo::bench

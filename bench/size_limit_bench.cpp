// size_limit_bench: how the engine fits photos under a file-size limit, next to ImageMagick's
// `-define jpeg:extent=`.
//
//   size_limit_bench --shape FILE...
//       The engine's sizes at qualities 5, 10, … 100 of each photo at 1920×1080, per lossy
//       encoder, as ln(bits per pixel) without the metadata, and their median: the tables in
//       src/engine/size_limited_encoding.cpp.
//   size_limit_bench --work DIR --cli PICTAVO-CLI [--limits L,L…] FILE...
//       For each limit, each photo fitted at 1920×1080 as JPEG, WebP and AVIF in this process
//       (encodes, chosen quality, closeness under the limit), then JPEG end to end:
//       `pictavo-cli convert --max-size L` against `convert -resize 1920x1080 -define
//       jpeg:extent=L`, one after the other. Exits 1 when a JPEG target fails. `--trace`
//       prints each trial (quality:bytes) and the choice.

#include "bench_child.h"
#include "image_figures.h"
#include "image_writer.h"
#include "process_setup.h"
#include "processing_error.h"
#include "regular_file.h"
#include "render_plan.h"
#include "renderer.h"
#include "size_limited_encoding.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace pictavo;
using bench::Clock;

// A photo rendered at 1920×1080 with its metadata, as a conversion would encode it.
struct Canvas {
    detail::RenderedCanvas rendered;
    std::optional<detail::EncodedMetadata> metadata;
    detail::PictureTraits picture;
};

Canvas render(const fs::path& path, WrittenType type)
{
    detail::RegularFile file(path);
    detail::OwnedBlob blob = detail::readBlob(file, 1'000'000'000);
    std::optional<detail::SourceImage> header =
        blob ? detail::openSource(blob.get()) : std::nullopt;
    if (!header)
        throw std::runtime_error("unreadable: " + path.string());
    const detail::RenderPlan plan = detail::planRender(header->upright(), ResizeSettings{});
    Canvas canvas{detail::renderCanvas(blob.get(), *header, plan, type, true), {}, {}};
    canvas.metadata = detail::metadataFor(header->image, plan.canvas.width, plan.canvas.height,
                                          canvas.rendered.profileKept);
    for (const auto* part : {&canvas.metadata->exif, &canvas.metadata->xmp, &canvas.metadata->iptc,
                             &canvas.metadata->icc})
        canvas.picture.fixedBytes += static_cast<std::int64_t>(part->size());
    const vips::VImage& pixels = canvas.rendered.pixels;
    canvas.picture.pixels = static_cast<std::int64_t>(pixels.width()) * pixels.height();
    canvas.picture.detail = detail::fineDetail(pixels);
    return canvas;
}

constexpr WrittenType kTypes[] = {WrittenType::jpeg, WrittenType::webp, WrittenType::heic,
                                  WrittenType::avif};

int shape(const std::vector<fs::path>& files)
{
    for (const WrittenType type : kTypes) {
        std::map<int, std::vector<double>> values;
        for (const fs::path& file : files) {
            const Canvas canvas = render(file, type);
            const double pixels = canvas.rendered.pixels.width() * canvas.rendered.pixels.height();
            for (int q = detail::kLowestLimitedQuality; q <= 100; q += 5) {
                const auto size = static_cast<double>(
                    detail::encodeImage(canvas.rendered.pixels, type, q, canvas.metadata).size());
                values[q].push_back(std::log(8 * (size - canvas.picture.fixedBytes) / pixels));
            }
        }
        std::printf("%-6s", std::string(preferredFilenameExtension(type)).c_str());
        for (auto& [q, lnBpp] : values)
            std::printf(" %.2f", bench::median(lnBpp));
        std::printf("\n");
    }
    return 0;
}

struct Totals {
    int images = 0, encodes = 0, over = 0, failed = 0;
    double under = 0, seconds = 0; // sums: the share of the limit left unused, wall time
    void print(const char* name, std::int64_t limit) const
    {
        std::printf("%-22s %7s  %3d images  %.2f encodes  %5.2f %% under  %d over  %d failed"
                    "  %.3f s/image\n",
                    name, limit > 0 ? std::to_string(limit).c_str() : "all", images,
                    double(encodes) / images, 100 * under / images, over, failed, seconds / images);
    }
};

// With --trace, each trial's quality and size, and the choice, per photo.
bool trace = false;

void inProcess(const fs::path& file, WrittenType type, std::int64_t limit, Totals& totals)
{
    const Canvas canvas = render(file, type);
    const Encoder encoder = traitsOf(type).encoder;
    const Clock::time_point start = Clock::now();
    ++totals.images;
    try {
        const detail::LimitedFile chosen = detail::encodeWithinLimit(
            [&](int q) {
                detail::Bytes bytes =
                    detail::encodeImage(canvas.rendered.pixels, type, q, canvas.metadata);
                if (trace)
                    std::printf(" %d:%zu", q, bytes.size());
                return bytes;
            },
            encoder, canvas.picture, limit);
        totals.encodes += chosen.encodes;
        const auto size = static_cast<std::int64_t>(chosen.bytes.size());
        totals.over += size > limit;
        totals.under += double(limit - size) / double(limit);
        if (trace)
            std::printf("  -> %d  %s %s\n", chosen.quality,
                        std::string(preferredFilenameExtension(type)).c_str(),
                        file.filename().c_str());
    } catch (const ProcessingError&) {
        ++totals.failed;
    }
    totals.seconds += bench::seconds(Clock::now() - start);
}

void endToEnd(const std::vector<std::string>& command, const fs::path& output, std::int64_t limit,
              const fs::path& log, Totals& totals)
{
    fs::remove(output);
    const bench::ChildRun run = bench::spawn(command, log);
    ++totals.images;
    totals.seconds += run.wall;
    std::error_code error;
    const auto size = static_cast<std::int64_t>(fs::file_size(output, error));
    if (!run.ok || error) {
        ++totals.failed;
        return;
    }
    totals.over += size > limit;
    totals.under += double(limit - size) / double(limit);
}

Totals& operator+=(Totals& sum, const Totals& part)
{
    sum.images += part.images;
    sum.encodes += part.encodes;
    sum.over += part.over;
    sum.failed += part.failed;
    sum.under += part.under;
    sum.seconds += part.seconds;
    return sum;
}

// The targets are judged over the whole run, every limit together; each limit's lines show
// how the figures spread.
int compare(const fs::path& work, const std::string& cli, const std::vector<std::int64_t>& limits,
            const std::vector<fs::path>& files)
{
    fs::create_directories(work);
    bench::warmPageCache(files);
    const fs::path log = work / "children.log";
    Totals allJpeg, allCli, allPeer;
    for (const std::int64_t limit : limits) {
        std::map<WrittenType, Totals> engine;
        Totals cliRun, peer;
        for (const fs::path& file : files) {
            for (const WrittenType type : {WrittenType::jpeg, WrittenType::webp, WrittenType::avif})
                inProcess(file, type, limit, engine[type]);
            const std::string bytes = std::to_string(limit);
            endToEnd({cli, "convert", "--max-size", bytes, "--width", "1920", "--height", "1080",
                      file.string(), (work / "pictavo.jpg").string()},
                     work / "pictavo.jpg", limit, log, cliRun);
            endToEnd({"convert", file.string(), "-resize", "1920x1080", "-define",
                      "jpeg:extent=" + bytes, (work / "magick.jpg").string()},
                     work / "magick.jpg", limit, log, peer);
        }
        for (const auto& [type, totals] : engine)
            totals.print(("engine " + std::string(preferredFilenameExtension(type))).c_str(),
                         limit);
        cliRun.print("pictavo-cli jpeg", limit);
        peer.print("convert jpeg:extent", limit);
        allJpeg += engine[WrittenType::jpeg];
        allCli += cliRun;
        allPeer += peer;
    }
    allJpeg.print("engine jpeg", 0);
    allCli.print("pictavo-cli jpeg", 0);
    allPeer.print("convert jpeg:extent", 0);
    const bool fits = allJpeg.over == 0 && allCli.over == 0 && allCli.failed == 0;
    const bool closer = allCli.under <= allPeer.under;
    const bool few = allJpeg.encodes <= 3 * allJpeg.images;
    const bool fast = 2 * allCli.seconds <= allPeer.seconds;
    std::printf("%s never over the limit\n%s at least as close as convert\n"
                "%s at most 3 encodes per image\n%s 2x faster than convert (%.2fx)\n",
                fits ? "PASS" : "FAIL", closer ? "PASS" : "FAIL", few ? "PASS" : "FAIL",
                fast ? "PASS" : "FAIL", allPeer.seconds / allCli.seconds);
    return fits && closer && few && fast ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    pictavo::setUpConversionProcess();
    pictavo::setUpImageEngine(1);
    std::vector<std::string> args(argv + 1, argv + argc);
    fs::path work;
    std::string cli;
    std::vector<std::int64_t> limits{150'000, 400'000};
    bool shapeOnly = false;
    std::vector<fs::path> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--shape")
            shapeOnly = true;
        else if (args[i] == "--trace")
            trace = true;
        else if (args[i] == "--work" && i + 1 < args.size())
            work = args[++i];
        else if (args[i] == "--cli" && i + 1 < args.size())
            cli = args[++i];
        else if (args[i] == "--limits" && i + 1 < args.size()) {
            limits.clear();
            std::stringstream list(args[++i]);
            for (std::string item; std::getline(list, item, ',');)
                limits.push_back(std::stoll(item));
        } else
            files.emplace_back(args[i]);
    }
    if (files.empty() || (!shapeOnly && (work.empty() || cli.empty()))) {
        std::cerr << "usage: size_limit_bench --shape FILE... | --work DIR --cli PICTAVO-CLI "
                     "[--limits L,L...] FILE...\n";
        return 2;
    }
    return shapeOnly ? shape(files) : compare(work, cli, limits, files);
}

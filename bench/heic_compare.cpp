#include "heic_compare.h"

#include "bench_child.h"
#include "image_figures.h"
#include "image_processor.h"
#include "resize_settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <libheif/heif.h>
#include <string>
#include <vips/vips8>

namespace pictavo::bench {

namespace fs = std::filesystem;

namespace {

constexpr double kMinHeicSpeedRatio = 2.0;
constexpr double kMaxHeicSizeGrowth = 0.10;
constexpr double kMaxHeicPsnrLossDb = 0.5;

struct HeicStream {
    int lumaBits = 0;
    std::string chroma = "?";
};

HeicStream probeHeic(const fs::path& file)
{
    HeicStream stream;
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    if (heif_context_read_from_file(context, file.c_str(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        stream.lumaBits = heif_image_handle_get_luma_bits_per_pixel(handle);
        if (heif_decode_image(handle, &image, heif_colorspace_undefined, heif_chroma_undefined,
                              nullptr)
                .code == heif_error_Ok) {
            switch (heif_image_get_chroma_format(image)) {
            case heif_chroma_420:
                stream.chroma = "4:2:0";
                break;
            case heif_chroma_422:
                stream.chroma = "4:2:2";
                break;
            case heif_chroma_444:
                stream.chroma = "4:4:4";
                break;
            default:
                stream.chroma = "other";
                break;
            }
        }
    }
    if (image != nullptr)
        heif_image_release(image);
    if (handle != nullptr)
        heif_image_handle_release(handle);
    heif_context_free(context);
    return stream;
}

struct HeicRow {
    std::string photo;
    double engineSeconds = 0.0, vipsSeconds = 0.0, vipsInProcessSeconds = 0.0;
    double engineCpu = 0.0, vipsCpu = 0.0;
    std::uintmax_t engineBytes = 0, vipsBytes = 0;
    double enginePsnr = 0.0, vipsPsnr = 0.0;
    HeicStream engineStream, vipsStream;
    bool ok = true;
};

HeicRow heicRow(const fs::path& photo, const fs::path& folder, const fs::path& log, int repeats)
{
    HeicRow row;
    row.photo = photo.filename().string();
    fs::create_directories(folder);
    const std::string stem = photo.stem().string();
    const fs::path png = folder / (stem + ".png");
    const fs::path engineHeic = folder / (stem + ".engine.heic");
    const fs::path vipsHeic = folder / (stem + ".vips.heic");
    const fs::path vipsInProcessHeic = folder / (stem + ".vips-in-process.heic");

    ResizeSettings settings;
    settings.mode = pictavo::ResizeMode::fill;
    try {
        settings.format = pictavo::OutputFormat::png;
        pictavo::ImageProcessor::process(photo, png, settings);
    } catch (const pictavo::ProcessingError& error) {
        std::cerr << photo.string() << ": " << error.what() << "\n";
        row.ok = false;
        return row;
    }

    settings.format = pictavo::OutputFormat::heic;
    settings.quality = 0.9;
    std::vector<double> engineWall, engineCpu, vipsWall, vipsCpu, inProcessWall;
    for (int round = 0; round < repeats; ++round) {
        // A new file each time, through the batch's write path, as in the JPEG runs.
        fs::remove(engineHeic);
        const double cpuBefore = selfCpuSeconds();
        const Clock::time_point start = Clock::now();
        try {
            pictavo::ImageProcessor::processToNewFile(png, settings, [&] { return engineHeic; });
        } catch (const pictavo::ProcessingError& error) {
            std::cerr << png.string() << ": " << error.what() << "\n";
            row.ok = false;
        }
        engineWall.push_back(seconds(Clock::now() - start));
        engineCpu.push_back(selfCpuSeconds() - cpuBefore);

        fs::remove(vipsHeic);
        const ChildRun child =
            spawn({"vips", "heifsave", png.string(), vipsHeic.string(), "--Q", "90"}, log);
        row.ok = row.ok && child.ok;
        vipsWall.push_back(child.wall);
        vipsCpu.push_back(child.cpu);

        // The same libvips call without the process start, to show what the start-up adds;
        // once is enough for that.
        if (round > 0)
            continue;
        const Clock::time_point inProcessStart = Clock::now();
        try {
            vips::VImage::new_from_file(png.c_str())
                .heifsave(vipsInProcessHeic.c_str(), vips::VImage::option()->set("Q", 90));
        } catch (const vips::VError& error) {
            std::cerr << "heifsave: " << error.what() << "\n";
            vips_error_clear();
            row.ok = false;
        }
        inProcessWall.push_back(seconds(Clock::now() - inProcessStart));
    }
    row.engineSeconds = median(engineWall);
    row.engineCpu = median(engineCpu);
    row.vipsSeconds = median(vipsWall);
    row.vipsCpu = median(vipsCpu);
    row.vipsInProcessSeconds = median(inProcessWall);
    std::error_code error;
    row.engineBytes = fs::file_size(engineHeic, error);
    row.vipsBytes = fs::file_size(vipsHeic, error);
    row.enginePsnr = psnr(png, engineHeic);
    row.vipsPsnr = psnr(png, vipsHeic);
    row.engineStream = probeHeic(engineHeic);
    row.vipsStream = probeHeic(vipsHeic);
    return row;
}

} // namespace

bool compareHeic(const std::vector<fs::path>& photos, const fs::path& folder, const fs::path& log,
                 int repeats, std::vector<Verdict>& verdicts)
{
    bool ok = true;
    std::vector<HeicRow> rows;
    for (const fs::path& photo : photos) {
        rows.push_back(heicRow(photo, folder, log, repeats));
        ok = ok && rows.back().ok;
    }
    if (rows.empty())
        return ok;
    std::printf("\nHEIC, 1920×1080 fill, quality 0.9 vs `vips heifsave --Q 90` of the same PNG "
                "(median of %d)\n",
                repeats);
    std::printf("%-40s %8s %8s %8s %8s %10s %10s %8s %8s %8s  %s\n", "photo", "engine s", "vips s",
                "(in-pr.)", "speed×", "engine KB", "vips KB", "size Δ", "PSNR e", "PSNR v",
                "streams e / v");
    std::vector<double> engineSeconds, vipsSeconds, vipsInProcess, psnrDelta;
    double engineBytes = 0.0, vipsBytes = 0.0;
    for (const HeicRow& row : rows) {
        std::printf(
            "%-40s %8.3f %8.3f %8.3f %8.2f %10.1f %10.1f %+7.1f%% %8.2f %8.2f  "
            "%d-bit %s / %d-bit %s\n",
            shortName(row.photo).c_str(), row.engineSeconds, row.vipsSeconds,
            row.vipsInProcessSeconds, row.vipsSeconds / row.engineSeconds,
            static_cast<double>(row.engineBytes) / 1e3, static_cast<double>(row.vipsBytes) / 1e3,
            (static_cast<double>(row.engineBytes) / static_cast<double>(row.vipsBytes) - 1.0) *
                100.0,
            row.enginePsnr, row.vipsPsnr, row.engineStream.lumaBits,
            row.engineStream.chroma.c_str(), row.vipsStream.lumaBits,
            row.vipsStream.chroma.c_str());
        engineSeconds.push_back(row.engineSeconds);
        vipsSeconds.push_back(row.vipsSeconds);
        vipsInProcess.push_back(row.vipsInProcessSeconds);
        psnrDelta.push_back(row.enginePsnr - row.vipsPsnr);
        engineBytes += static_cast<double>(row.engineBytes);
        vipsBytes += static_cast<double>(row.vipsBytes);
    }
    const double speed = mean(vipsSeconds) / mean(engineSeconds);
    double slowest = 1e9;
    for (std::size_t i = 0; i < rows.size(); ++i)
        slowest = std::min(slowest, vipsSeconds[i] / engineSeconds[i]);
    const double growth = engineBytes / vipsBytes - 1.0;
    const double delta = mean(psnrDelta);
    std::printf("mean: engine %.3f s (%.2f CPU s), vips heifsave %.3f s (%.2f CPU s), "
                "in-process heifsave %.3f s; smallest speed-up of one photo %.2f×\n",
                mean(engineSeconds), mean([&] {
                    std::vector<double> values;
                    for (const HeicRow& row : rows)
                        values.push_back(row.engineCpu);
                    return values;
                }()),
                mean(vipsSeconds), mean([&] {
                    std::vector<double> values;
                    for (const HeicRow& row : rows)
                        values.push_back(row.vipsCpu);
                    return values;
                }()),
                mean(vipsInProcess), slowest);
    verdicts.push_back({"HEIC encode speed engine / vips heifsave", format("%.2f×", speed),
                        format("≥ %.2f×", kMinHeicSpeedRatio), speed >= kMinHeicSpeedRatio});
    verdicts.push_back(
        {"HEIC file size engine vs vips heifsave (all photos)", format("%+.1f %%", growth * 100.0),
         format("≤ +%.0f %%", kMaxHeicSizeGrowth * 100.0), growth <= kMaxHeicSizeGrowth});
    verdicts.push_back({"HEIC PSNR engine − vips heifsave (mean)", format("%+.2f dB", delta),
                        format("≥ −%.2f dB", kMaxHeicPsnrLossDb), delta >= -kMaxHeicPsnrLossDb});
    return ok;
}

} // namespace pictavo::bench

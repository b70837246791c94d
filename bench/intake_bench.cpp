// Intake benchmark: queues a folder of 1,000 real JPEG photographs, the way a drop of that
// folder on the window does (walk, extension filter, duplicate check, header-only probe), and
// prints the time. Target on a 2-core machine: under 1 s.
//
//   intake_bench [PHOTO…]   the photos are copied round-robin into a temporary folder

#include "resize_view_model.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::vector<fs::path> photos;
    for (int i = 1; i < argc; ++i)
        photos.emplace_back(argv[i]);
    if (photos.empty()) {
        std::fprintf(stderr, "usage: intake_bench PHOTO.jpg…\n");
        return 2;
    }

    QTemporaryDir folder;
    constexpr int kFiles = 1000;
    for (int i = 0; i < kFiles; ++i) {
        const fs::path& photo = photos[std::size_t(i) % photos.size()];
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d.jpg", i);
        fs::copy_file(photo, fs::path(folder.path().toStdString()) / name);
    }

    std::printf("intake of a folder of %d real JPEG files (%zu distinct photos)\n", kFiles,
                photos.size());
    for (int run = 1; run <= 3; ++run) {
        pictavo::ResizeViewModel model{pictavo::PlatformServices{}};
        QElapsedTimer timer;
        timer.start();
        model.addPaths({folder.path()});
        const qint64 elapsed = timer.elapsed();
        std::printf("run %d: %d items queued in %lld ms (%.3f ms per file)  %s\n", run,
                    model.items()->count(), static_cast<long long>(elapsed),
                    double(elapsed) / kFiles, elapsed < 1000 ? "PASS (< 1 s)" : "FAIL (>= 1 s)");
    }
    return 0;
}

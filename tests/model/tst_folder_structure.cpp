#include "fakes.h"
#include "resize_view_model.h"
#include "sample_files.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

using namespace pictavo;
using namespace pictavo::test;

namespace fs = std::filesystem;

namespace {

// Same-named photos three levels deep, a lone one beside them, and a folder whose name is
// not UTF-8 and looks like "..".
const std::vector<std::string> kSources{"Arşiv/2024/Tatil/IMG_1.jpg", "Arşiv/2024/Düğün/IMG_1.jpg",
                                        "Arşiv/IMG_1.jpg", "tek/IMG_1.jpg", "..\xff./IMG_1.jpg"};

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text + separator) {
        if (c != separator) {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    return parts;
}

} // namespace

class TestFolderStructure : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // adds: one intake per ";", paths by ",". obstacle: what the output folder holds before
    // the run ("file:P", "link:P"). expected: each item's output below the output folder in
    // queue order, "!" for a failure.
    void outputsMirrorTheAddedFolders_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QByteArray>("adds");
        QTest::addColumn<QByteArray>("obstacle");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("off: one folder, numbered in queue order")
            << false << QByteArray("Arşiv,tek/IMG_1.jpg") << QByteArray()
            << QByteArray("IMG_1_resized.jpg,IMG_1_resized-2.jpg,IMG_1_resized-3.jpg,"
                          "IMG_1_resized-4.jpg");
        QTest::newRow("on: the tree mirrored, a lone file at the top")
            << true << QByteArray("Arşiv,tek/IMG_1.jpg") << QByteArray()
            << QByteArray("Arşiv/2024/Düğün/IMG_1_resized.jpg,Arşiv/2024/Tatil/IMG_1_resized.jpg,"
                          "Arşiv/IMG_1_resized.jpg,IMG_1_resized.jpg");
        QTest::newRow("on: a file keeps the way it came in first")
            << true << QByteArray("Arşiv/IMG_1.jpg;Arşiv;Arşiv") << QByteArray()
            << QByteArray("IMG_1_resized.jpg,Arşiv/2024/Düğün/IMG_1_resized.jpg,"
                          "Arşiv/2024/Tatil/IMG_1_resized.jpg");
        QTest::newRow("on: a name taken inside a mirrored folder")
            << true << QByteArray("Arşiv/2024") << QByteArray("file:2024/Tatil/IMG_1_resized.jpg")
            << QByteArray("2024/Düğün/IMG_1_resized.jpg,2024/Tatil/IMG_1_resized-2.jpg");
        QTest::newRow("on: a file where a folder belongs fails those items only")
            << true << QByteArray("Arşiv,tek/IMG_1.jpg") << QByteArray("file:Arşiv/2024")
            << QByteArray("!,!,Arşiv/IMG_1_resized.jpg,IMG_1_resized.jpg");
        QTest::newRow("on: a link where a folder belongs is not followed")
            << true << QByteArray("Arşiv,tek/IMG_1.jpg") << QByteArray("link:Arşiv")
            << QByteArray("!,!,!,IMG_1_resized.jpg");
        QTest::newRow("on: a name that is not UTF-8 and looks like ..")
            << true << QByteArray("..\xff.") << QByteArray()
            << QByteArray("..\xff./IMG_1_resized.jpg");
    }

    void outputsMirrorTheAddedFolders()
    {
        QFETCH(bool, keep);
        QFETCH(QByteArray, adds);
        QFETCH(QByteArray, obstacle);
        QFETCH(QByteArray, expected);

        QTemporaryDir temporary;
        const fs::path root = temporary.path().toStdString();
        // QTemporaryDir cannot remove names that are not UTF-8.
        const auto removeAll = qScopeGuard([&] { fs::remove_all(root); });
        const fs::path in = root / "in";
        const fs::path out = root / "out";
        const fs::path elsewhere = root / "elsewhere";
        for (const std::string& source : kSources) {
            fs::create_directories((in / source).parent_path());
            writeSampleImage((in / source).string(), 64, 48);
        }
        fs::create_directories(elsewhere);
        if (const std::vector<std::string> parts = split(obstacle.toStdString(), ':');
            !parts.empty()) {
            fs::create_directories((out / parts[1]).parent_path());
            if (parts[0] == "link")
                fs::create_directory_symlink(elsewhere, out / parts[1]);
            else
                std::ofstream(out / parts[1]) << "kept";
        }

        FakePlatform platform;
        ResizeViewModel model(platform.services());
        model.useOutputFolder(out);
        model.settings()->setKeepFolderStructure(keep);
        // Several at once, so conversions that need the same new folder race for it.
        model.setRunLimits({3, 0});
        for (const std::string& add : split(adds.toStdString(), ';')) {
            std::vector<fs::path> paths;
            for (const std::string& path : split(add, ','))
                paths.push_back(in / path);
            model.addPaths(paths);
        }
        QSignalSpy finished(&model, &ResizeViewModel::runFinished);
        QVERIFY(model.startProcessing());
        QVERIFY(finished.wait(60'000));

        std::vector<std::string> outputs;
        for (const ImageItem& item : model.items()->items())
            outputs.push_back(item.status.kind == ImageItem::ItemStatus::failed
                                  ? "!" + item.status.message
                                  : item.status.output.lexically_relative(out).string());
        std::vector<std::string> wanted = split(expected.toStdString(), ',');
        for (std::string& name : wanted)
            if (name == "!")
                name = "!Dosya kaydedilemedi";
        QCOMPARE(outputs, wanted);
        for (const std::string& name : wanted)
            if (name.front() != '!')
                QVERIFY(fs::is_regular_file(out / name));
        QVERIFY(fs::is_empty(elsewhere));
        if (!obstacle.isEmpty() && obstacle.startsWith("file:")) {
            std::ifstream kept(out / obstacle.mid(5).toStdString());
            QCOMPARE(std::string(std::istreambuf_iterator<char>(kept), {}), std::string("kept"));
        }
    }
};

QTEST_GUILESS_MAIN(TestFolderStructure)
#include "tst_folder_structure.moc"

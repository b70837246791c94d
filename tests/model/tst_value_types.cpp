#include "image_item.h"
#include "output_naming.h"
#include "settings_object.h"
#include "size_preset.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

using namespace pictavo;

class TestValueTypes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presetsAreTheTenRowsInOrder()
    {
        const std::vector<SizePreset>& all = SizePreset::all();
        QCOMPARE(all.size(), std::size_t(10));
        const std::vector<std::tuple<std::string, std::string, int, int>> expected{
            {"Web Kare S", "1:1", 400, 400},       {"Web Kare M", "1:1", 800, 800},
            {"Web Kare L", "1:1", 1200, 1200},     {"Web Kare XL", "1:1", 1600, 1600},
            {"Instagram Kare", "1:1", 1080, 1080}, {"Instagram Dikey", "4:5", 1080, 1350},
            {"Story / Reels", "9:16", 1080, 1920}, {"Full HD", "16:9", 1920, 1080},
            {"4K UHD", "16:9", 3840, 2160},        {"Web Yatay", "3:2", 1800, 1200}};
        for (std::size_t i = 0; i < all.size(); ++i) {
            QCOMPARE(all[i].title, std::get<0>(expected[i]));
            QCOMPARE(all[i].subtitle, std::get<1>(expected[i]));
            QCOMPARE(all[i].width, std::get<2>(expected[i]));
            QCOMPARE(all[i].height, std::get<3>(expected[i]));
        }
        QCOMPARE(&SizePreset::all(), &all); // built once
        QVERIFY(all[0].id != all[1].id);
    }

    void exactlyOnePresetIsCurrentForTheDefaults()
    {
        const ResizeSettings defaults;
        int current = 0;
        for (const SizePreset& preset : SizePreset::all())
            current += preset.matches(defaults.width, defaults.height) ? 1 : 0;
        QCOMPARE(current, 1);
        QVERIFY(SizePreset::all()[7].matches(1920, 1080));
        QVERIFY(SizePreset::all()[6].matches(1080, 1920)); // swapped: Story / Reels
        QVERIFY(!SizePreset::all()[8].matches(3841, 2160));
    }

    void itemsCompareByEveryField()
    {
        const ImageItem first{ItemId::random(), "/p/a.jpg", 10, 20, 300, {}, {}};
        ImageItem second = first;
        second.id = ItemId::random();
        QVERIFY(first != second); // same file, queued twice

        ImageItem finished = first;
        finished.status = ImageItem::ItemStatus::makeDone("/out/a.jpg");
        QVERIFY(finished != first);

        QVERIFY(ImageItem::ItemStatus::makeFailed("") != ImageItem::ItemStatus::makeReady());
        QVERIFY(ImageItem::ItemStatus::makeFailed("x") != ImageItem::ItemStatus::makeFailed("y"));
        QVERIFY(ImageItem::ItemStatus::makeDone("/a") != ImageItem::ItemStatus::makeDone("/b"));
        QVERIFY(ImageItem::ItemStatus::makeDone("/a") == ImageItem::ItemStatus::makeDone("/a"));
        QCOMPARE(QString::fromStdString(first.id.toString()).size(), 36);
    }

    void settingsChangeFieldByField()
    {
        SettingsObject settings;
        QSignalSpy width(&settings, &SettingsObject::widthChanged);
        QSignalSpy format(&settings, &SettingsObject::formatChanged);
        QSignalSpy any(&settings, &SettingsObject::changed);

        settings.setWidth(800);
        settings.setWidth(800); // no change, no signal
        QCOMPARE(width.count(), 1);
        QCOMPARE(settings.value().width, 800);

        settings.setFormat("PNG");
        QCOMPARE(settings.value().format, OutputFormat::png);
        QVERIFY(!settings.formatSupportsQuality());
        settings.setFormat("png"); // not a raw value
        settings.setFormat("Webp");
        QCOMPARE(settings.format(), QString("PNG"));
        QCOMPARE(format.count(), 1);

        settings.setMode("Doldur");
        QCOMPARE(settings.modeDescription(), QString("Oranı korur, kenarlardan kırpar"));
        settings.setHeight(-5); // stored as it is; the run refuses it
        QCOMPARE(settings.height(), -5);
        QCOMPARE(any.count(), 4);
        QCOMPARE(settings.modes(), QStringList({"Sığdır", "Doldur", "Esnet"}));
        QCOMPARE(settings.formats(),
                 QStringList({"Orijinali Koru", "JPEG", "PNG", "HEIC", "TIFF", "WebP", "AVIF"}));
    }

    void outputNamesFollowTheRule_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        QTest::newRow("defaults") << ""
                                  << "_resized"
                                  << "Orijinali Koru"
                                  << "Tatil.JPEG"
                                  << "Tatil_resized.jpg";
        QTest::newRow("last extension only") << ""
                                             << "_resized"
                                             << "Orijinali Koru"
                                             << "my.photo.jpg"
                                             << "my.photo_resized.jpg";
        QTest::newRow("prefix, no suffix") << "web_"
                                           << ""
                                           << "JPEG"
                                           << "Foto.HEIC"
                                           << "web_Foto.jpg";
        QTest::newRow("webp becomes png") << ""
                                          << "_resized"
                                          << "Orijinali Koru"
                                          << "photo.webp"
                                          << "photo_resized.png";
        QTest::newRow("avif becomes png") << ""
                                          << "_resized"
                                          << "Orijinali Koru"
                                          << "photo.avif"
                                          << "photo_resized.png";
        QTest::newRow("heif kept") << ""
                                   << "_resized"
                                   << "Orijinali Koru"
                                   << "IMG.HEIF"
                                   << "IMG_resized.heif";
        QTest::newRow("preview png") << "web_"
                                     << ""
                                     << "PNG"
                                     << "ornek.jpg"
                                     << "web_ornek.png";
    }

    void outputNamesFollowTheRule()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        QFETCH(QString, format);
        QFETCH(QString, source);
        QFETCH(QString, expected);
        SettingsObject settings;
        settings.setPrefix(prefix);
        settings.setSuffix(suffix);
        settings.setFormat(format);
        QCOMPARE(settings.previewName(source), expected);
    }

    void samplePreviewShowsTheNamingRule_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("jpeg") << ""
                              << "_resized"
                              << "JPEG"
                              << "ornek_resized.jpg";
        QTest::newRow("original") << ""
                                  << "_resized"
                                  << "Orijinali Koru"
                                  << "ornek_resized.orijinal";
        QTest::newRow("png with prefix") << "web_"
                                         << ""
                                         << "PNG"
                                         << "web_ornek.png";
        QTest::newRow("heic") << "a "
                              << " b"
                              << "HEIC"
                              << "a ornek b.heic";
        QTest::newRow("tiff, nothing added") << ""
                                             << ""
                                             << "TIFF"
                                             << "ornek.tiff";
        QTest::newRow("webp") << ""
                              << "_resized"
                              << "WebP"
                              << "ornek_resized.webp";
        QTest::newRow("avif") << ""
                              << "_resized"
                              << "AVIF"
                              << "ornek_resized.avif";
        QTest::newRow("original, slashes") << "../"
                                           << "/x"
                                           << "Orijinali Koru"
                                           << ".._ornek_x.orijinal";
    }

    void samplePreviewShowsTheNamingRule()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        SettingsObject settings;
        settings.setPrefix(prefix);
        settings.setSuffix(suffix);
        settings.setFormat(format);
        QCOMPARE(settings.samplePreviewName(), expected);
    }

    void freeNamesSkipEverythingThatExists()
    {
        QTemporaryDir dir;
        const std::filesystem::path folder = dir.path().toStdString();
        std::ofstream(folder / "a_resized.png") << "x";
        std::ofstream(folder / "a_resized-2.png") << "x";
        std::filesystem::create_symlink(folder / "nowhere", folder / "a_resized-4.png");
        ResizeSettings settings;
        settings.format = OutputFormat::png;
        FreeNameFinder names(folder, settings, "/photos/a.jpg");
        QCOMPARE(names.next(), folder / "a_resized-3.png");
        QCOMPARE(names.next(), folder / "a_resized-5.png"); // a dangling link is taken too
        QCOMPARE(names.next(), folder / "a_resized-6.png");
    }
};

QTEST_GUILESS_MAIN(TestValueTypes)
#include "tst_value_types.moc"

#include "image_queue_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace pictavo;

namespace {

using Status = ImageItem::ItemStatus;

ImageItem item(const char* name, std::int64_t bytes, Status status = Status::makeReady())
{
    const std::filesystem::path path = std::filesystem::path("/photos") / name;
    return {ItemId::random(), path, 40, 30, bytes, std::move(status), {}};
}

struct Counts {
    int ready, done, failed;
    qint64 bytes;
};

Counts countsOf(const ImageQueueModel& model)
{
    return {model.readyCount(), model.doneCount(), model.failedCount(), model.totalFileSize()};
}

bool operator==(const Counts& a, const Counts& b)
{
    return a.ready == b.ready && a.done == b.done && a.failed == b.failed && a.bytes == b.bytes;
}

} // namespace

namespace QTest {
template <> char* toString(const Counts& c)
{
    return qstrdup(QStringLiteral("ready %1 done %2 failed %3 bytes %4")
                       .arg(c.ready)
                       .arg(c.done)
                       .arg(c.failed)
                       .arg(c.bytes)
                       .toUtf8()
                       .constData());
}
} // namespace QTest

class TestQueueSummary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsFollowEveryChangeAndSkipProcessingItems()
    {
        ImageQueueModel model;
        QSignalSpy summary(&model, &ImageQueueModel::summaryChanged);
        // Sizes beyond 32 bits must not wrap.
        model.append({item("a.jpg", 3'000'000'000), item("b.png", 1'500'000'000),
                      item("c.tif", 700), item("d.webp", 300)});
        QCOMPARE(countsOf(model), (Counts{4, 0, 0, 4'500'001'000}));
        QCOMPARE(summary.count(), 1);

        model.setStatus(0, Status::makeProcessing());
        QCOMPARE(countsOf(model), (Counts{3, 0, 0, 4'500'001'000}));
        model.setStatus(0, Status::makeDone("/out/a.jpg"));
        model.setStatus(1, Status::makeFailed("Görsel okunamadı"));
        model.setStatus(2, Status::makeProcessing());
        QCOMPARE(countsOf(model), (Counts{1, 1, 1, 4'500'001'000}));

        // A new message for an item already failed changes no count, so nothing is announced.
        summary.clear();
        model.setStatus(1, Status::makeFailed("Çıktı oluşturulamadı"));
        QCOMPARE(summary.count(), 0);

        model.removeIf([](const ImageItem& i) { return i.status.kind == Status::done; });
        QCOMPARE(countsOf(model), (Counts{1, 0, 1, 1'500'001'000}));
        QCOMPARE(summary.count(), 1);

        model.clear();
        QCOMPARE(countsOf(model), (Counts{0, 0, 0, 0}));
        QCOMPARE(summary.count(), 2);
    }

    void byteTextsUseDecimalUnitsAndTurkishNumbers()
    {
        QCOMPARE(ImageQueueModel::byteCountText(0), QStringLiteral("0 bayt"));
        QCOMPARE(ImageQueueModel::byteCountText(999), QStringLiteral("999 bayt"));
        QCOMPARE(ImageQueueModel::byteCountText(1'000), QStringLiteral("1,0 kB"));
        QCOMPARE(ImageQueueModel::byteCountText(2'456'789), QStringLiteral("2,5 MB"));
        QCOMPARE(ImageQueueModel::byteCountText(4'500'001'000), QStringLiteral("4,5 GB"));
    }

    void rowsAndHeaderShowTheSameText()
    {
        ImageQueueModel model;
        model.append({item("a.jpg", 1'234'567)});
        QCOMPARE(model.data(model.index(0), ImageQueueModel::FileSizeTextRole).toString(),
                 model.totalSizeText());
        QCOMPARE(model.roleNames().value(ImageQueueModel::FileSizeTextRole), "fileSizeText");
    }
};

QTEST_GUILESS_MAIN(TestQueueSummary)
#include "tst_queue_summary.moc"

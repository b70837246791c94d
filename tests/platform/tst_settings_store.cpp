#include "platform_test.h"
#include "qt_settings_store.h"

#include <QTemporaryDir>

using namespace pictavo;

class TestSettingsStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_key = QStringLiteral("outputFolderBookmark");

private Q_SLOTS:
    void bytesComeBackUnchanged_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("binary") << QByteArray("\0\x01\xff\xfe bookmark \x80\0", 16);
        QTest::newRow("ini syntax") << QByteArray("[group]\nkey=value;\\\"q\" /home/ayşe");
    }

    // Written by one store and read by a second on the same file, as by the next launch.
    void bytesComeBackUnchanged()
    {
        QFETCH(QByteArray, value);
        const QString file = m_dir.filePath(QStringLiteral("settings.ini"));
        QtSettingsStore(file).setValue(m_key, value);
        QCOMPARE(QtSettingsStore(file).value(m_key), std::optional<QByteArray>(value));
    }

    void missingKeysAreNothingAndWritesReplace()
    {
        QtSettingsStore store(m_dir.filePath(QStringLiteral("fresh.ini")));
        QVERIFY(!store.value(m_key).has_value());
        store.setValue(m_key, "first");
        store.setValue(m_key, "second");
        QCOMPARE(store.value(m_key), std::optional<QByteArray>("second"));
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"

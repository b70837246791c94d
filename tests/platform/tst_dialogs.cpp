// The two pickers the window opens, driven as a user would: images and folders to add, and the
// output folder; the desktop's own through a portal the test plays on a bus of its own, Qt's
// where that portal is missing or fails.

#include "platform_test.h"
#include "qt_folder_dialog.h"
#include "qt_image_dialog.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace pictavo;
using namespace pictavo::test;

namespace {

QListView* listView(QFileDialog& dialog)
{
    return dialog.findChild<QListView*>(QStringLiteral("listView"));
}

QPushButton* acceptButton(QFileDialog& dialog)
{
    return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
        ->button(QDialogButtonBox::Open);
}

// How many rows the dialog's view lists.
int shownRows(QFileDialog& dialog)
{
    return listView(dialog)->model()->rowCount(listView(dialog)->rootIndex());
}

void select(QFileDialog& dialog, const QString& path)
{
    QItemSelectionModel* selection = listView(dialog)->selectionModel();
    const QModelIndex index =
        qobject_cast<QFileSystemModel*>(listView(dialog)->model())->index(path);
    selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

// The portal's file chooser: records each OpenFile call (parent window, title, options) and
// answers on the request's handle, made from the caller's name and token as portals make it,
// with `response` and `uris`; or fails as a portal without a file chooser does.
class FakePortal : public QDBusVirtualObject {
public:
    QList<QVariantList> calls;
    bool failing = false;
    uint response = 0;
    QStringList uris;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        calls << message.arguments();
        if (failing)
            return connection.send(message.createErrorReply(QDBusError::UnknownInterface, "no"));
        const QString token =
            qdbus_cast<QVariantMap>(message.arguments().value(2)).value("handle_token").toString();
        const QString handle = "/org/freedesktop/portal/desktop/request/" +
                               message.service().mid(1).replace('.', '_') + '/' + token;
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        return connection.send(
            QDBusMessage::createSignal(handle, "org.freedesktop.portal.Request", "Response")
            << response << QVariantMap{{"uris", uris}});
    }
};

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

    // Listed: the folder and the images in any letter case; left out: the text file.
    QTemporaryDir m_root;
    const QString m_trip = m_root.filePath(QStringLiteral("Trip"));
    const QString m_jpeg = m_root.filePath(QStringLiteral("a.JPG"));
    FakePortal m_portal;
    PrivateBus m_bus; // after the portal: gone before it
    bool m_busStarted = false;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_trip));
        for (const char* name : {"a.JPG", "b.png", "notes.txt"})
            QVERIFY(QFile(m_root.filePath(name)).open(QIODevice::WriteOnly));
    }

    void chooseImages_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("accept button") << "button" << true;
        QTest::newRow("cancel") << "cancel" << false;
    }

    // A file and a folder come back together, in the view's order.
    void chooseImages()
    {
        QFETCH(QString, how);
        QFETCH(bool, chosen);
        QtImageDialog picker;
        picker.setStartDirectory(m_root.path());
        whenFileDialogShows([&](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Görsel Ekle"));
            // The listing sorts itself on a timer after its rows arrive; the answer comes in
            // the order the user sees, so wait until that order is final.
            const auto* listing = qobject_cast<QFileSystemModel*>(listView(dialog)->model());
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return shownRows(dialog) == 3 &&
                           listing->index(m_trip).row() < listing->index(m_jpeg).row();
                },
                60000));
            select(dialog, m_jpeg);
            select(dialog, m_trip);
            // Qt renames the button "Open" when a folder is selected, and would open it.
            QCOMPARE(acceptButton(dialog)->text(), QStringLiteral("Ekle"));
            if (how == "button")
                acceptButton(dialog)->click();
        });
        const std::optional<QStringList> result = picker.chooseImages();
        QCOMPARE(result, chosen ? std::optional(QStringList{m_trip, m_jpeg}) : std::nullopt);
    }

    void portalDialogOrQtsInItsPlace_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("portal");
        QTest::addColumn<QStringList>("uris");
        QTest::addColumn<QStringList>("chosen");
        const QString uri = "file://" + m_root.path();
        QTest::newRow("images chosen")
            << false << "0"
            << QStringList{uri + "/Tatil%20foto%C4%9Fraf.HEIC", uri + "/b.png", "sftp://host/c.jpg"}
            << QStringList{m_root.filePath("Tatil fotoğraf.HEIC"), m_root.filePath("b.png")};
        QTest::newRow("images cancelled")
            << false << "1" << QStringList{uri + "/b.png"} << QStringList{};
        QTest::newRow("folder chosen") << true << "0" << QStringList{uri + "/%C3%87%C4%B1kt%C4%B1"}
                                       << QStringList{m_root.filePath("Çıktı")};
        QTest::newRow("folder cancelled") << true << "1" << QStringList{} << QStringList{};
        // As GTK's dialog answers Escape.
        QTest::newRow("images, dialog closed") << false << "2" << QStringList{} << QStringList{};
        // Qt's dialog stands in; the test cancels it.
        QTest::newRow("images, no portal") << false << "absent" << QStringList{} << QStringList{};
        QTest::newRow("folder, portal fails") << true << "fails" << QStringList{} << QStringList{};
    }

    // The desktop's dialog with each picker's texts and rules; Qt's only where it is not there.
    void portalDialogOrQtsInItsPlace()
    {
        QFETCH(bool, folder);
        QFETCH(QString, portal);
        QFETCH(QStringList, uris);
        QFETCH(QStringList, chosen);
        const bool qtDialog = portal == "absent" || portal == "fails";
        if (!m_busStarted && !(m_busStarted = m_bus.start(m_root.path())))
            QSKIP("no D-Bus daemon of the test's own");
        QDBusConnection service = m_bus.connection("portal");
        service.registerVirtualObject("/org/freedesktop/portal/desktop", &m_portal); // once
        if (portal == "absent")
            service.unregisterService("org.freedesktop.portal.Desktop");
        else
            QVERIFY(service.registerService("org.freedesktop.portal.Desktop"));
        m_portal.calls.clear();
        m_portal.failing = portal == "fails";
        m_portal.response = portal.toUInt();
        m_portal.uris = uris;

        QString qtDialogTitle;
        QTimer watch;
        watch.callOnTimeout([&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                qtDialogTitle = dialog->windowTitle();
                dialog->reject();
            }
        });
        watch.start(10);
        const FolderDialogTexts texts{"Klasör Seç", "Bu Klasöre Kaydet", "İleti"};
        std::optional<QStringList> result;
        if (folder) {
            QtFolderDialog picker(nullptr, m_bus.connection("app"));
            picker.setStartDirectory(m_root.path());
            if (const std::optional<QString> path = picker.chooseFolder(texts))
                result = QStringList{*path};
        } else {
            QtImageDialog picker(nullptr, m_bus.connection("app"));
            picker.setStartDirectory(m_root.path());
            result = picker.chooseImages();
        }
        QCOMPARE(result, chosen.isEmpty() ? std::nullopt : std::optional(chosen));
        QCOMPARE(qtDialogTitle, !qtDialog ? "" : folder ? texts.title : "Görsel Ekle");
        if (portal == "absent")
            return;

        QCOMPARE(m_portal.calls.size(), 1);
        const QVariantList call = m_portal.calls[0];
        QCOMPARE(call.mid(0, 2), QVariantList({"", folder ? texts.title : "Görsel Ekle"}));
        const QVariantMap options = qdbus_cast<QVariantMap>(call[2]);
        const QVariantMap expected{{"accept_label", folder ? texts.acceptText : "Ekle"},
                                   {"directory", folder},
                                   {"multiple", !folder},
                                   {"modal", true},
                                   {"current_folder", QFile::encodeName(m_root.path()) + '\0'}};
        for (const QString& key : expected.keys())
            QCOMPARE(options.value(key), expected[key]);
        // A portal refuses the whole call over an option of the wrong type.
        QCOMPARE(options.value("filters").value<QDBusArgument>().currentSignature(),
                 folder ? "" : "a(sa(us))");
        // Photos of every readable type, in the letter case cameras use too; nothing else.
        const auto filters = qdbus_cast<QList<PortalFileFilter>>(options["filters"]);
        QCOMPARE(filters.value(0).name, folder ? "" : "Görseller");
        const QStringList globs = filters.value(0).globs;
        for (const QString name :
             {"IMG_0001.JPG", "a.jpeg", "b.heif", "c.TIFF", "d.avif", "e.webp", "notes.txt"}) {
            const bool shown = std::any_of(globs.cbegin(), globs.cend(), [&](const QString& glob) {
                return QRegularExpression::fromWildcard(glob).match(name).hasMatch();
            });
            QVERIFY2(shown == (!folder && !name.endsWith(".txt")), qPrintable(name));
        }
    }

    void chooseFolder()
    {
        const FolderDialogTexts texts{
            QStringLiteral("Dönüştürülen Görsellerin Kaydedileceği Klasörü Seç"),
            QStringLiteral("Bu Klasöre Kaydet"),
            QStringLiteral("Sistemin dosya yazma izni vermesi için bir çıktı klasörü seç."),
        };
        const QString folder = m_root.filePath(QStringLiteral("Çıktı"));
        QVERIFY(QDir().mkpath(folder));

        QtFolderDialog picker;
        picker.setStartDirectory(m_root.path());
        whenFileDialogShows([&](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), texts.title);
            QCOMPARE(dialog.fileMode(), QFileDialog::Directory);
            QVERIFY(dialog.testOption(QFileDialog::ShowDirsOnly));
            QCOMPARE(dialog.directory().absolutePath(), m_root.path());
            QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("pictavoMessageLabel"))->text(),
                     texts.message);
            dialog.selectFile(folder);
            QCOMPARE(acceptButton(dialog)->text(), texts.acceptText);
            acceptButton(dialog)->click();
        });
        QCOMPARE(picker.chooseFolder(texts), std::optional<QString>(folder));
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

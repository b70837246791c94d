// The two pickers the window opens, driven as a user would: images and folders to add, and the
// output folder.

#include "platform_test.h"
#include "qt_folder_dialog.h"
#include "qt_image_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
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

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

    // Listed: the folder and the images in any letter case; left out: the text file.
    QTemporaryDir m_root;
    const QString m_trip = m_root.filePath(QStringLiteral("Trip"));
    const QString m_jpeg = m_root.filePath(QStringLiteral("a.JPG"));

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

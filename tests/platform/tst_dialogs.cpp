// The two pickers the window opens, driven as a user would: images and folders to add, and the
// output folder.

#include "image_picker_dialog.h"
#include "platform_test.h"
#include "qt_folder_dialog.h"
#include "qt_image_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMap>
#include <QPushButton>
#include <QStandardItemModel>
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

// The paths the dialog's view lists, in its order.
QStringList shownPaths(QFileDialog& dialog)
{
    QListView* view = listView(dialog);
    QStringList paths;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        paths << view->model()
                     ->index(row, 0, view->rootIndex())
                     .data(QFileSystemModel::FilePathRole)
                     .toString();
    return paths;
}

void select(QFileDialog& dialog, const QString& path)
{
    QItemSelectionModel* selection = listView(dialog)->selectionModel();
    const QModelIndex index =
        qobject_cast<QFileSystemModel*>(listView(dialog)->model())->index(path);
    selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

// Row, column, row span and column span of each named item of the dialog's grid.
QMap<QString, QList<int>> gridCells(QFileDialog& dialog)
{
    QMap<QString, QList<int>> cells;
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    for (int index = 0; grid && index < grid->count(); ++index) {
        QLayoutItem* item = grid->itemAt(index);
        QList<int> cell(4);
        grid->getItemPosition(index, &cell[0], &cell[1], &cell[2], &cell[3]);
        cells.insert(item->widget() ? item->widget()->objectName() : item->layout()->objectName(),
                     cell);
    }
    return cells;
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

    // Selected in another order than shown, one row twice, the shown folder (which lingers in
    // the selection after the dialog entered it) and a row without a path among them.
    void selectionBecomesPathsInViewOrder()
    {
        QStandardItemModel model;
        for (const char* path : {"/p/Trip", "/p/a.jpg", "/p", "/p/b.png", ""}) {
            auto* item = new QStandardItem;
            item->setData(QString::fromUtf8(path), QFileSystemModel::FilePathRole);
            model.appendRow(item);
        }
        const QModelIndexList rows{model.index(3, 0), model.index(0, 0), model.index(2, 0),
                                   model.index(1, 0), model.index(0, 0), model.index(4, 0)};
        QCOMPARE(pathsOfSelectedRows(rows, QStringLiteral("/p/")),
                 QStringList({"/p/Trip", "/p/a.jpg", "/p/b.png"}));
    }

    void typedNamesThatAreFolders()
    {
        const QList<std::pair<QString, QString>> cases{
            {"Trip/", m_trip}, {m_trip, m_trip}, {"~", QDir::homePath()},
            {"a.JPG", ""},     {"Missing", ""},  {"\"Trip\" \"a.JPG\"", ""}, // several names
        };
        for (const auto& [typed, folder] : cases)
            QCOMPARE(typedFolder(typed, m_root.path()).value_or(QString()), folder);
    }

    void chooseImages_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("accept button") << "button" << true;
        // Qt's Enter in a view acts on the current item, here a folder it would open.
        QTest::newRow("Enter in the list") << "list" << true;
        // Typing selects the matching row, yet Enter after a folder's name still goes there.
        QTest::newRow("Enter after a folder's name") << "typed" << false;
        QTest::newRow("cancel") << "cancel" << false;
    }

    // A file and a folder come back together, in the view's order.
    void chooseImages()
    {
        QFETCH(QString, how);
        QFETCH(bool, chosen);
        QtImageDialog picker;
        picker.setStartDirectory(m_root.path());
        QStringList expected;
        whenFileDialogShows([&](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Görsel Ekle"));
            QVERIFY(QTest::qWaitFor([&] { return shownPaths(dialog).size() == 3; }, 60000));
            select(dialog, m_jpeg);
            select(dialog, m_trip);
            // Qt renames the button "Open" when a folder is selected, and would open it.
            QCOMPARE(acceptButton(dialog)->text(), QStringLiteral("Ekle"));
            expected = shownPaths(dialog);
            expected.removeIf(
                [&](const QString& path) { return path != m_jpeg && path != m_trip; });
            if (how == "button")
                acceptButton(dialog)->click();
            if (how == "list")
                QTest::keyClick(listView(dialog), Qt::Key_Return);
            if (how == "typed") {
                auto* nameEdit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                nameEdit->setFocus();
                QTest::keyClicks(nameEdit, QStringLiteral("Trip"));
                QTest::keyClick(nameEdit, Qt::Key_Return);
                QVERIFY(dialog.isVisible());
                QCOMPARE(dialog.directory().absolutePath(), m_trip);
            }
        });
        const std::optional<QStringList> result = picker.chooseImages();
        QCOMPARE(result, chosen ? std::optional(expected) : std::nullopt);
    }

    // The message takes a full-width row above Qt's rows, which all keep their places below it.
    void chooseFolder()
    {
        const FolderDialogTexts texts{
            QStringLiteral("Dönüştürülen Görsellerin Kaydedileceği Klasörü Seç"),
            QStringLiteral("Bu Klasöre Kaydet"),
            QStringLiteral("Sistemin dosya yazma izni vermesi için bir çıktı klasörü seç."),
        };
        QFileDialog plain;
        QtFolderDialog::prepare(plain, {texts.title, texts.acceptText, QString()});
        QMap<QString, QList<int>> cells = gridCells(plain);
        QVERIFY(cells.contains(QStringLiteral("fileNameEdit")));
        for (QList<int>& cell : cells)
            ++cell[0];
        const QString folder = m_root.filePath(QStringLiteral("Çıktı"));
        QVERIFY(QDir().mkpath(folder));

        QtFolderDialog picker;
        picker.setStartDirectory(m_root.path());
        whenFileDialogShows([&](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), texts.title);
            QCOMPARE(dialog.fileMode(), QFileDialog::Directory);
            QVERIFY(dialog.testOption(QFileDialog::ShowDirsOnly));
            QCOMPARE(dialog.directory().absolutePath(), m_root.path());
            cells.insert(QStringLiteral("pictavoMessageLabel"),
                         {0, 0, 1, qobject_cast<QGridLayout*>(dialog.layout())->columnCount()});
            QCOMPARE(gridCells(dialog), cells);
            QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("pictavoMessageLabel"))->text(),
                     texts.message);
            dialog.selectFile(folder);
            QCOMPARE(acceptButton(dialog)->text(), texts.acceptText);
            acceptButton(dialog)->click();
        });
        QCOMPARE(picker.chooseFolder(texts), std::optional<QString>(folder));

        whenFileDialogShows([](QFileDialog& dialog) { dialog.reject(); });
        QVERIFY(!picker.chooseFolder(texts).has_value());
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

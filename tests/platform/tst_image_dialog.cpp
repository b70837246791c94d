#include "image_picker_dialog.h"
#include "platform_test.h"
#include "qt_image_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
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

// Waits for the folder's listing, which the file system model makes on a thread of its own.
bool waitForListing(QFileDialog& dialog, qsizetype rows)
{
    return QTest::qWaitFor([&] { return shownPaths(dialog).size() == rows; }, 60000);
}

void select(QFileDialog& dialog, const QString& path)
{
    QItemSelectionModel* selection = listView(dialog)->selectionModel();
    const QModelIndex index =
        qobject_cast<QFileSystemModel*>(listView(dialog)->model())->index(path);
    selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

// The shown paths that are among the chosen ones, in the view's order.
QStringList inViewOrder(QFileDialog& dialog, const QStringList& chosen)
{
    QStringList ordered = shownPaths(dialog);
    ordered.removeIf([&](const QString& path) { return !chosen.contains(path); });
    return ordered;
}

} // namespace

class TestImageDialog : public QObject {
    Q_OBJECT

    // Listed: the folder and the images in any letter case; left out: the text file.
    QTemporaryDir m_root;
    const QString m_trip = m_root.filePath(QStringLiteral("Trip"));
    const QString m_jpeg = m_root.filePath(QStringLiteral("a.JPG"));
    const QString m_png = m_root.filePath(QStringLiteral("b.png"));

    void open(ImagePickerDialog& dialog)
    {
        dialog.setDirectory(m_root.path());
        dialog.show();
        QVERIFY(waitForListing(dialog, 3));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_trip));
        for (const QString& file : {m_jpeg, m_png, m_root.filePath(QStringLiteral("notes.txt"))})
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    }

    void selectionBecomesPathsInViewOrder()
    {
        QStandardItemModel model;
        for (const char* path : {"/p/Trip", "/p/a.jpg", "/p", "/p/b.png", ""}) {
            auto* item = new QStandardItem;
            item->setData(QString::fromUtf8(path), QFileSystemModel::FilePathRole);
            model.appendRow(item);
        }
        // Selected in another order than shown, one row twice, the shown folder and a row
        // without a path among them.
        const QModelIndexList rows{model.index(3, 0), model.index(0, 0), model.index(2, 0),
                                   model.index(1, 0), model.index(0, 0), model.index(4, 0)};
        QCOMPARE(pathsOfSelectedRows(rows, QStringLiteral("/p/")),
                 QStringList({"/p/Trip", "/p/a.jpg", "/p/b.png"}));
    }

    void typedFolders_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("folder"); // empty: no folder to go to
        QTest::newRow("name") << "Trip/" << m_trip;
        QTest::newRow("absolute") << m_trip << m_trip;
        QTest::newRow("home") << "~" << QDir::homePath();
        QTest::newRow("file") << "a.JPG" << QString();
        QTest::newRow("missing") << "Missing" << QString();
        QTest::newRow("several names") << "\"Trip\" \"a.JPG\"" << QString();
    }

    void typedFolders()
    {
        QFETCH(QString, typed);
        QFETCH(QString, folder);
        QCOMPARE(typedFolder(typed, m_root.path()).value_or(QString()), folder);
    }

    // Qt renames the button "Open" when a folder is selected, and would open it on accept.
    void acceptButtonTakesFilesAndFoldersTogether()
    {
        ImagePickerDialog dialog;
        open(dialog);
        select(dialog, m_png);
        select(dialog, m_trip);
        QCOMPARE(acceptButton(dialog)->text(), QStringLiteral("Ekle"));
        acceptButton(dialog)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenPaths(), inViewOrder(dialog, {m_png, m_trip}));
    }

    // Typing selects the matching row, yet Enter after a folder's name still goes there.
    void enterAfterTypingAFolderGoesThere()
    {
        ImagePickerDialog dialog;
        open(dialog);
        auto* nameEdit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        nameEdit->setFocus();
        QTest::keyClicks(nameEdit, QStringLiteral("Trip"));
        QTest::keyClick(nameEdit, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.directory().absolutePath(), m_trip);
    }

    // Qt's Enter in a view acts on the current item, here a folder it would open.
    void enterInTheViewTakesSeveralSelectedItems()
    {
        ImagePickerDialog dialog;
        open(dialog);
        select(dialog, m_jpeg);
        select(dialog, m_trip);
        QTest::keyClick(listView(dialog), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenPaths(), inViewOrder(dialog, {m_jpeg, m_trip}));
    }

    void chooseImagesReturnsTheSelectionOrNothing()
    {
        QtImageDialog picker;
        picker.setStartDirectory(m_root.path());
        QStringList expected;
        whenFileDialogShows([&](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Görsel Ekle"));
            QVERIFY(waitForListing(dialog, 3));
            select(dialog, m_jpeg);
            select(dialog, m_trip);
            expected = inViewOrder(dialog, {m_jpeg, m_trip});
            acceptButton(dialog)->click();
        });
        const std::optional<QStringList> chosen = picker.chooseImages();
        QCOMPARE(chosen, std::optional<QStringList>(expected));

        whenFileDialogShows([](QFileDialog& dialog) { dialog.reject(); });
        QVERIFY(!picker.chooseImages().has_value());
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestImageDialog)
#include "tst_image_dialog.moc"

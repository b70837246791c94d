#include "platform_test.h"
#include "qt_folder_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>

using namespace pictavo;
using namespace pictavo::test;

namespace {

const FolderDialogTexts kTexts{
    QStringLiteral("Dönüştürülen Görsellerin Kaydedileceği Klasörü Seç"),
    QStringLiteral("Bu Klasöre Kaydet"),
    QStringLiteral("Sistemin dosya yazma izni vermesi için bir çıktı klasörü seç."),
};

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

class TestFolderDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The message takes a full-width row above Qt's rows, which all keep their places below it.
    void messageIsARowAboveEverythingElse()
    {
        QFileDialog plain;
        QtFolderDialog::prepare(plain, {kTexts.title, kTexts.acceptText, QString()});
        QFileDialog dialog;
        QtFolderDialog::prepare(dialog, kTexts);

        QMap<QString, QList<int>> expected = gridCells(plain);
        QVERIFY(expected.contains(QStringLiteral("fileNameEdit")));
        for (QList<int>& cell : expected)
            ++cell[0];
        const int columns = qobject_cast<QGridLayout*>(dialog.layout())->columnCount();
        expected.insert(QStringLiteral("pictavoMessageLabel"), {0, 0, 1, columns});
        QCOMPARE(gridCells(dialog), expected);
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("pictavoMessageLabel"))->text(),
                 kTexts.message);
    }

    void returnsTheChosenFolder()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("Çıktı"));
        QVERIFY(QDir().mkpath(folder));
        QtFolderDialog picker;
        picker.setStartDirectory(root.path());
        whenFileDialogShows([&](QFileDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), kTexts.title);
            QCOMPARE(dialog.fileMode(), QFileDialog::Directory);
            QVERIFY(dialog.testOption(QFileDialog::ShowDirsOnly));
            QCOMPARE(dialog.directory().absolutePath(), root.path());
            dialog.selectFile(folder);
            QPushButton* accept = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
                                      ->button(QDialogButtonBox::Open);
            QCOMPARE(accept->text(), kTexts.acceptText);
            accept->click();
        });
        QCOMPARE(picker.chooseFolder(kTexts), std::optional<QString>(folder));

        whenFileDialogShows([](QFileDialog& dialog) { dialog.reject(); });
        QVERIFY(!picker.chooseFolder(kTexts).has_value());
    }
};

PICTAVO_PLATFORM_TEST_MAIN(TestFolderDialog)
#include "tst_folder_dialog.moc"

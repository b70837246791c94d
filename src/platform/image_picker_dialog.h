#pragma once

#include <QFileDialog>
#include <QModelIndexList>
#include <QPointer>
#include <optional>

class QLineEdit;
class QListView;
class QTreeView;

namespace pictavo {

// The paths of the selected rows in the order the view shows them, each once, without the
// folder the view is showing.
QStringList pathsOfSelectedRows(QModelIndexList rows, const QString& currentDirectory);

// The folder that text typed into the name field names, relative to the current directory;
// nothing when it names no existing folder or lists several names.
std::optional<QString> typedFolder(const QString& typed, const QString& currentDirectory);

// Qt's file dialog, made to return files and folders together: Qt's own accept() treats a
// selected folder as a place to open, so the selection is taken from the views instead.
class ImagePickerDialog : public QFileDialog {
    Q_OBJECT

public:
    static inline const QString kTitle = QStringLiteral("Görsel Ekle");
    static inline const QString kAcceptText = QStringLiteral("Ekle");
    // Qt matches these without regard to case, so "IMG_0001.JPG" is shown too.
    static inline const QStringList kNameFilters = {
        QStringLiteral("Görseller (*.jpg *.jpeg *.png *.heic *.heif *.tif *.tiff *.webp *.avif)"),
        QStringLiteral("Tüm Dosyalar (*)"),
    };

    explicit ImagePickerDialog(QWidget* parent = nullptr);

    // What the user chose, once the dialog has been accepted.
    QStringList chosenPaths() const;

public Q_SLOTS:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreAcceptText();
    QStringList selectedRowPaths() const;

    QPointer<QListView> m_listView;
    QPointer<QTreeView> m_treeView;
    QPointer<QLineEdit> m_nameEdit;
    std::optional<QStringList> m_chosen;
};

} // namespace pictavo

#include "qt_image_dialog.h"

#include "image_picker_dialog.h"
#include "transient_parent.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QSet>
#include <QTreeView>
#include <algorithm>

namespace pictavo {

QStringList pathsOfSelectedRows(QModelIndexList rows, const QString& currentDirectory)
{
    // A selection lists its rows in the order they were selected; the user expects the view's.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    const QString current = QDir::cleanPath(currentDirectory);
    QStringList paths;
    QSet<QString> seen;
    for (const QModelIndex& row : std::as_const(rows)) {
        const QString path = row.data(QFileSystemModel::FilePathRole).toString();
        // The shown folder can linger in the selection after the dialog has entered it.
        if (path.isEmpty() || QDir::cleanPath(path) == current || seen.contains(path))
            continue;
        seen.insert(path);
        paths << path;
    }
    return paths;
}

std::optional<QString> typedFolder(const QString& typed, const QString& currentDirectory)
{
    // Quotes mark a list of several names: a selection, never a place to go.
    if (typed.isEmpty() || typed.contains(u'"'))
        return std::nullopt;
    QString path = typed;
    if (path == u"~" || path.startsWith(u"~/"))
        path = QDir::homePath() + path.mid(1);
    path = QDir::cleanPath(QDir(currentDirectory).absoluteFilePath(path));
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    return path;
}

ImagePickerDialog::ImagePickerDialog(QWidget* parent) : QFileDialog(parent)
{
    // Set first: every later setting then goes to Qt's widgets, not to a native dialog.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setWindowTitle(kTitle);
    setLabelText(QFileDialog::Accept, kAcceptText);
    setNameFilters(kNameFilters);

    m_listView = findChild<QListView*>(QStringLiteral("listView"));
    m_treeView = findChild<QTreeView*>(QStringLiteral("treeView"));
    m_nameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));

    // Qt renames the accept button to "Open" whenever a folder is among the selected items (it
    // would open it), on every change of selection, current item or typed name. These
    // connections come after Qt's own, so the text is put back last.
    if (m_listView) {
        connect(m_listView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &ImagePickerDialog::restoreAcceptText);
        m_listView->installEventFilter(this);
    }
    if (m_treeView)
        m_treeView->installEventFilter(this);
    if (m_nameEdit)
        connect(m_nameEdit, &QLineEdit::textChanged, this, &ImagePickerDialog::restoreAcceptText);
    connect(this, &QFileDialog::currentChanged, this, &ImagePickerDialog::restoreAcceptText);
    connect(this, &QFileDialog::directoryEntered, this, &ImagePickerDialog::restoreAcceptText);
}

QStringList ImagePickerDialog::chosenPaths() const
{
    return m_chosen.value_or(selectedFiles());
}

void ImagePickerDialog::restoreAcceptText()
{
    if (labelText(QFileDialog::Accept) != kAcceptText)
        setLabelText(QFileDialog::Accept, kAcceptText);
}

QStringList ImagePickerDialog::selectedRowPaths() const
{
    if (!m_listView) // the tree view shares the list view's selection
        return {};
    return pathsOfSelectedRows(m_listView->selectionModel()->selectedRows(),
                               directory().absolutePath());
}

void ImagePickerDialog::accept()
{
    // Enter in the name field after typing a folder goes there, as in any file dialog; typing
    // its name has also selected its row, which would otherwise make it the choice.
    if (m_nameEdit && sender() == m_nameEdit) {
        if (const std::optional<QString> folder =
                typedFolder(m_nameEdit->text(), directory().absolutePath())) {
            setDirectory(*folder);
            m_nameEdit->clear();
            return;
        }
    }

    const QStringList selected = selectedRowPaths();
    if (selected.isEmpty()) {
        // Only typed names, matching no row: Qt's checks and messages for them still apply.
        m_chosen.reset();
        QFileDialog::accept();
        return;
    }
    m_chosen = selected;
    Q_EMIT filesSelected(selected);
    QDialog::accept();
}

bool ImagePickerDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in a view activates only the current item: with a folder current, the dialog would
    // open that folder and drop the rest of the selection. With several items selected, Enter
    // means the same as the accept button.
    if (event->type() == QEvent::KeyPress && m_listView &&
        (watched == m_listView || watched == m_treeView)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            m_listView->selectionModel()->selectedRows().size() > 1) {
            accept();
            return true;
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

QList<PortalFileFilter> portalFilters(const QStringList& nameFilters)
{
    QList<PortalFileFilter> filters;
    for (const QString& nameFilter : nameFilters) {
        const qsizetype open = nameFilter.lastIndexOf(u'(');
        if (open <= 0 || !nameFilter.endsWith(u')'))
            continue;
        PortalFileFilter filter{nameFilter.left(open).trimmed(), {}};
        const QStringList globs =
            nameFilter.mid(open + 1).chopped(1).split(u' ', Qt::SkipEmptyParts);
        for (const QString& glob : globs)
            for (const QString& variant : {glob, glob.toLower(), glob.toUpper()})
                if (!filter.globs.contains(variant))
                    filter.globs << variant;
        filters << filter;
    }
    return filters;
}

QtImageDialog::QtImageDialog(QWindow* transientParent, std::optional<QDBusConnection> bus)
    : m_portal(std::move(bus)), m_transientParent(transientParent)
{}

std::optional<QStringList> QtImageDialog::chooseImages()
{
    const PortalFileRequest request{.title = ImagePickerDialog::kTitle,
                                    .acceptLabel = ImagePickerDialog::kAcceptText,
                                    .multiple = true,
                                    .filters = portalFilters(ImagePickerDialog::kNameFilters),
                                    .startFolder = m_startDirectory};
    const PortalFileAnswer answer = m_portal.open(request, m_transientParent);
    switch (answer.outcome) {
    case PortalFileAnswer::Outcome::Chosen:
        return answer.paths;
    case PortalFileAnswer::Outcome::Cancelled:
        return std::nullopt;
    case PortalFileAnswer::Outcome::Unavailable:
        break;
    }

    ImagePickerDialog dialog;
    if (!m_startDirectory.isEmpty())
        dialog.setDirectory(m_startDirectory);
    setDialogTransientParent(dialog, m_transientParent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenPaths();
}

} // namespace pictavo

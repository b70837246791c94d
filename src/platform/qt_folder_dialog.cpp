#include "qt_folder_dialog.h"

#include "transient_parent.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <vector>

namespace pictavo {

namespace {

// QFileDialog has no place for a message, but its widgets sit in one grid; the message goes
// in a row of its own above them all, spanning every column.
void addMessageRow(QFileDialog& dialog, const QString& message)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid || message.isEmpty())
        return;

    struct Placed {
        QLayoutItem* item;
        int row, column, rowSpan, columnSpan;
    };
    std::vector<int> stretches;
    for (int row = 0; row < grid->rowCount(); ++row)
        stretches.push_back(grid->rowStretch(row));
    std::vector<Placed> placed;
    for (int index = grid->count() - 1; index >= 0; --index) {
        Placed entry{};
        grid->getItemPosition(index, &entry.row, &entry.column, &entry.rowSpan, &entry.columnSpan);
        entry.item = grid->takeAt(index);
        placed.push_back(entry);
    }

    for (auto it = placed.rbegin(); it != placed.rend(); ++it)
        grid->addItem(it->item, it->row + 1, it->column, it->rowSpan, it->columnSpan,
                      it->item->alignment());
    for (int row = 0; row < static_cast<int>(stretches.size()); ++row)
        grid->setRowStretch(row + 1, stretches[static_cast<std::size_t>(row)]);
    grid->setRowStretch(0, 0);

    auto* label = new QLabel(message, &dialog);
    label->setObjectName(QStringLiteral("pictavoMessageLabel"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    grid->addWidget(label, 0, 0, 1, grid->columnCount());
}

} // namespace

QtFolderDialog::QtFolderDialog(QWindow* transientParent, std::optional<QDBusConnection> bus)
    : m_portal(std::move(bus)), m_transientParent(transientParent)
{}

void QtFolderDialog::prepare(QFileDialog& dialog, const FolderDialogTexts& texts)
{
    // The desktop's own picker, where there is one, cannot show the message.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowTitle(texts.title);
    dialog.setLabelText(QFileDialog::Accept, texts.acceptText);
    addMessageRow(dialog, texts.message);
}

std::optional<QString> QtFolderDialog::chooseFolder(const FolderDialogTexts& texts)
{
    // The portal has no place for the message; its dialogs can make a new folder, as Qt's can.
    const PortalFileRequest request{.title = texts.title,
                                    .acceptLabel = texts.acceptText,
                                    .directory = true,
                                    .startFolder = m_startDirectory};
    const PortalFileAnswer answer = m_portal.open(request, m_transientParent);
    switch (answer.outcome) {
    case PortalFileAnswer::Outcome::Chosen:
        return answer.paths.constFirst();
    case PortalFileAnswer::Outcome::Cancelled:
        return std::nullopt;
    case PortalFileAnswer::Outcome::Unavailable:
        break;
    }
    return chooseWithQt(texts);
}

std::optional<QString> QtFolderDialog::chooseWithQt(const FolderDialogTexts& texts)
{
    QFileDialog dialog;
    prepare(dialog, texts);
    if (!m_startDirectory.isEmpty())
        dialog.setDirectory(m_startDirectory);
    setDialogTransientParent(dialog, m_transientParent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.constFirst().isEmpty())
        return std::nullopt;
    return chosen.constFirst();
}

} // namespace pictavo

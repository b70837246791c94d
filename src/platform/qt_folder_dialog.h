#pragma once

#include "platform_services.h"

#include <QPointer>
#include <QWindow>

class QFileDialog;

namespace pictavo {

// Qt's own folder picker, with the caller's title, accept-button text and message.
class QtFolderDialog final : public FolderDialog {
public:
    // The dialog stays above the transient parent when one is given.
    explicit QtFolderDialog(QWindow* transientParent = nullptr);

    void setTransientParent(QWindow* window) { m_transientParent = window; }
    void setStartDirectory(const QString& directory) { m_startDirectory = directory; }

    std::optional<QString> chooseFolder(const FolderDialogTexts& texts) override;

    // Sets up a dialog as chooseFolder shows it; separate so the dialog's layout can be checked.
    static void prepare(QFileDialog& dialog, const FolderDialogTexts& texts);

private:
    QPointer<QWindow> m_transientParent;
    QString m_startDirectory;
};

} // namespace pictavo

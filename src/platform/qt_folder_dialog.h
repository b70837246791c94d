#pragma once

#include "platform_services.h"
#include "portal_file_chooser.h"

#include <QPointer>
#include <QWindow>

class QFileDialog;

namespace pictavo {

// The desktop's own folder picker through the portal, with the caller's title and accept-button
// text; where there is no portal, Qt's own, which also shows the message.
class QtFolderDialog final : public FolderDialog {
public:
    // The dialog stays above the transient parent when one is given. Without a bus, the portal
    // is looked for on the session bus.
    explicit QtFolderDialog(QWindow* transientParent = nullptr,
                            std::optional<QDBusConnection> bus = std::nullopt);

    void setTransientParent(QWindow* window) { m_transientParent = window; }
    void setStartDirectory(const QString& directory) { m_startDirectory = directory; }

    std::optional<QString> chooseFolder(const FolderDialogTexts& texts) override;

    // Sets up a dialog as chooseFolder shows it; separate so the dialog's layout can be checked.
    static void prepare(QFileDialog& dialog, const FolderDialogTexts& texts);

private:
    std::optional<QString> chooseWithQt(const FolderDialogTexts& texts);

    PortalFileChooser m_portal;
    QPointer<QWindow> m_transientParent;
    QString m_startDirectory;
};

} // namespace pictavo

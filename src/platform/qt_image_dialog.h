#pragma once

#include "platform_services.h"
#include "portal_file_chooser.h"

#include <QPointer>
#include <QWindow>

namespace pictavo {

// The portal's filters for Qt name filters such as "Görseller (*.jpg *.png)". Each pattern is
// given in lower and upper case too, since some desktops' dialogs match them case-sensitively
// and cameras name their files "IMG_0001.JPG".
QList<PortalFileFilter> portalFilters(const QStringList& nameFilters);

// The picker for images to add. The desktop's own through the portal, which takes several
// files of one folder; where there is no portal, Qt's own, which takes files and folders
// together.
class QtImageDialog final : public ImageDialog {
public:
    // The dialog stays above the transient parent when one is given. Without a bus, the portal
    // is looked for on the session bus.
    explicit QtImageDialog(QWindow* transientParent = nullptr,
                           std::optional<QDBusConnection> bus = std::nullopt);

    void setTransientParent(QWindow* window) { m_transientParent = window; }
    // Without one, the dialog opens where it was last used.
    void setStartDirectory(const QString& directory) { m_startDirectory = directory; }

    std::optional<QStringList> chooseImages() override;

private:
    PortalFileChooser m_portal;
    QPointer<QWindow> m_transientParent;
    QString m_startDirectory;
};

} // namespace pictavo

#pragma once

#include "platform_services.h"

#include <QPointer>
#include <QWindow>

namespace pictavo {

// The picker for images to add: several files and folders in one selection.
class QtImageDialog final : public ImageDialog {
public:
    // The dialog stays above the transient parent when one is given.
    explicit QtImageDialog(QWindow* transientParent = nullptr);

    void setTransientParent(QWindow* window) { m_transientParent = window; }
    // Without one, the dialog opens where it was last used.
    void setStartDirectory(const QString& directory) { m_startDirectory = directory; }

    std::optional<QStringList> chooseImages() override;

private:
    QPointer<QWindow> m_transientParent;
    QString m_startDirectory;
};

} // namespace pictavo

#pragma once

#include "desktop_file_manager.h"
#include "linux_folder_access.h"
#include "platform_services.h"
#include "qt_folder_dialog.h"
#include "qt_image_dialog.h"
#include "qt_settings_store.h"

namespace pictavo {

// One of each desktop service, for the application and the command line. The bundle handed out
// points into this object, which must therefore outlive every model using it.
class DesktopPlatform {
public:
    DesktopPlatform() = default;
    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

    // The window the dialogs are kept above.
    void setDialogParent(QWindow* window);

    PlatformServices services();

private:
    QtImageDialog m_imageDialog;
    QtFolderDialog m_folderDialog;
    QtSettingsStore m_settingsStore;
    LinuxFolderAccess m_folderAccess;
    DesktopFileManager m_fileManager;
};

} // namespace pictavo

#pragma once

#include "desktop_file_manager.h"
#include "desktop_run_observer.h"
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
    DesktopPlatform() : m_runObserver(m_fileManager) {}
    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

    // The window the dialogs are kept above, and the one the run's notification stands in for.
    void setWindow(QWindow* window);

    PlatformServices services();

private:
    QtImageDialog m_imageDialog;
    QtFolderDialog m_folderDialog;
    QtSettingsStore m_settingsStore;
    LinuxFolderAccess m_folderAccess;
    DesktopFileManager m_fileManager;
    DesktopRunObserver m_runObserver;
};

} // namespace pictavo

#include "desktop_platform.h"

namespace pictavo {

void DesktopPlatform::setWindow(QWindow* window)
{
    m_runObserver.setWindow(window);
    m_imageDialog.setTransientParent(window);
    m_folderDialog.setTransientParent(window);
}

PlatformServices DesktopPlatform::services()
{
    return {&m_imageDialog,  &m_folderDialog, &m_settingsStore,
            &m_folderAccess, &m_fileManager,  &m_runObserver};
}

} // namespace pictavo

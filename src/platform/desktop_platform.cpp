#include "desktop_platform.h"

namespace pictavo {

void DesktopPlatform::setDialogParent(QWindow* window)
{
    m_imageDialog.setTransientParent(window);
    m_folderDialog.setTransientParent(window);
}

PlatformServices DesktopPlatform::services()
{
    return {&m_imageDialog, &m_folderDialog, &m_settingsStore, &m_folderAccess, &m_fileManager};
}

} // namespace pictavo

#pragma once

#include "platform_services.h"

namespace pictavo {

// Folder references as small JSON documents: the absolute path, and the device and inode the
// path named when the reference was made, so a folder replaced at the same path is noticed.
// Linux grants no per-folder rights to a process, so access is a check and nothing is held.
class LinuxFolderAccess final : public FolderAccess {
public:
    std::optional<QByteArray> bookmark(const QString& folder) override;
    // Nothing for damaged data or when no folder exists at the path any more.
    std::optional<ResolvedFolder> resolve(const QByteArray& bookmark) override;
    // True only for an existing directory this process may create files in.
    bool startAccessing(const QString& folder) override;
    // Nothing to release: startAccessing takes no resource.
    void stopAccessing(const QString& folder) override;
};

} // namespace pictavo

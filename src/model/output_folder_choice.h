#pragma once

#include "platform_services.h"

#include <QString>
#include <filesystem>
#include <optional>

namespace pictavo {

// Where the runs write: a folder chosen in the dialog, remembered as a bookmark for the next
// launch and kept writable while chosen, or one given without asking (the command line).
class OutputFolderChoice {
public:
    static constexpr const char* kBookmarkKey = "outputFolderBookmark";

    // Takes up the remembered folder when it can still be reached and written into.
    explicit OutputFolderChoice(const PlatformServices& services);

    // The folder as the run uses it, byte for byte.
    const std::optional<std::filesystem::path>& path() const { return m_path; }
    // The folder for display; names that are not UTF-8 show replacement characters.
    QString display() const;
    // Asks for a folder; false when none was chosen, and then nothing changed.
    bool choose();
    // Sets the folder without asking and without remembering it.
    void use(const std::filesystem::path& folder) { m_path = folder; }
    // Shows the folder in the desktop's file manager.
    void reveal() const;

private:
    void restore();
    void saveBookmark(const QString& folder);

    PlatformServices m_services;
    std::optional<std::filesystem::path> m_path;
    std::optional<QString> m_scoped; // the folder whose access was started
};

} // namespace pictavo

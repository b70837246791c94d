#pragma once

#include "open_folder.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace pictavo::detail {

// A hidden temporary file beside the destination that becomes the destination in one
// rename, every step relative to the folder's descriptor, so a reader never sees a half-written
// image and a failed write leaves the old file untouched. Removed on destruction unless committed.
// Named ".<name>.pictavo-XXXXXX" and held under an exclusive flock() for its whole life, so that a
// later run can tell one abandoned by a killed process (no lock) from one another process is still
// writing.
class StagedFile {
public:
    // For the file `name` in `folder`. Throws ProcessingError(cannotWrite) when the folder
    // does not take a new file.
    StagedFile(std::shared_ptr<const OpenFolder> folder, std::string name);
    ~StagedFile();

    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Writes the whole content: an encoder's finished bytes. Every write(2) is checked, so a
    // full disk or a file size limit fails here instead of leaving a cut-off file. Throws
    // cannotWrite.
    void write(std::span<const unsigned char> bytes);

    // Flushes the file to disk and renames it over the destination. Throws cannotWrite, also
    // when the file does not hold exactly the bytes written.
    void commit();

    // Puts the file in place as `name` (in the same folder) only if nothing is there yet;
    // false when something is. Throws cannotWrite on any other failure. Nothing is
    // replaced here, so a crash can at worst cost this new file: it skips the flush to disk,
    // which takes a tenth of a batch's time (the batch flushes once at its end instead).
    bool commitAsNew(const std::string& name);

private:
    bool isComplete(bool durable) const;

    std::shared_ptr<const OpenFolder> m_folder;
    std::string m_name;
    std::string m_temporary;
    int m_descriptor = -1; // holds the lock
    int m_registration = -1;
    std::size_t m_written = 0;
    bool m_committed = false;
};

// Whether `name` has the form of a StagedFile's name.
bool isStagedFileName(std::string_view name);

} // namespace pictavo::detail

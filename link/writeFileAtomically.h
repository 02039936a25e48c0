// Replaces a file's contents so that a failure half-way never destroys the previous file.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

/// How a save went: success, or the system's error number of the step that failed.
struct FileWriteResult {
    int error = 0;  ///< 0 on success, else an errno value
    explicit operator bool() const { return error == 0; }
    /// The system's text for the error ("Permission denied"); empty on success.
    std::string reason() const;
};

/// Puts `data` into the file at `path` without ever leaving it half written:
/// - a regular file (or a new name) gets a new temporary file in its directory, flushed to the disk and
///   renamed over it; an existing file keeps its permission bits (and, where allowed, its owner), a new
///   file gets the usual permissions (0666 less the umask);
/// - a symbolic link is followed, and its final target is what gets replaced: the link stays a link;
/// - a special file (character or block device, FIFO) is written in place and never replaced;
/// - a directory, or a path ending in '/', is refused (EISDIR).
/// On failure the target keeps its previous contents (or stays absent) and no temporary file is left.
/// Temporary files of earlier saves into the same directory whose process is gone (a killed save) are
/// removed first.
FileWriteResult writeFileAtomically(const std::string& path, std::string_view data);

/// Whether a save to `path` can be expected to succeed: the target (after its symbolic links) is a
/// writable file, or a new name in a directory that exists and is writable. Used to refuse an output
/// before a long operation starts; the save itself still checks everything.
FileWriteResult checkWritable(const std::string& path);

/// The name pattern of the temporary files: "<target name>.~<process id>-<counter>.tmp".
bool isOwnTemporaryName(std::string_view name, long* processId = nullptr);

}  // namespace vantrel

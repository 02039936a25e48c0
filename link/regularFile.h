// Reading the small files the program is given: only regular files, never blocking on a FIFO or device.
#pragma once

#include <cstddef>
#include <string>

namespace vantrel {

/// What reading a file came to.
struct RegularFileText {
    enum class Status {
        Read,        ///< `text` holds the contents
        Missing,     ///< no such file (or a path through something that is no folder)
        NotRegular,  ///< a FIFO, device, socket or folder: refused without reading
        TooLarge,    ///< more than the caller's limit
        Failed,      ///< the system refused the open or a read (`error`)
    };
    Status status = Status::Failed;
    std::string text;
    int error = 0;  ///< errno of Missing and Failed
    explicit operator bool() const { return status == Status::Read; }
    /// One line for the user: "not a regular file", "larger than 1048576 bytes", the system's text.
    std::string reason() const;
};

/// Reads the file at `path` whole. The file is opened without blocking, so that a FIFO without a writer,
/// a terminal or a device put in a file's place can neither hang the open nor be read; anything but a
/// regular file is refused before a byte is read, and only then is the descriptor set back to blocking
/// reads. A file of more than `limit` bytes answers TooLarge, or with `prefixOnly` its first `limit`
/// bytes as Read.
RegularFileText readRegularFile(const std::string& path, std::size_t limit, bool prefixOnly = false);

}  // namespace vantrel

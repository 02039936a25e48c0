// SHA-256 of archive files, so an event names exactly which file was loaded or saved.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// The SHA-256 digest of `data` as 64 lower-case hexadecimal digits.
std::string sha256Hex(std::string_view data);

/// "sha256:" and the digest of the regular file at `path` (at most `limit` bytes are read; a larger
/// file, a special file or one that cannot be read answers nullopt).
std::optional<std::string> fileDigest(const std::string& path, std::size_t limit = 64 << 20);

}  // namespace vantrel

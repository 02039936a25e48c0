// Replaces a file's contents so that a failure half-way never destroys the previous file.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

/// Writes `data` to a new temporary file in the directory of `path`, flushes it to the disk and renames
/// it over `path`. Answers false when any step fails; `path` then keeps its previous contents (or stays
/// absent) and no temporary file is left behind. A new file gets the usual permissions (0666 less the
/// umask).
bool writeFileAtomically(const std::string& path, std::string_view data);

}  // namespace vantrel

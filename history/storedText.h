// Texts as the history stores them: any bytes in, valid UTF-8 without NUL bytes out, and back unchanged.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

/// Encodes arbitrary bytes as a text both SQLite and PostgreSQL keep unchanged (valid UTF-8, no NUL):
/// valid UTF-8 passes as it is, a backslash becomes "\\", a NUL byte "\0", and every byte that is not
/// part of valid UTF-8 "\xHH". Readable texts (names, paths, messages) read the same in SQL.
std::string encodeStoredText(std::string_view bytes);
/// The bytes of an encoded text. An escape that encodeStoredText never writes is kept as it stands.
std::string decodeStoredText(std::string_view text);

}  // namespace vantrel

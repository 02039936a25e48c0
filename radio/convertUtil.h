// Conversion of short hexadecimal texts, as the temperature compensation fields are written.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantrel {

/// Text-to-number conversion helpers.
class convertUtil {
  public:
    /// Value of the first `length` characters of `text` read as hexadecimal, most significant first, after
    /// skipping leading '0' characters. 'A'-'F' and 'a'-'f' count 10-15, '0'-'9' their value, any other
    /// character 0. Only characters inside `text` are read (a longer `length` is cut to the text); a
    /// negative length answers 0. Eight digits at most are meaningful (32-bit wrap beyond).
    std::uint32_t hexToInt(std::string_view text, int length);

  private:
    int m_zerosSkipped = 0;  ///< scratch: leading zeros of the last conversion
    int m_digitsRead = 0;    ///< scratch: digits read by the last conversion
};

}  // namespace vantrel

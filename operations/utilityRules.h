// Rules and texts the utilities share between the windows and the command-line tool.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

/// Serial number programming.
namespace serialRule {
inline constexpr std::size_t Length = 10;
/// Punctuation the serial entry admits besides letters, digits and the period.
inline constexpr std::string_view Punctuation = "*#_~!%&()-+=|{}[];:'?/<>,@`";
inline constexpr const char* NotBlankText = "Serial No. is not blank";
inline constexpr const char* NotBlankCaption = " NOTE";
inline constexpr const char* LengthText = "Serial No. must be exactly 10 characters";
inline constexpr const char* LengthCaption = "Entry Error";
inline constexpr const char* ProgrammedText = "Serial No. has been successfully programmed !!";
inline constexpr const char* SwappedOnOpenText = "Radio has been changed!! Read in new radio?";
inline constexpr const char* SwappedText =
    "Radio has been changed!! Please close the current screen and read in new radio. Perform the same "
    "operation again.";
/// Whether the serial entry admits the character.
bool admits(char c);
/// Exactly ten admitted characters.
bool valid(std::string_view serial);
/// Ten blanks: a radio without a serial number.
bool blank(std::string_view serial);
}  // namespace serialRule

/// Temperature compensation data: four bytes, softpot 1.
namespace tempCompRule {
inline constexpr std::size_t Digits = 8;
inline constexpr std::uint8_t Softpot = 1;
inline constexpr std::uint8_t ProgramFunction = 1;
inline constexpr const char* ReadFailedText = "Temp Comp data could not be read !!";
inline constexpr const char* LengthText = "Length of Temp Comp data must be exactly 4 bytes";
inline constexpr const char* WrittenText = "Temp Comp data has been written in successfully !!";
inline constexpr const char* WriteFailedText = "Error writing in Temp Comp data !!";
/// The four bytes as eight lower-case hexadecimal digits ("%.2x" each).
std::string format(const std::array<std::uint8_t, 4>& bytes);
/// Eight hexadecimal digits (either case) as four bytes; nullopt for anything else.
std::optional<std::array<std::uint8_t, 4>> parse(std::string_view text);
}  // namespace tempCompRule

}  // namespace vantrel

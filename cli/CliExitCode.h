// The exit codes of the command-line tool, one table for every command.
#pragma once

namespace vantrel::exitCode {

inline constexpr int Success = 0;
inline constexpr int SerialMismatch = 1;    ///< program: the radio is not the archive's radio
inline constexpr int Different = 1;         ///< diff: the records differ
inline constexpr int InvalidFrequency = 2;  ///< read: all frequency point data is invalid
inline constexpr int PowerUpFailure = 3;    ///< read: the radio reported a power-up failure
inline constexpr int LinkFailure = 4;       ///< read, program: the exchange with the radio failed
inline constexpr int PortBusy = 5;          ///< read, program: the port could not be opened
inline constexpr int FileFailure = 6;       ///< a file could not be read, written or parsed
inline constexpr int NotConfirmed = 7;      ///< program: cancelled or not confirmed
inline constexpr int NotAligned = 1;        ///< align: a procedure ended outside its tolerance
inline constexpr int InstrumentFailure = 8;  ///< align: a bench instrument failed or could not be opened
inline constexpr int Usage = 64;            ///< bad arguments, or a command this build lacks
inline constexpr int InternalError = 70;    ///< an unexpected failure inside the tool
/// read, program: stopped by a signal after resetting the radio; the code is this plus the signal's
/// number (130 for SIGINT, 143 for SIGTERM).
inline constexpr int Interrupted = 128;

}  // namespace vantrel::exitCode

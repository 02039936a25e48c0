// Texts several parts of the program show the user, each written once.
#pragma once

namespace vantrel::message {

/// The serial number check's question, as most windows spell it.
inline constexpr const char* Mismatch = "Serial No. mismatch!! Read in new radio?";
/// The same question as the PA bias, battery, rated volume and some deviation windows spell it.
inline constexpr const char* MismatchCapital = "Serial No. Mismatch!! Read in new radio?";
/// Any link failure during a radio action.
inline constexpr const char* LinkError = "Radio Communication Error!!";
/// Shown whenever a dekey failed while the transmitter was or may have been on the air.
inline constexpr const char* StillKeyed =
    "The radio did not confirm that it stopped transmitting.\n"
    "It may still be transmitting: switch the radio off now.";
/// Shown when a re-read brought in a radio the open window does not fit.
inline constexpr const char* NoLongerFits =
    "The radio now connected does not have this procedure.\nThe window is closed.";
/// Status of a tuning window while the transmitter is off, and while it is on at a frequency (MHz).
inline constexpr const char* Dekeyed = "Radio is currently dekeyed";
inline constexpr const char* KeyedFormat = "Radio is currently keyed up at %fMHz";
/// Status of a receive window while a point is being tuned (receive frequency, MHz).
inline constexpr const char* PointTunedFormat = "Point %fMHz is currently being tuned";
/// Shown instead of the frequency of a point the radio does not use.
inline constexpr const char* Unsupported = "UNSUPPORTED";

inline constexpr const char* ErrorCaption = "ERROR";
inline constexpr const char* WarningCaption = "WARNING";
inline constexpr const char* NoteCaption = "NOTE";

}  // namespace vantrel::message

// The message of a port that cannot be opened, with what keeps it from opening written under it.
#pragma once

#include <string>

#include "operations/UserPrompt.h"

namespace vantrel {

class PortInUseError;

/// The text every radio action shows when its connection cannot start, whatever the reason.
inline constexpr const char* kPortInUseText = "COM Port is currently in use by another application";
inline constexpr const char* kPortInUseCaption = " WARNING";

/// Why the port did not open, as one line naming the device once ("no such device: /dev/ttyUSB0",
/// "COM1 is mapped to the serial adapter ..., which is not plugged in"). Empty when another program
/// holds the port: the text says that already.
std::string portInUseCause(const PortInUseError& failure);

/// The port message (caption " WARNING", information icon) with `cause` under it after a blank line;
/// the text alone when `cause` is empty.
PromptMessage portInUseMessage(const std::string& cause);
PromptMessage portInUseMessage(const PortInUseError& failure);

}  // namespace vantrel

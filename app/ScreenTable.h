// The screens the commands open: titles, child captions, open-screen codes and help contexts.
#pragma once

namespace vantrel {

/// Open-screen codes that the shell itself publishes or tests for.
namespace screenCode {
inline constexpr int None = 0;
inline constexpr int PaBiasHigh = 11;
inline constexpr int PaBiasLow = 12;
inline constexpr int SerialProgram = 30;
inline constexpr int PaBiasHighDefault = 36;
inline constexpr int PaBiasLowDefault = 37;
inline constexpr int TempCompRead = 39;
inline constexpr int TempCompWrite = 40;
inline constexpr int PortableSetup = 41;
inline constexpr int MobileSetup = 42;
}  // namespace screenCode

/// Help contexts besides the per-screen ones.
namespace helpContext {
inline constexpr int Index = -1;      ///< the help index (contents)
inline constexpr int UsingHelp = -2;  ///< help on using help
inline constexpr int PaBiasDefault = 40017;
}  // namespace helpContext

/// One screen a command opens.
struct ScreenSpec {
    int commandId;
    const char* screenClass;
    const char* windowTitle;
    const char* childCaption;
    int code;
};

/// The screen of a screen-opening command, nullptr for other commands.
const ScreenSpec* findScreen(int commandId);

/// The help context of an open-screen code; helpContext::Index for 0 and every code without a topic.
int helpContextForScreen(int code);

}  // namespace vantrel

// SIGINT, SIGTERM and SIGHUP during a radio command: noted, so the command stops between two exchanges.
#pragma once

namespace vantrel::stopSignal {

/// Installs handlers for SIGINT, SIGTERM and SIGHUP, and ignores SIGPIPE so a closed output fails its
/// writes instead of ending the tool (the tool's main does this once). Inside a RadioScope the handler
/// only notes the signal: the radio command finishes the exchange in progress, resets the radio and exits
/// 128 + signal. Outside every RadioScope nothing waits on the radio, so the handler ends the tool at once
/// with 128 + signal, whatever it waits for (a FIFO, the terminal).
void install();

/// Marks the time a radio command may have the radio in a test mode or keyed: signals are noted, not
/// acted on at once. Scopes nest.
class RadioScope {
  public:
    RadioScope();
    ~RadioScope();
    RadioScope(const RadioScope&) = delete;
    RadioScope& operator=(const RadioScope&) = delete;
};
/// The signal noted so far, or 0.
int pending();
/// Notes `signal` as the handler does (tests), or forgets it with 0.
void note(int signal);
/// A descriptor that becomes readable when a signal is noted (the handler writes one byte to a pipe),
/// so a loop waiting for input with poll() wakes up at once; -1 before install().
int wakeDescriptor();

}  // namespace vantrel::stopSignal

// SIGINT, SIGTERM and SIGHUP during a radio command: noted, so the command stops between two exchanges.
#pragma once

namespace vantrel::stopSignal {

/// Installs handlers for SIGINT, SIGTERM and SIGHUP that only note the signal, and ignores SIGPIPE so a
/// closed output fails its writes instead of ending the tool (the tool's main does this once). A radio
/// command then finishes the exchange in progress, resets the radio and exits 128 + signal.
void install();
/// The signal noted so far, or 0.
int pending();
/// Notes `signal` as the handler does (tests), or forgets it with 0.
void note(int signal);
/// A descriptor that becomes readable when a signal is noted (the handler writes one byte to a pipe),
/// so a loop waiting for input with poll() wakes up at once; -1 before install().
int wakeDescriptor();

}  // namespace vantrel::stopSignal

// Process-wide seams of the link: where COM.INI lives, how COM ports open, which clock times the line.
#pragma once

#include <functional>
#include <string>

#include "link/Clock.h"
#include "link/SerialDevice.h"

namespace vantrel {

class LinkTap;

/// Everything a connection (cominit) needs from its surroundings. Production defaults: the
/// current directory, the POSIX port opener and the system clock. Tests point it at a virtual line.
struct LinkContext {
    /// Directory that holds COM.INI (the program directory).
    std::string programDirectory = ".";
    PortOpener* opener = nullptr;  // nullptr: the POSIX opener
    Clock* clock = nullptr;        // nullptr: the system clock
    /// Called while the link waits for the radio, so a user interface can keep painting.
    /// It must not start another radio operation.
    std::function<void()> idleHook;
    /// Hears every byte of every connection (the link monitor, the support trace); nullptr for none.
    LinkTap* tap = nullptr;
    /// Asked before every exchange except a reset: a non-zero answer (the number of the signal that
    /// asked the program to stop) ends the operation with OperationInterrupted once the exchange in
    /// progress is complete. Empty: never stop.
    std::function<int()> stopSignal = {};

    PortOpener& portOpener();
    Clock& lineClock();
};

/// The one context of the process.
LinkContext& linkContext();

/// Sets the context for the lifetime of this object and restores the previous one after (tests).
class ScopedLinkContext {
  public:
    explicit ScopedLinkContext(LinkContext context) : m_saved(linkContext()) {
        linkContext() = std::move(context);
    }
    ~ScopedLinkContext() { linkContext() = std::move(m_saved); }
    ScopedLinkContext(const ScopedLinkContext&) = delete;
    ScopedLinkContext& operator=(const ScopedLinkContext&) = delete;

  private:
    LinkContext m_saved;
};

/// The link context without its stop signal for a scope: what puts the radio back (restore, dekey,
/// reset) must go out even after SIGINT or SIGTERM.
class UnstoppableLinkScope {
  public:
    UnstoppableLinkScope() : m_scope(withoutStop()) {}

  private:
    static LinkContext withoutStop() {
        LinkContext context = linkContext();
        context.stopSignal = {};
        return context;
    }
    ScopedLinkContext m_scope;
};

}  // namespace vantrel

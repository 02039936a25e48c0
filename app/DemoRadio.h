// Demo mode: the simulated radio served on a pseudo-terminal inside the application's own process.
#pragma once

#include <QString>
#include <memory>

namespace vantrel {

class PtySimServer;
class SimRadio;

/// Starts a simulated radio of a profile on a pty and points the COM port that COM.INI names at it
/// (VANTREL_COM<n>); without a COM.INI it writes one for port 1. Stops the radio when destroyed.
class DemoRadio {
  public:
    DemoRadio();
    ~DemoRadio();
    /// Answers false with a reason in `error` when the profile or the pty cannot be had.
    bool start(const QString& profile, const QString& programDirectory, QString& error);
    /// Prints every change of the radio's state (values set live or programmed, test mode, channel,
    /// key) to standard error as it happens, so a technician sees what the program does to the radio.
    void traceStateChanges();
    /// The COM port the radio answers on.
    int port() const { return m_port; }
    QString device() const;

  private:
    std::unique_ptr<SimRadio> m_radio;
    std::unique_ptr<PtySimServer> m_server;
    int m_port = 0;
};

}  // namespace vantrel

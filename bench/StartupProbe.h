// Measures how long the application takes from its start to the first painting of its main window.
#pragma once

#include <optional>
#include <string>

namespace vantrel::bench {

/// Starts the application offscreen (QT_QPA_PLATFORM=offscreen) in a scratch working directory with Qt's
/// widget painting log switched on, and watches its log for the first flush of the main window to the
/// screen. Stops the application afterwards.
class StartupProbe {
  public:
    /// appPath: the application executable; timeoutSeconds bounds one start.
    StartupProbe(std::string appPath, double timeoutSeconds);
    /// Seconds from the start to the first shown main window; nothing (and why in lastError) when the
    /// window was not seen in time or the application could not start.
    std::optional<double> measureOnce();
    const std::string& lastError() const { return m_lastError; }

  private:
    std::string m_appPath;
    double m_timeoutSeconds;
    std::string m_lastError;
};

}  // namespace vantrel::bench

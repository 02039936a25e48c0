// Renders the main window in each state and every dialog to PNG files (review and documentation).
#pragma once

#include <QString>

namespace vantrel {

/// Writes the PNGs into `directory` (created when missing), running the application against a simulated
/// radio on a virtual line. Answers the process exit code (0 when every picture was written).
int renderScreenshots(const QString& directory, const QString& programDirectory);

}  // namespace vantrel

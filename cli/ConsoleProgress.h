// Progress of a long operation on the console: a redrawn bar on a terminal, one line per step otherwise.
#pragma once

#include <ostream>
#include <string>

#include "operations/ProgressSink.h"

namespace vantrel {

/// On a terminal, one line redrawn in place: a bar and the current step text, ended
/// with a line feed at 100 % or at destruction. Elsewhere (a pipe, a log), every step text as a line of
/// its own, exactly as the operation gives it ("30% Complete"); percentages alone print nothing.
class ConsoleProgress : public ProgressSink {
  public:
    /// `out` must outlive the progress.
    ConsoleProgress(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}
    ~ConsoleProgress() override;
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    void SetText(const std::string& text) override;
    void SetPercentDone(int percent) override;

    static constexpr int kBarWidth = 30;

  private:
    void draw();
    void endLine();

    std::ostream& m_out;
    bool m_terminal;
    std::string m_text;
    int m_percent = 0;
    bool m_lineOpen = false;
    std::size_t m_drawnWidth = 0;
};

}  // namespace vantrel

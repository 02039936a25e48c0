// Progress of a long operation on the console: a redrawn bar on a terminal, one line per step otherwise.
#include "cli/ConsoleProgress.h"

#include <algorithm>

namespace vantrel {

namespace {
constexpr int kFull = 100;
}

ConsoleProgress::~ConsoleProgress() {
    endLine();
}

void ConsoleProgress::SetText(const std::string& text) {
    if (!m_terminal) {
        m_out << text << '\n' << std::flush;
        return;
    }
    m_text = text;
    draw();
}

void ConsoleProgress::SetPercentDone(int percent) {
    if (!m_terminal)
        return;
    m_percent = std::clamp(percent, 0, kFull);
    draw();
    if (m_percent >= kFull)
        endLine();
}

void ConsoleProgress::draw() {
    const int filled = m_percent * kBarWidth / kFull;
    // The step texts carry their percentage ("30% Complete"), so the bar shows no number of its own.
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] " + m_text;
    // Blank out what a longer previous line left behind.
    const std::size_t width = line.size();
    if (width < m_drawnWidth)
        line += std::string(m_drawnWidth - width, ' ');
    m_drawnWidth = width;
    m_out << '\r' << line << std::flush;
    m_lineOpen = true;
}

void ConsoleProgress::endLine() {
    if (!m_lineOpen)
        return;
    m_out << '\n' << std::flush;
    m_lineOpen = false;
    m_drawnWidth = 0;
}

}  // namespace vantrel

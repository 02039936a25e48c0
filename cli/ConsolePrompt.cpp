// User messages of the command-line tool: each message text as one line on a stream, or held back.
#include "cli/ConsolePrompt.h"

namespace vantrel {

PromptAnswer ConsolePrompt::show(const PromptMessage& message) {
    if (m_out)
        *m_out << message.text << '\n' << std::flush;
    else
        m_held.push_back(message);
    switch (message.buttons) {
        case PromptButtons::OkCancel:
            return PromptAnswer::Cancel;
        case PromptButtons::YesNo:
            return PromptAnswer::No;
        case PromptButtons::Ok:
            break;
    }
    return PromptAnswer::Ok;
}

void ConsolePrompt::release(std::ostream& out) {
    for (const PromptMessage& message : m_held) out << message.text << '\n';
    out << std::flush;
    m_held.clear();
}

}  // namespace vantrel

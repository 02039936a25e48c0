// User messages of the command-line tool: each message text as one line on a stream, or held back.
#pragma once

#include <ostream>
#include <vector>

#include "operations/UserPrompt.h"

namespace vantrel {

/// Writes every message's text as one line on the given stream (the caption and icon are dropped),
/// or, constructed without a stream, holds the messages for the caller to print where it chooses.
/// Questions answer Cancel or No: the tool asks its own questions before an operation starts.
class ConsolePrompt : public UserPrompt {
  public:
    using UserPrompt::show;
    /// `out` must outlive the prompt; nullptr holds the messages instead.
    explicit ConsolePrompt(std::ostream* out) : m_out(out) {}
    PromptAnswer show(const PromptMessage& message) override;
    /// The messages held so far (only without a stream).
    const std::vector<PromptMessage>& held() const { return m_held; }
    /// Writes the held messages' texts, one per line, and forgets them.
    void release(std::ostream& out);

  private:
    std::ostream* m_out;
    std::vector<PromptMessage> m_held;
};

}  // namespace vantrel

// The per-action link connection of a tuning screen: opened at the start of an action, closed at its end.
#pragma once

#include <memory>

#include "operations/portInUseMessage.h"
#include "operations/sharedMessages.h"

namespace vantrel {

class cominit;
class EnhancedSBEP;
class UserPrompt;

/// At most one connection (a `cominit`) at a time. A slider drag keeps its connection across positions;
/// a close marked pending happens when the drag ends. While open or pending, open() reuses the link.
class tuningConnection {
  public:
    static constexpr const char* kPortInUseText = vantrel::kPortInUseText;
    static constexpr const char* kPortInUseCaption = vantrel::kPortInUseCaption;
    static constexpr const char* kLinkErrorText = message::LinkError;
    static constexpr const char* kLinkErrorCaption = message::ErrorCaption;

    explicit tuningConnection(UserPrompt& prompt);
    ~tuningConnection();
    tuningConnection(const tuningConnection&) = delete;
    tuningConnection& operator=(const tuningConnection&) = delete;

    /// Opens the configured port unless a connection is open (also while its close is pending). When
    /// the port cannot be opened, shows the port message (the link-failure message when the port
    /// refused its line settings), clears close-pending and answers false; nothing was sent then.
    bool open();
    /// Closes the port (when open) and clears both flags.
    void close();
    void markClosePending() { m_closePending = true; }
    bool isOpen() const { return m_link != nullptr; }
    bool closePending() const { return m_closePending; }
    /// The open link; only valid while isOpen().
    EnhancedSBEP& link();

  private:
    UserPrompt& m_prompt;
    std::unique_ptr<cominit> m_link;
    bool m_closePending = false;
};

}  // namespace vantrel

// The per-action link connection of a tuning screen.
#include "screens/tuningConnection.h"

#include "link/Exceptions.h"
#include "link/cominit.h"
#include "operations/UserPrompt.h"
#include "operations/portInUseMessage.h"

namespace vantrel {

tuningConnection::tuningConnection(UserPrompt& prompt) : m_prompt(prompt) {}

tuningConnection::~tuningConnection() = default;

bool tuningConnection::open() {
    if (m_link)
        return true;
    m_closePending = false;
    try {
        m_link = std::make_unique<cominit>();
    } catch (const PortInUseError& failure) {
        m_prompt.show(portInUseMessage(failure));
        return false;
    } catch (const Exception&) {
        // The port opened but refused its line settings: nothing was sent.
        m_prompt.show(kLinkErrorText, kLinkErrorCaption, PromptIcon::Exclamation);
        return false;
    }
    return true;
}

void tuningConnection::close() {
    m_link.reset();
    m_closePending = false;
}

EnhancedSBEP& tuningConnection::link() {
    return *m_link;
}

}  // namespace vantrel

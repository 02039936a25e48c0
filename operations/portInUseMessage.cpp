// The port message and its cause.
#include "operations/portInUseMessage.h"

#include "link/Exceptions.h"

namespace vantrel {

std::string portInUseCause(const PortInUseError& failure) {
    if (failure.cause() == PortOpenCause::Busy)
        return {};
    const std::string& detail = failure.detail();
    const std::string& device = failure.device();
    // Most causes name their device already; the others get it in front.
    if (detail.empty() || device.empty() || detail.find(device) != std::string::npos)
        return detail;
    return device + ": " + detail;
}

PromptMessage portInUseMessage(const std::string& cause) {
    PromptMessage message{kPortInUseText, kPortInUseCaption, PromptIcon::Information};
    if (!cause.empty())
        message.text += "\n\n" + cause;
    return message;
}

PromptMessage portInUseMessage(const PortInUseError& failure) {
    return portInUseMessage(portInUseCause(failure));
}

}  // namespace vantrel

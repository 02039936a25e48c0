// What a failed Read Radio or Program All was doing, and the reset that follows every failure part-way.
#include "operations/operationFailure.h"

#include "link/Exceptions.h"
#include "link/cominit.h"

namespace vantrel {

std::vector<std::string> operationFailure::detailLines(bool programAll) const {
    std::vector<std::string> lines;
    if (!failed())
        return lines;
    if (step.empty())
        lines.push_back(cause);
    else
        lines.push_back("while " + step + (cause.empty() ? std::string() : ": " + cause));
    if (programAll) {
        std::string done;
        for (const std::string& name : written) done += (done.empty() ? "" : ", ") + name;
        lines.push_back(done.empty() ? std::string("nothing was written") : "already written: " + done);
    }
    return lines;
}

bool resetAfterFailure() {
    try {
        cominit link;
        link.resetRadio();
        return true;
    } catch (const Exception&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vantrel

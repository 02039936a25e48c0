// Where long operations report their progress: the progress window in the GUI, a bar or lines in the CLI.
#pragma once

#include <string>

namespace vantrel {

/// Receives the step text and the percentage of a long operation (Read Radio, Program All, report).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    /// The current step, e.g. "Reading Softpots.....".
    virtual void SetText(const std::string& text) = 0;
    /// 0 to 100.
    virtual void SetPercentDone(int percent) = 0;
};

/// Discards everything (operations run without a visible progress).
class NullProgress : public ProgressSink {
public:
    void SetText(const std::string&) override {}
    void SetPercentDone(int) override {}
};

}  // namespace vantrel

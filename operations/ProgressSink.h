// Where long operations report their progress: the progress window in the GUI, a bar or lines in the CLI.
#pragma once

#include <functional>
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
    /// Whether the user asked to stop the operation (the progress window's Cancel). Read Radio and
    /// Program All ask before every exchange with the radio except a reset, so a cancel takes effect
    /// between two exchanges, never inside one.
    virtual bool cancelRequested() { return false; }
};

/// Discards everything (operations run without a visible progress).
class NullProgress : public ProgressSink {
  public:
    void SetText(const std::string&) override {}
    void SetPercentDone(int) override {}
};

/// The stop answer of a cancel asked through a ProgressSink; signals proper are positive.
inline constexpr int kCancelledByUser = -1;

/// For its lifetime the link's stop check also asks `progress` whether the user cancelled: a pending
/// signal still comes first, a cancel then answers kCancelledByUser (OperationInterrupted carries it).
/// The previous check is restored on every way out.
class CancelCheckScope {
  public:
    explicit CancelCheckScope(ProgressSink& progress);
    ~CancelCheckScope();
    CancelCheckScope(const CancelCheckScope&) = delete;
    CancelCheckScope& operator=(const CancelCheckScope&) = delete;

  private:
    std::function<int()> m_previous;
};

}  // namespace vantrel

// Runs an alignment plan one procedure at a time on a thread of its own, so the window stays live:
// pause between procedures, skip, abort, and the technician's readings asked on the GUI thread.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "alignment/alignment.h"
#include "instruments/Instruments.h"
#include "link/LinkTap.h"

namespace vantrel {

/// The opened instruments of a run; alignment() points into them.
struct openedBench {
    std::unique_ptr<PowerMeter> meter;
    std::unique_ptr<FrequencyCounter> counter;
    std::unique_ptr<ModulationAnalyser> analyser;
    std::unique_ptr<SignalGenerator> generator;
    std::unique_ptr<PowerSupply> supply;
    /// Instruments owned elsewhere (tests); used when the owned ones are absent.
    alignmentBench borrowed;
    std::shared_ptr<void> keepAlive;

    alignmentBench alignment() const;
};

/// Opens the bench; called on the run's thread before the radio is touched. Throws (InstrumentError,
/// std::exception) when an instrument cannot be had: the run then ends without touching the radio.
using benchOpener = std::function<openedBench()>;

/// What a run ended with, told once its thread has ended.
struct alignRunEnd {
    bool stopped = false;     ///< Abort (or the window's close) ended it
    bool stillKeyed = false;  ///< a closing did not confirm the dekey
    bool radioGone = false;   ///< the radio became unreachable: the rest was not run
    std::string benchError;   ///< the bench could not be opened: nothing ran
    int proceduresRun = 0;    ///< procedures that talked to the radio
};

/// One run. Lives on the GUI thread; every callback below is called there, in order.
class AlignRunner : public QObject {
  public:
    struct Listener {
        std::function<void(int index)> started;
        std::function<void(int index, const std::string& label, int value, std::optional<double> reading)>
            step;
        std::function<void(int index, const procedureResult& result)> finished;
        std::function<void(const std::string& text)> note;
        /// A manual step needs a reading: answer with answerManual() (nullopt skips the procedure).
        std::function<void(const manualRequest& request)> manualAsked;
        /// The thread has ended and the link is the GUI thread's again.
        std::function<void(const alignRunEnd& end)> ended;
    };

    struct Setup {
        alignmentPlan plan;
        std::vector<int> steps;  ///< indices into plan.steps, in the order they run
        /// Worked on by the run's thread alone until ended(); must outlive the run.
        radioStorage* record = nullptr;
        connectionOpener openConnection;
        std::string programDirectory = ".";
        alignmentTargets targets = alignmentTargets::defaults();
        benchOpener openBench;
    };

    explicit AlignRunner(QObject* parent = nullptr);
    /// Aborts and waits for the run's thread (the session in progress dekeys and resets first).
    ~AlignRunner() override;

    void setListener(Listener listener) { m_listener = std::move(listener); }
    /// Starts the run; false when one is running already.
    bool start(Setup setup);
    bool running() const { return m_thread.joinable(); }

    /// Holds the run before the next procedure (never in the middle of one) or lets it go on.
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    /// Drops a step that has not started; false when it runs or has run.
    bool skip(int index);
    /// Stops the run after the exchange in progress: the procedure restores its live values, dekeys and
    /// resets; the steps after it are not run. A reading being asked counts as skipped.
    void abort();
    bool aborting() const { return m_abort; }
    /// The technician's answer to the last manualAsked.
    void answerManual(std::optional<double> reading);
    /// Waits for the run's thread and delivers what it posted (tests, teardown).
    void waitForEnd();

  private:
    class QueuedTap;
    class Forwarder;
    void body(Setup setup);
    std::optional<double> askManual(const manualRequest& request);
    void post(std::function<void()> call);
    void finishOnGuiThread(alignRunEnd end);
    void takeLink();
    void giveLinkBack();

    Listener m_listener;
    std::thread m_thread;
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_paused{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::set<int> m_skipped;
    std::set<int> m_begun;
    bool m_asking = false;
    bool m_answered = false;
    std::optional<double> m_answer;
    std::unique_ptr<QueuedTap> m_tap;
    LinkTap* m_savedTap = nullptr;
    std::function<void()> m_savedIdle;
    bool m_linkTaken = false;
    std::optional<alignRunEnd> m_end;
};

/// Tests put a bench of their own in place of bench.conf's instruments for the window's runs.
benchOpener& alignBenchOverride();

}  // namespace vantrel

// The alignment's run thread: one procedure at a time, with the window's pause, skip and abort.
#include "app/AlignRunner.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "link/LinkContext.h"

namespace vantrel {

alignmentBench openedBench::alignment() const {
    alignmentBench b = borrowed;
    if (meter)
        b.meter = meter.get();
    if (counter)
        b.counter = counter.get();
    if (analyser)
        b.analyser = analyser.get();
    if (generator)
        b.generator = generator.get();
    if (supply)
        b.supply = supply.get();
    return b;
}

benchOpener& alignBenchOverride() {
    static benchOpener opener;
    return opener;
}

/// The link monitor is the GUI thread's: what the run's connections hear reaches it there, in order.
class AlignRunner::QueuedTap : public LinkTap {
  public:
    QueuedTap(AlignRunner& owner, LinkTap& target) : m_owner(owner), m_target(target) {}
    void portOpened(uint32_t ms, const std::string& name) override {
        m_owner.post([t = &m_target, ms, name] { t->portOpened(ms, name); });
    }
    void portClosed(uint32_t ms) override {
        m_owner.post([t = &m_target, ms] { t->portClosed(ms); });
    }
    void byteSent(uint32_t ms, uint8_t byte) override {
        m_owner.post([t = &m_target, ms, byte] { t->byteSent(ms, byte); });
    }
    void bytesReceived(uint32_t ms, const uint8_t* bytes, size_t count) override {
        m_owner.post([t = &m_target, ms, data = std::vector<uint8_t>(bytes, bytes + count)] {
            t->bytesReceived(ms, data.data(), data.size());
        });
    }

  private:
    AlignRunner& m_owner;
    LinkTap& m_target;
};

/// The core's observer on the run's thread: everything goes to the GUI thread as queued calls.
class AlignRunner::Forwarder : public alignmentObserver {
  public:
    Forwarder(AlignRunner& owner, int index) : m_owner(owner), m_index(index) {}
    void procedureStarted(int, const planStep&) override {
        m_owner.post([o = &m_owner, i = m_index] {
            if (o->m_listener.started)
                o->m_listener.started(i);
        });
    }
    void stepTaken(const std::string&, const std::string& label, int value,
                   std::optional<double> reading) override {
        m_owner.post([o = &m_owner, i = m_index, label, value, reading] {
            if (o->m_listener.step)
                o->m_listener.step(i, label, value, reading);
        });
    }
    void note(const std::string& text) override {
        m_owner.post([o = &m_owner, text] {
            if (o->m_listener.note)
                o->m_listener.note(text);
        });
    }

  private:
    AlignRunner& m_owner;
    int m_index;
};

AlignRunner::AlignRunner(QObject* parent) : QObject(parent) {}

AlignRunner::~AlignRunner() {
    abort();
    if (m_thread.joinable())
        m_thread.join();
    giveLinkBack();
}

void AlignRunner::post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void AlignRunner::takeLink() {
    // The link calls its idle hook and its tap on whatever thread runs it: the hook pumps the GUI's
    // events and the tap feeds the monitor window, so neither may run on the run's thread.
    LinkContext& context = linkContext();
    m_savedIdle = context.idleHook;
    m_savedTap = context.tap;
    QThread* gui = QThread::currentThread();
    context.idleHook = [saved = m_savedIdle, gui] {
        if (saved && QThread::currentThread() == gui)
            saved();
    };
    if (m_savedTap) {
        m_tap = std::make_unique<QueuedTap>(*this, *m_savedTap);
        context.tap = m_tap.get();
    }
    m_linkTaken = true;
}

void AlignRunner::giveLinkBack() {
    if (!m_linkTaken)
        return;
    LinkContext& context = linkContext();
    context.idleHook = m_savedIdle;
    if (context.tap == m_tap.get())
        context.tap = m_savedTap;
    m_linkTaken = false;
}

bool AlignRunner::start(Setup setup) {
    if (running() || !setup.record)
        return false;
    m_abort = false;
    m_paused = false;
    m_end.reset();
    {
        std::lock_guard lock(m_mutex);
        m_skipped.clear();
        m_begun.clear();
        m_asking = false;
    }
    takeLink();
    m_thread = std::thread([this, s = std::move(setup)]() mutable { body(std::move(s)); });
    return true;
}

void AlignRunner::setPaused(bool paused) {
    {
        std::lock_guard lock(m_mutex);
        m_paused = paused;
    }
    m_wake.notify_all();
}

bool AlignRunner::skip(int index) {
    std::lock_guard lock(m_mutex);
    if (m_begun.count(index))
        return false;
    m_skipped.insert(index);
    return true;
}

void AlignRunner::abort() {
    {
        std::lock_guard lock(m_mutex);
        m_abort = true;
    }
    m_wake.notify_all();
}

void AlignRunner::answerManual(std::optional<double> reading) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_asking)
            return;
        m_answer = reading;
        m_answered = true;
    }
    m_wake.notify_all();
}

std::optional<double> AlignRunner::askManual(const manualRequest& request) {
    std::unique_lock lock(m_mutex);
    if (m_abort)
        return std::nullopt;
    m_asking = true;
    m_answered = false;
    m_answer.reset();
    post([this, request] {
        if (m_listener.manualAsked)
            m_listener.manualAsked(request);
        else
            answerManual(std::nullopt);
    });
    m_wake.wait(lock, [this] { return m_answered || m_abort; });
    m_asking = false;
    return m_abort ? std::nullopt : m_answer;
}

void AlignRunner::body(Setup setup) {
    alignRunEnd end;
    openedBench bench;
    try {
        bench = setup.openBench ? setup.openBench() : openedBench{};
    } catch (const std::exception& e) {
        end.benchError = e.what();
        post([this, end] { finishOnGuiThread(end); });
        return;
    }
    alignmentEnvironment environment;
    environment.session.record = setup.record;
    environment.session.openConnection = setup.openConnection;
    environment.session.programDirectory = setup.programDirectory;
    // A serial number mismatch is not followed by a read on this thread: the procedure ends instead.
    environment.session.reread = nullptr;
    environment.bench = bench.alignment();
    environment.targets = setup.targets;
    environment.stopRequested = [this] { return m_abort.load(); };
    environment.manualReading = [this](const manualRequest& r) { return askManual(r); };

    for (int index : setup.steps) {
        const planStep& step = setup.plan.steps[size_t(index)];
        procedureResult result;
        result.procedure = step.procedure;
        result.title = step.title;
        result.mode = step.mode;
        result.end = procedureEnd::Skipped;
        {
            // Pause holds here, between two procedures, where no session is open.
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_paused || m_abort; });
            if (m_abort) {
                result.text = "not run: the alignment was stopped";
            } else if (end.radioGone) {
                result.text = "not run: the radio failed";
            } else if (m_skipped.count(index)) {
                result.text = "skipped by the technician";
            } else {
                m_begun.insert(index);
            }
        }
        if (result.text.empty()) {
            Forwarder forwarder(*this, index);
            environment.observer = &forwarder;
            const alignmentReport report = runAlignment(alignmentPlan{setup.plan.group, {step}}, environment);
            environment.observer = nullptr;
            if (!report.procedures.empty())
                result = report.procedures.front();
            ++end.proceduresRun;
            end.stillKeyed = end.stillKeyed || report.stillKeyed || result.stillKeyed;
            end.radioGone = end.radioGone || result.radioUnreachable;
        }
        post([this, index, result] {
            if (m_listener.finished)
                m_listener.finished(index, result);
        });
    }
    end.stopped = m_abort;
    // The instruments go on this thread, where they were used.
    bench = openedBench{};
    post([this, end] { finishOnGuiThread(end); });
}

void AlignRunner::finishOnGuiThread(alignRunEnd end) {
    if (m_thread.joinable())
        m_thread.join();
    giveLinkBack();
    m_end = end;
    if (m_listener.ended)
        m_listener.ended(end);
}

void AlignRunner::waitForEnd() {
    // The run may wait for a reading asked on this thread: its calls are delivered while waiting.
    while (m_thread.joinable()) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        std::this_thread::yield();
    }
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

}  // namespace vantrel

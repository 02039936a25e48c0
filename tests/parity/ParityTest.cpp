// Every catalogued procedure, variant and utility driven twice from the same fresh simulated radio, once
// through its window's public actions and once through the tuning session, with the same steps: the radio
// must hear the same requests, byte for byte, step by step, the technician the same texts, and the record
// must end the same.
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ProcedureCatalogue.h"
#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/VirtualLine.h"
#include "link/cominit.h"
#include "operations/ProgressSink.h"
#include "operations/UserPrompt.h"
#include "operations/bboConfigFileModule.h"
#include "operations/procedureCatalogue.h"
#include "operations/radioOperations.h"
#include "operations/sharedMessages.h"
#include "operations/tuningSession.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"
#include "screens/TBatteryVoltageWindow.h"
#include "screens/TKMPowerEditBox.h"
#include "screens/TMobilePowerTuneHI.h"
#include "screens/TPABiasWindows.h"
#include "screens/TPAVoltageLimitWindow.h"
#include "screens/TRSSIWindow.h"
#include "screens/TTunerEditBox.h"
#include "screens/TTuningScreen.h"
#include "sim/SimFrame.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"
#include "utilities/TBasebandUpdateWindow.h"
#include "utilities/TSerialNoEdit.h"
#include "utilities/TSerialProgramWindow.h"
#include "utilities/TTempCompWindow.h"

namespace vantrel::test {
namespace {

// --- The steps
// ----------------------------------------------------------------------------------------------

/// What the technician (or a script) does after the opening and before the closing.
enum class Op {
    Slide,     ///< a slider step on a row at the value it shows (selects the row)
    Value,     ///< a value typed into a row's box and taken (the K and M boxes: the box takes the focus)
    Ptt,       ///< PTT Toggle
    Toggle,    ///< a PA bias row's toggle
    AutoTune,  ///< a row's auto-tune, or the run over every point
    Update,    ///< RSSI: a row's Update; the utilities' Update
    Reading,   ///< text into a row's entry
    Spacing,   ///< the baseband spacing shown (row: 0..2)
    Typed,     ///< text left in a row's box, not taken (row -1: the last row); Program reads it
    Program,
    Fail,  ///< the radio answers `row` more requests, then nothing
    Swap,  ///< another radio on the cable: the next serial number check asks; `row` 1 cancels, 0 re-reads
    Hold,  ///< another program holds the port (`row` 1) or lets it go (0)
};

struct Step {
    Op op;
    int row = 0;
    int delta = 0;          ///< Value: the change from the row's working value
    const char* text = "";  ///< Reading, Typed
};

struct Scenario {
    const char* name;     ///< catalogue name
    const char* profile;  ///< a simulated radio the procedure is available on
    std::vector<Step> steps;
};

/// Select a point, key, two values, dekey, Program.
std::vector<Step> keyedRow(int row) {
    return {{Op::Slide, row}, {Op::Ptt}, {Op::Value, row, 1}, {Op::Value, row, 2}, {Op::Ptt}, {Op::Program}};
}
/// Procedures that never key: their values go live at once.
std::vector<Step> liveRow(int row) {
    return {{Op::Slide, row}, {Op::Value, row, 1}, {Op::Value, row, -1}, {Op::Program}};
}
std::vector<Step> squelchRow(int row) {
    return {{Op::Slide, row}, {Op::Value, row, 1}, {Op::AutoTune, row}, {Op::Program}};
}
/// The first row's toggle comes first: a locked toggle does nothing, the free one zeroes its set.
std::vector<Step> paBiasRows() {
    return {{Op::Toggle, 1},   {Op::Toggle, 0}, {Op::Value, 0, 1},
            {Op::Value, 0, 2}, {Op::Toggle, 0}, {Op::Program}};
}

const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> all = {
        {"rx-front-end-filter", "portable", liveRow(2)},
        {"rx-rated-volume", "portable", liveRow(0)},
        {"rx-rated-volume-brightline", "brightline", liveRow(0)},
        {"rx-squelch-12k5", "portable", squelchRow(1)},
        {"rx-squelch-20k", "portable", squelchRow(2)},
        {"rx-squelch-25k", "portable", squelchRow(3)},
        {"rx-rssi", "portable", {{Op::Update, 0}, {Op::Update, 1}}},
        {"battery-threshold", "portable", {{Op::Program}}},
        {"pa-bias-high", "mobile", paBiasRows()},
        {"pa-bias-low", "portable", paBiasRows()},
        {"pa-bias-rx-mode", "high-power-mobile-k", paBiasRows()},
        {"tx-dac",
         "lowband-mobile",
         {{Op::Slide, 0}, {Op::Ptt}, {Op::Value, 0, 1}, {Op::Value, 1, 2}, {Op::Ptt}, {Op::Slide, 1}}},
        {"tx-mobile-power",
         "lowband-mobile",
         {{Op::Value, 1},
          {Op::Ptt},
          {Op::Value, 8},
          {Op::Value, 2},
          {Op::Ptt},
          {Op::Reading, 3, 0, "4.0"},
          {Op::Reading, 10, 0, "1.0"},
          {Op::Program}}},
        {"ref-osc-warp", "portable", keyedRow(0)},
        {"pa-voltage-limit", "mobile", {{Op::AutoTune, 0}}},
        {"mod-balance-attn", "portable", keyedRow(3)},
        {"tx-high-power", "portable", keyedRow(2)},
        {"tx-low-power", "portable", keyedRow(4)},
        {"vco-attn-12k5", "portable", keyedRow(0)},
        {"vco-attn-20k", "portable", keyedRow(0)},
        {"vco-attn-25k", "portable", keyedRow(1)},
        {"dtmf-deviation", "portable", keyedRow(0)},
        {"qdt1200-deviation", "portable", keyedRow(0)},
        {"hss-deviation", "portable", keyedRow(0)},
        {"select5-deviation", "portable", keyedRow(0)},
        {"mpt1327-deviation", "portable", keyedRow(0)},
        {"pa-bias-high-default", "portable", paBiasRows()},
        {"pa-bias-low-default", "portable", paBiasRows()},
        {"serial-program", "blank-serial", {{Op::Reading, 0, 0, "VT00000002"}, {Op::Update}}},
        {"bbo-update", "bbo-radio", {{Op::Spacing, 1}, {Op::Reading, 0, 0, "86 Hz"}, {Op::Update}}},
        {"temp-comp-read", "portable", {}},
        {"temp-comp-write", "portable", {{Op::Reading, 0, 0, "00112233"}, {Op::Program}}},
    };
    return all;
}

// The variants of a scenario each test runs; nullopt where one does not apply.
using Variant = std::optional<std::vector<Step>> (*)(const Scenario&);

std::optional<std::vector<Step>> whole(const Scenario& s) {
    return s.steps;
}
/// The steps up to the first key-up; nullopt for procedures that never key.
std::optional<std::vector<Step>> untilKeyed(const Scenario& s) {
    for (size_t i = 0; i < s.steps.size(); ++i)
        if (s.steps[i].op == Op::Ptt)
            return std::vector<Step>(s.steps.begin(), s.steps.begin() + std::ptrdiff_t(i) + 1);
    return std::nullopt;
}
/// Keyed, then the link dies and a value step on the keyed point follows.
std::optional<std::vector<Step>> failureWhileKeyed(const Scenario& s) {
    std::optional<std::vector<Step>> steps = untilKeyed(s);
    if (!steps)
        return std::nullopt;
    const int row = steps->size() > 1 ? (*steps)[steps->size() - 2].row : 0;
    steps->push_back({Op::Fail});
    steps->push_back({Op::Value, row, 1});
    return steps;
}
/// Program with a value above every range in the last row's box, then with that box empty.
std::optional<std::vector<Step>> refusedValues(const Scenario& s) {
    bool boxes = false;
    for (const Step& step : s.steps) boxes = boxes || step.op == Op::Slide || step.op == Op::Toggle;
    for (size_t i = 0; boxes && i < s.steps.size(); ++i) {
        if (s.steps[i].op != Op::Program)
            continue;
        std::vector<Step> steps(s.steps.begin(), s.steps.begin() + std::ptrdiff_t(i));
        steps.insert(steps.end(),
                     {{Op::Typed, -1, 0, "999"}, {Op::Program}, {Op::Typed, -1, 0, ""}, {Op::Program}});
        return steps;
    }
    return std::nullopt;
}
/// Another radio on the cable before the first step that checks the serial number.
std::optional<std::vector<Step>> swapped(const Scenario& s, int answer) {
    for (size_t i = 0; i < s.steps.size(); ++i) {
        const Op op = s.steps[i].op;
        if (op != Op::Slide && op != Op::Value && op != Op::Toggle && op != Op::Update)
            continue;
        std::vector<Step> steps = s.steps;
        steps.insert(steps.begin() + std::ptrdiff_t(i), {Op::Swap, answer});
        return steps;
    }
    return std::nullopt;
}
std::optional<std::vector<Step>> swappedCancelled(const Scenario& s) {
    return swapped(s, 1);
}
std::optional<std::vector<Step>> swappedReread(const Scenario& s) {
    return swapped(s, 0);
}
/// The last action that writes (Program, an auto-tune, an update) loses the link after `answered` requests.
std::optional<std::vector<Step>> failingAction(const Scenario& s, int answered) {
    for (size_t i = s.steps.size(); i-- > 0;) {
        const Op op = s.steps[i].op;
        if (op != Op::Program && op != Op::AutoTune && op != Op::Update)
            continue;
        std::vector<Step> steps(s.steps.begin(), s.steps.begin() + std::ptrdiff_t(i));
        steps.push_back({Op::Fail, answered});
        steps.push_back(s.steps[i]);
        return steps;
    }
    return std::nullopt;
}
std::optional<std::vector<Step>> failureMidAction(const Scenario& s) {
    return failingAction(s, 2);
}
/// Later in the action: a run keyed at its second point, Program past its first points.
std::optional<std::vector<Step>> failureLateInAction(const Scenario& s) {
    return failingAction(s, 7);
}
/// The port taken by another program for the first step, then free again.
std::optional<std::vector<Step>> portBusy(const Scenario& s) {
    if (s.steps.empty())
        return std::nullopt;
    std::vector<Step> steps = s.steps;
    steps.insert(steps.begin() + 1, {Op::Hold, 0});
    steps.insert(steps.begin(), {Op::Hold, 1});
    return steps;
}

// --- One side's run
// -------------------------------------------------------------------------------------------

/// A fresh simulated radio of a profile behind COM1 in virtual time, its record read, bbo.cfg beside.
struct Bench {
    explicit Bench(const char* profile) : radio(SimProfile::named(profile)) {
        line.setPeer(&peer);
        // Data files are looked up in the XDG data folders too: only the bench's own count.
        setenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("xdg-home")).toLocal8Bit().constData(), 1);
        setenv("XDG_DATA_DIRS", dir.filePath(QStringLiteral("xdg-share")).toLocal8Bit().constData(), 1);
        LinkContext c;
        c.programDirectory = dir.path().toStdString();
        c.opener = &opener;
        c.clock = &clock;
        context.emplace(c);
        RF_CommunicationSetup::forgetRememberedPort();
        comIni::write(dir.path().toStdString(), 1);
        QFile::copy(QStringLiteral(VANTREL_SIM_PROFILES "/bbo.cfg"), dir.filePath(QStringLiteral("bbo.cfg")));
        NullProgress progress;
        operations.readRadio(record, progress);
        seen = radio.transcript().filter(SimEventKind::FrameIn).size();
    }

    /// The requests since the last call: opcode and every payload byte, in hex.
    QStringList fresh() {
        QStringList out;
        const std::vector<SimEvent> frames = radio.transcript().filter(SimEventKind::FrameIn);
        for (size_t i = seen; i < frames.size(); ++i) {
            SimFrameAssembler assembler;
            std::optional<SimFrame> f;
            for (uint8_t b : frames[i].bytes) f = assembler.feed(b, 0);
            QString r = f ? QString::asprintf("%02X:", f->opcode) : QStringLiteral("malformed:");
            for (uint8_t b : f ? f->payload : frames[i].bytes) r += QString::asprintf(" %02X", b);
            out << r;
        }
        seen = frames.size();
        return out;
    }
    QStringList told() {
        QStringList out;
        for (const PromptMessage& m : prompt.shown()) out << QString::fromStdString(m.caption + "|" + m.text);
        prompt.clear();
        return out;
    }
    /// The radio answers `answered` more requests, then none.
    /// The record stops being the radio's: the next serial number check finds another radio.
    void hold(bool taken) {
        if (taken)
            held = line.openDevice();
        else
            held.reset();
    }
    void swap(int answer) {
        record.setSerialNo("SWAPPED01");
        if (answer == 1)
            prompt.answer(PromptAnswer::Cancel);
    }
    void goDead(int answered) {
        SimFaultRule rule;
        rule.kind = SimFaultKind::Silence;
        rule.atRequest = radio.requestCount() + 1 + unsigned(answered);
        rule.times = 0;
        radio.addFault(rule);
    }

    QTemporaryDir dir;
    VirtualClock clock;
    VirtualLine line{clock};
    SimRadio radio;
    SimPeer peer{radio};
    VirtualPortOpener opener{line, 1};
    radioStorage record;
    radioOperations operations;
    bboConfigFileModule config;
    ScriptedPrompt prompt;
    int code = 0;
    std::optional<ScopedLinkContext> context;
    std::unique_ptr<SerialDevice> held;
    size_t seen = 0;
};

/// What one side left behind: per step (opening first, closing last) the requests and the texts shown, and
/// the record after.
struct Run {
    QList<QStringList> requests;
    QList<QStringList> messages;
    QStringList status;  ///< the status text after each step (a window without a status box: null)
    std::vector<std::int32_t> record;
    std::string serial;
    QString error;  ///< the side could not run a step at all

    void took(Bench& bench, const QString& shown) {
        requests << bench.fresh();
        messages << bench.told();
        status << shown;
    }
    void keep(const radioStorage& r) {
        for (int i = 0; i < record::kRows; ++i)
            for (int j = 0; j < record::kColumns; ++j) record.push_back(r.getValue(i, j));
        serial = r.serialNoBytes();
    }
};

const catalogueEntry& entryOf(const Scenario& s) {
    const catalogueEntry* e = catalogueNamed(s.name);
    if (!e)
        qFatal("no catalogue entry %s", s.name);
    return *e;
}

/// The session's run; a Value step's resolved value goes into `values` for the window's run.
Run runSession(const Scenario& s, const std::vector<Step>& steps, std::vector<int>& values) {
    Bench bench(s.profile);
    Run run;
    sessionEnvironment e;
    e.record = &bench.record;
    e.openConnection = [] { return std::make_unique<cominit>(); };
    e.prompt = &bench.prompt;
    e.reread = [&bench] {
        NullProgress progress;
        bench.operations.readRadioCommand(bench.record, progress);
    };
    e.bboConfig = &bench.config;
    e.programDirectory = bench.dir.path().toStdString();
    std::string why;
    std::unique_ptr<tuningSession> session = tuningSession::create(s.name, e, nullptr, &why);
    if (!session) {
        run.error = QString::fromStdString(why);
        return run;
    }
    const auto status = [&] { return QString::fromStdString(session->state().status); };
    // A procedure that did not open takes no more steps: a script's open fails and is tidied at once.
    const bool opened = session->open().done();
    run.took(bench, status());
    values.assign(steps.size(), 0);
    std::optional<std::vector<std::optional<int>>> typed;  // the boxes Program reads, once one was typed into
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        if (!opened) {
            run.took(bench, status());
            continue;
        }
        actionRequest request;
        request.row = step.row;
        request.text = step.text;
        switch (step.op) {
            case Op::Slide:
                session->step(step.row, session->workingValue(step.row), stepKind::Step);
                break;
            case Op::Value: {
                const sessionRowState row = session->state().rows.at(size_t(step.row));
                int value = session->workingValue(step.row) + step.delta;
                if (value > row.maximum || value < row.minimum)
                    value = session->workingValue(step.row) - step.delta;
                values[i] = value;
                session->step(step.row, value, stepKind::Value);
                break;
            }
            case Op::Ptt:
                session->togglePtt();
                break;
            case Op::Toggle:
                session->act(sessionAction::Toggle, request);
                break;
            case Op::AutoTune:
                session->act(sessionAction::AutoTune, request);
                break;
            case Op::Update:
                session->act(sessionAction::Update, request);
                break;
            case Op::Reading:
                session->act(sessionAction::Reading, request);
                break;
            case Op::Spacing:
                request.value = step.row;
                session->act(sessionAction::Spacing, request);
                break;
            case Op::Typed: {
                const int rows = int(session->state().rows.size());
                if (!typed) {
                    typed.emplace();
                    for (int r = 0; r < rows; ++r) typed->push_back(session->workingValue(r));
                }
                values[i] = step.row < 0 ? rows + step.row : step.row;
                (*typed)[size_t(values[i])] =
                    *step.text ? std::optional<int>(std::atoi(step.text)) : std::nullopt;
                break;
            }
            case Op::Program:
                if (typed)
                    session->program(*typed);
                else
                    session->program();
                break;
            case Op::Fail:
                bench.goDead(step.row);
                break;
            case Op::Swap:
                bench.swap(step.row);
                break;
            case Op::Hold:
                bench.hold(step.row != 0);
                break;
        }
        run.took(bench, status());
    }
    session->close();
    run.took(bench, status());
    session.reset();
    run.keep(bench.record);
    return run;
}

/// Runs a step through the window's public actions; false when the window has no such action.
bool viewStep(QWidget* w, const Step& step, int value, Bench& bench) {
    auto* points = dynamic_cast<TTuningScreen*>(w);
    auto* km = dynamic_cast<TMobilePowerTuneHI*>(w);
    const QString text = QString::fromLatin1(step.text);
    switch (step.op) {
        case Op::Slide:
            if (!points)
                return false;
            points->sliderAction(step.row, QAbstractSlider::SliderNoAction);
            return true;
        case Op::Value:
            if (km) {
                km->focusAction(step.row + 1);
                return true;
            }
            if (!points)
                return false;
            points->workingBox(step.row)->setText(QString::number(value));
            points->valueAction(step.row);
            return true;
        case Op::Ptt:
            if (QPushButton* ptt = points ? points->pttButton() : km ? km->pttButton() : nullptr) {
                ptt->click();
                return true;
            }
            return false;
        case Op::Toggle:
            // The toggle as clicked: a locked one takes no click.
            if (auto* bias = dynamic_cast<TPABiasWindow*>(w)) {
                bias->toggle(step.row)->click();
                return true;
            }
            return false;
        case Op::AutoTune:
            if (auto* limit = dynamic_cast<TPAVoltageLimitWindow*>(w)) {
                limit->autoTune();
                return true;
            }
            if (!points || !points->rowButton(step.row))
                return false;
            points->rowButton(step.row)->click();
            return true;
        case Op::Update:
            if (auto* rssi = dynamic_cast<TRSSIWindow*>(w))
                rssi->update(step.row + 1);
            else if (auto* serial = dynamic_cast<TSerialProgramWindow*>(w))
                serial->update();
            else if (auto* bbo = dynamic_cast<TBasebandUpdateWindow*>(w))
                bbo->update();
            else
                return false;
            return true;
        case Op::Reading:
            if (km)
                km->powerBox(step.row + 1)->setText(text);
            else if (auto* serial = dynamic_cast<TSerialProgramWindow*>(w))
                serial->entry()->setText(text);
            else if (auto* temp = dynamic_cast<TTempCompWindow*>(w))
                temp->entry()->setText(text);
            else if (auto* bbo = dynamic_cast<TBasebandUpdateWindow*>(w))
                bbo->choose(step.row, text);
            else
                return false;
            return true;
        case Op::Spacing:
            if (auto* bbo = dynamic_cast<TBasebandUpdateWindow*>(w)) {
                bbo->showSpacing(step.row);
                return true;
            }
            return false;
        case Op::Typed:
            if (!points)
                return false;
            points->workingBox(value)->setText(text);
            return true;
        case Op::Program:
            if (points && points->programButton())
                points->program();
            else if (km)
                km->program();
            else if (auto* battery = dynamic_cast<TBatteryVoltageWindow*>(w))
                battery->program();
            else if (auto* temp = dynamic_cast<TTempCompWindow*>(w))
                temp->program();
            else
                return false;
            return true;
        case Op::Fail:
            bench.goDead(step.row);
            return true;
        case Op::Swap:
            bench.swap(step.row);
            return true;
        case Op::Hold:
            bench.hold(step.row != 0);
            return true;
    }
    return false;
}

/// The window's run, made by the application's factory as the shell makes it.
Run runView(const Scenario& s, const std::vector<Step>& steps, const std::vector<int>& values) {
    Bench bench(s.profile);
    Run run;
    const catalogueEntry& entry = entryOf(s);
    const ProcedureEntry* view = findProcedure(entry.commandId);
    if (!view || !view->create) {
        run.error = QStringLiteral("no window for the command");
        return run;
    }
    screenEnvironment e;
    e.record = &bench.record;
    e.operations = &bench.operations;
    e.openScreenCode = &bench.code;
    e.prompt = &bench.prompt;
    e.readRadio = [&bench] {
        NullProgress progress;
        bench.operations.readRadioCommand(bench.record, progress);
    };
    e.identity = identityFor(entry.commandId, bench.record);
    e.identity.defaultVariant = entry.kind == catalogueKind::Variant;
    e.programDirectory = bench.dir.path();
    e.bboConfig = &bench.config;
    std::unique_ptr<QWidget> window;
    window.reset(view->create(e));
    // A window that refused to open is closed by the shell at once: it takes no steps and shows nothing.
    const bool opened = window && bench.code != 0;
    const auto status = [&]() -> QString {
        QLineEdit* box = nullptr;
        if (!opened)
            return QString();
        if (auto* points = dynamic_cast<TTuningScreen*>(window.get()))
            box = points->statusBox();
        else if (auto* km = dynamic_cast<TMobilePowerTuneHI*>(window.get()))
            box = km->statusBox();
        else if (auto* limit = dynamic_cast<TPAVoltageLimitWindow*>(window.get()))
            box = limit->statusBox();
        return box ? box->text() : QString();
    };
    QCoreApplication::sendPostedEvents();
    run.took(bench, status());
    for (size_t i = 0; i < steps.size(); ++i) {
        if (opened && !viewStep(window.get(), steps[i], values[i], bench))
            run.error = QStringLiteral("step %1: the window has no such action").arg(i + 1);
        QCoreApplication::sendPostedEvents();
        run.took(bench, status());
    }
    if (window)
        window->close();
    QCoreApplication::sendPostedEvents();
    const QString closed = status();
    window.reset();
    run.took(bench, closed);
    run.keep(bench.record);
    return run;
}

QString label(const std::vector<Step>& steps, qsizetype i) {
    static const char* const names[] = {"slide",     "value",   "ptt",      "toggle", "auto-tune",
                                        "update",    "reading", "spacing",  "typed",  "program",
                                        "link dies", "swap",    "port held"};
    static_assert(std::size(names) == size_t(Op::Hold) + 1);
    if (i == 0)
        return QStringLiteral("open");
    if (size_t(i) > steps.size())
        return QStringLiteral("close");
    const Step& s = steps[size_t(i - 1)];
    return QStringLiteral("%1 %2 row %3").arg(i).arg(QLatin1String(names[int(s.op)])).arg(s.row);
}

/// The first difference per step, in requests and in texts, and in the record after; empty when none.
QString differences(const std::vector<Step>& steps, const Run& view, const Run& session) {
    QStringList out;
    if (!view.error.isEmpty() || !session.error.isEmpty())
        return QStringLiteral("window: %1; session: %2").arg(view.error, session.error);
    for (qsizetype i = 0; i < std::max(view.requests.size(), session.requests.size()); ++i) {
        const QStringList v = view.requests.value(i);
        const QStringList t = session.requests.value(i);
        for (qsizetype k = 0; k < std::max(v.size(), t.size()); ++k) {
            if (v.value(k) != t.value(k)) {
                out << QStringLiteral("step %1: request %2: window [%3] session [%4] (window %5, session %6)")
                           .arg(label(steps, i))
                           .arg(k + 1)
                           .arg(v.value(k, QStringLiteral("none")), t.value(k, QStringLiteral("none")),
                                v.join(QLatin1Char(',')), t.join(QLatin1Char(',')));
                break;
            }
        }
        // Only a window with a status box has a status to compare.
        if (!view.status.value(i).isNull() && view.status.value(i) != session.status.value(i))
            out << QStringLiteral("step %1: status: window [%2] session [%3]")
                       .arg(label(steps, i), view.status.value(i), session.status.value(i));
        if (view.messages.value(i) != session.messages.value(i))
            out << QStringLiteral("step %1: texts: window [%2] session [%3]")
                       .arg(label(steps, i), view.messages.value(i).join(QLatin1String(" / ")),
                            session.messages.value(i).join(QLatin1String(" / ")));
    }
    for (size_t k = 0; k < std::min(view.record.size(), session.record.size()); ++k) {
        if (view.record[k] != session.record[k]) {
            out << QStringLiteral("record row %1 column %2: window %3 session %4")
                       .arg(k / record::kColumns)
                       .arg(k % record::kColumns)
                       .arg(view.record[k])
                       .arg(session.record[k]);
        }
    }
    if (view.serial != session.serial)
        out << QStringLiteral("record serial number differs");
    return out.join(QLatin1Char('\n'));
}

class ParityTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        // The table covers the whole catalogue.
        for (const catalogueEntry& e : catalogue()) {
            bool listed = false;
            for (const Scenario& s : scenarios()) listed = listed || std::string(s.name) == e.name;
            QVERIFY2(listed, e.name);
        }
    }

    /// The whole scenario: the same requests at every step, the same texts, the same record.
    void steps_data() { rows(&whole); }
    void steps() { compare(&whole); }
    /// Closed while keyed: the same dekey and reset.
    void keyedClose_data() { rows(&untilKeyed); }
    void keyedClose() { compare(&untilKeyed); }
    /// A link that dies while keyed: the same attempts, the same still-keyed warning.
    void failureWhileKeyed_data() { rows(&vantrel::test::failureWhileKeyed); }
    void failureWhileKeyed() {
        const Run view = compare(&vantrel::test::failureWhileKeyed);
        bool warned = false;
        for (const QStringList& texts : view.messages)
            warned = warned || texts.contains(QLatin1String(message::WarningCaption) + QLatin1Char('|') +
                                              QLatin1String(message::StillKeyed));
        QVERIFY2(warned, "the window never warned that the radio may still be keyed");
    }
    /// A link that dies in the middle of Program, an auto-tune or an update.
    void failureMidAction_data() { rows(&vantrel::test::failureMidAction); }
    void failureMidAction() { compare(&vantrel::test::failureMidAction); }
    /// The same, later in the action.
    void failureLateInAction_data() { rows(&vantrel::test::failureLateInAction); }
    void failureLateInAction() { compare(&vantrel::test::failureLateInAction); }
    /// The port busy for the first step: the same port message, nothing sent, the next step as usual.
    void portBusy_data() { rows(&vantrel::test::portBusy); }
    void portBusy() { compare(&vantrel::test::portBusy); }
    /// Program refusing a value out of range, then an empty box: the same points written before the stop.
    void refusedValues_data() { rows(&vantrel::test::refusedValues); }
    void refusedValues() { compare(&vantrel::test::refusedValues); }
    /// Another radio on the cable, the mismatch question cancelled: nothing more reaches that radio.
    void swappedCancelled_data() { rows(&vantrel::test::swappedCancelled); }
    void swappedCancelled() { compare(&vantrel::test::swappedCancelled); }
    /// Another radio on the cable, read in on OK.
    void swappedReread_data() { rows(&vantrel::test::swappedReread); }
    void swappedReread() { compare(&vantrel::test::swappedReread); }
    /// The whole scenario on every other simulated radio the procedure is available on (unused points,
    /// other models and procedure sets).
    void otherRadios_data() {
        QTest::addColumn<int>("index");
        for (const char* profile : {"portable", "mobile", "single-point", "no-rx-points", "high-power-mobile",
                                    "high-power-mobile-n", "lowband-mobile", "procedure-3", "brightline"}) {
            Bench probe(profile);
            for (size_t i = 0; i < scenarios().size(); ++i) {
                const Scenario& s = scenarios()[i];
                if (std::string_view(profile) != s.profile && availableOnRadio(entryOf(s), probe.record))
                    QTest::addRow("%s@%s", s.name, profile) << int(i);
            }
        }
    }
    void otherRadios() { compare(&whole); }

  private:
    static void rows(Variant variant) {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < scenarios().size(); ++i)
            if (variant(scenarios()[i]))
                QTest::newRow(scenarios()[i].name) << int(i);
    }
    /// Runs the variant on both sides and compares them; answers the window's run.
    static Run compare(Variant variant) {
        QFETCH(int, index);
        Scenario s = scenarios()[size_t(index)];
        // A tag "name@profile" runs the scenario on that radio.
        const QByteArray tag = QTest::currentDataTag();
        if (const qsizetype at = tag.indexOf('@'); at >= 0)
            s.profile = tag.constData() + at + 1;
        Run view;
        check(s, *variant(s), view);
        return view;
    }
    static void check(const Scenario& s, const std::vector<Step>& steps, Run& view) {
        {
            Bench probe(s.profile);
            QVERIFY2(availableOnRadio(entryOf(s), probe.record), s.profile);
        }
        std::vector<int> values;
        const Run session = runSession(s, steps, values);
        view = runView(s, steps, values);
        const QString diff = differences(steps, view, session);
        if (qEnvironmentVariableIsSet("PARITY_DUMP"))
            for (qsizetype i = 0; i < session.requests.size(); ++i)
                qInfo("%s | session %s | window %s | %s", qPrintable(label(steps, i)),
                      qPrintable(session.requests[i].join(QLatin1Char(','))),
                      qPrintable(view.requests.value(i).join(QLatin1Char(','))),
                      qPrintable(session.messages[i].join(QLatin1Char('/'))));
        if (!diff.isEmpty())
            qInfo("%s differs:\n%s", s.name, qPrintable(diff));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
};

}  // namespace
}  // namespace vantrel::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vantrel::test::ParityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ParityTest.moc"

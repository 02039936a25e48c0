// The "Align Radio" window.
#include "app/TAlignWindow.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "instruments/InstrumentError.h"
#include "operations/UserPrompt.h"
#include "operations/procedureCatalogue.h"
#include "operations/sharedMessages.h"
#include "operations/tuningSession.h"
#include "screens/TValuePlot.h"

namespace vantrel {

namespace {

enum PlanColumn { ColProcedure, ColMode, ColInstruments, ColNote, ColStatus, PlanColumns };
enum ResultColumn { RProcedure, RPoint, RBefore, RAfter, RMeasured, RTarget, RWithin, ResultColumns };

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString number(std::optional<double> v, const std::string& unit) {
    if (!v)
        return QStringLiteral("-");
    const int decimals = unit == "W" || unit == "V" ? 3 : unit == "A" ? 4 : 1;
    return QString::number(*v, 'f', decimals) + (unit.empty() ? QString() : QLatin1Char(' ') + qs(unit));
}

QString endText(const procedureResult& r) {
    switch (r.end) {
        case procedureEnd::Aligned:
            return r.programmed ? QStringLiteral("aligned, programmed") : QStringLiteral("aligned");
        case procedureEnd::NotConverged:
            return QStringLiteral("not converged");
        case procedureEnd::InstrumentFailed:
            return QStringLiteral("instrument failed");
        case procedureEnd::RadioFailed:
            return QStringLiteral("radio failed");
        case procedureEnd::Stopped:
            return QStringLiteral("stopped");
        case procedureEnd::Skipped:
            return QStringLiteral("skipped");
    }
    return {};
}

openedBench openConfiguredBench(const BenchConfig& config, const std::vector<std::string>& dialectPath) {
    InstrumentContext context;
    context.dialectPath = dialectPath;
    openedBench b;
    auto role = [&](Role r) -> const RoleConfig* {
        const auto it = config.roles.find(r);
        return it == config.roles.end() ? nullptr : &it->second;
    };
    if (const RoleConfig* c = role(Role::PowerMeter))
        b.meter = openPowerMeter(*c, context);
    if (const RoleConfig* c = role(Role::FrequencyCounter))
        b.counter = openFrequencyCounter(*c, context);
    if (const RoleConfig* c = role(Role::ModulationAnalyser))
        b.analyser = openModulationAnalyser(*c, context);
    if (const RoleConfig* c = role(Role::SignalGenerator))
        b.generator = openSignalGenerator(*c, context);
    if (const RoleConfig* c = role(Role::PowerSupply))
        b.supply = openPowerSupply(*c, context);
    return b;
}

}  // namespace

BenchConfig loadAlignBench(const QString& settingsDirectory) {
    BenchConfig bench = BenchConfig::load(settingsDirectory.toStdString());
    bench.applyEnvironment();
    return bench;
}

TAlignWindow::TAlignWindow(alignWindowServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_runner(std::make_unique<AlignRunner>()) {
    setWindowTitle(QString::fromLatin1(kTitle));
    setObjectName(QStringLiteral("TAlignWindow"));

    m_header = new QLabel(this);
    m_header->setWordWrap(true);
    m_checklist = new QTreeWidget(this);
    m_checklist->setColumnCount(PlanColumns);
    m_checklist->setHeaderLabels({tr("Procedure"), tr("Mode"), tr("Instruments"), tr("Note"), tr("Status")});
    m_checklist->setRootIsDecorated(false);
    m_checklist->setSelectionMode(QAbstractItemView::SingleSelection);
    m_checklist->header()->setStretchLastSection(true);

    m_start = new QPushButton(tr("&Start"), this);
    m_pause = new QPushButton(tr("&Pause"), this);
    m_pause->setCheckable(true);
    m_skip = new QPushButton(tr("S&kip"), this);
    m_abort = new QPushButton(tr("&Abort"), this);
    m_screen = new QPushButton(tr("Open S&creen"), this);
    m_report = new QPushButton(tr("&Report..."), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_start, m_pause, m_skip, m_abort, m_screen, m_report}) buttons->addWidget(b);
    buttons->addStretch(1);

    m_live = new QLabel(tr("Not running"), this);
    m_live->setFrameShape(QFrame::StyledPanel);
    m_plot = new TValuePlot(this);
    m_results_ = new QTableWidget(0, ResultColumns, this);
    m_results_->setHorizontalHeaderLabels({tr("Procedure"), tr("Point"), tr("Before"), tr("After"),
                                           tr("Measured"), tr("Target"), tr("Within tolerance")});
    m_results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_results_->verticalHeader()->hide();
    m_results_->horizontalHeader()->setStretchLastSection(true);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* lower = new QHBoxLayout;
    lower->addWidget(m_results_, 1);
    lower->addWidget(m_plot);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    layout->addWidget(m_checklist, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_live);
    layout->addLayout(lower, 1);
    layout->addWidget(m_status);
    resize(980, 720);

    connect(m_start, &QPushButton::clicked, this, [this] { start(); });
    connect(m_pause, &QPushButton::toggled, this, [this](bool on) { setPaused(on); });
    connect(m_skip, &QPushButton::clicked, this, [this] { skip(); });
    connect(m_abort, &QPushButton::clicked, this, [this] { abort(); });
    connect(m_screen, &QPushButton::clicked, this, [this] { openScreen(); });
    connect(m_report, &QPushButton::clicked, this, [this] { showReport(); });
    connect(m_checklist, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });

    AlignRunner::Listener listener;
    listener.started = [this](int i) { procedureStarted(i); };
    listener.step = [this](int i, const std::string& label, int value, std::optional<double> reading) {
        stepTaken(i, label, value, reading);
    };
    listener.finished = [this](int i, const procedureResult& r) { procedureFinished(i, r); };
    listener.note = [this](const std::string& text) { m_live->setText(qs(text)); };
    listener.manualAsked = [this](const manualRequest& r) { askManual(r); };
    listener.ended = [this](const alignRunEnd& end) { runEnded(end); };
    m_runner->setListener(std::move(listener));

    buildPlan();
    fillChecklist();
    updateButtons();
}

TAlignWindow::~TAlignWindow() {
    if (m_frameWatched)
        m_frameWatched->removeEventFilter(this);
    // A window destroyed while running (the program going down) still waits for the dekey and reset.
    m_runner.reset();
    if (m_state == State::Running || m_state == State::Stopping) {
        if (m_services.openScreenCode && *m_services.openScreenCode == screenCode::AlignRadio)
            *m_services.openScreenCode = screenCode::None;
    }
}

void TAlignWindow::buildPlan() {
    alignmentBench present;
    QStringList roles;
    try {
        const BenchConfig bench = loadAlignBench(m_services.settingsDirectory);
        auto has = [&](Role r) {
            const bool on = bench.roles.count(r) != 0;
            if (on)
                roles << QString::fromStdString(roleTitle(r));
            return on;
        };
        present =
            configuredRoles(has(Role::PowerMeter), has(Role::FrequencyCounter), has(Role::ModulationAnalyser),
                            has(Role::SignalGenerator), has(Role::PowerSupply));
    } catch (const std::exception& e) {
        roles << tr("bench.conf cannot be used: %1").arg(qs(e.what()));
    }
    if (alignBenchOverride()) {
        // A test's bench: the roles it has (trivial to open, unlike real instruments).
        const alignmentBench b = alignBenchOverride()().alignment();
        present = configuredRoles(b.meter != nullptr, b.counter != nullptr, b.analyser != nullptr,
                                  b.generator != nullptr, b.supply != nullptr);
        roles = QStringList{tr("test bench")};
    }
    if (!m_services.targetsFile.empty()) {
        try {
            m_targets = alignmentTargets::load(m_services.targetsFile);
        } catch (const std::exception& e) {
            m_targetsError = qs(e.what());
        }
    }
    planOptions options;
    options.interactive = true;
    m_plan = makeAlignmentPlan(*m_services.record, present, m_targets, options);
    m_benchSummary = roles.isEmpty() ? tr("no instrument configured") : roles.join(QStringLiteral(", "));
    std::string model = m_services.record->modelNoBytes();
    while (!model.empty() && (model.back() == ' ' || model.back() == '\0')) model.pop_back();
    QString header = tr("Radio %1, serial %2 (%3). Bench: %4. Targets: %5.")
                         .arg(qs(model), qs(m_services.record->serialNoBytes()).trimmed(), qs(m_plan.group),
                              m_benchSummary, qs(m_targets.source()));
    if (!m_targetsError.isEmpty())
        header +=
            tr(" The targets file cannot be used (%1): the built-in targets apply.").arg(m_targetsError);
    m_header->setText(header);
}

void TAlignWindow::fillChecklist() {
    m_checklist->clear();
    for (const planStep& step : m_plan.steps) {
        auto* item = new QTreeWidgetItem(m_checklist);
        item->setText(ColProcedure, qs(step.title));
        item->setText(ColMode, QString::fromLatin1(planModeName(step.mode)));
        item->setText(ColInstruments, qs(step.instruments));
        item->setText(ColNote, qs(step.note));
        item->setToolTip(ColNote, qs(step.note));
        const bool runnable = step.mode == planMode::Automatic ||
                              (step.mode == planMode::Manual && step.kind != alignmentKind::ManualOnly);
        Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
        if (runnable)
            flags |= Qt::ItemIsUserCheckable;
        item->setFlags(flags);
        // Automatic steps are ticked; manual ones wait for the technician to choose them.
        item->setCheckState(ColProcedure, step.mode == planMode::Automatic ? Qt::Checked : Qt::Unchecked);
        item->setText(ColStatus, runnable ? tr("pending") : tr("not run"));
    }
    for (int c = 0; c < ColNote; ++c) m_checklist->resizeColumnToContents(c);
    m_checklist->setColumnWidth(ColNote, 300);
}

void TAlignWindow::setChecked(int index, bool on) {
    if (QTreeWidgetItem* item = m_checklist->topLevelItem(index);
        item && (item->flags() & Qt::ItemIsUserCheckable))
        item->setCheckState(ColProcedure, on ? Qt::Checked : Qt::Unchecked);
}

bool TAlignWindow::isChecked(int index) const {
    const QTreeWidgetItem* item = m_checklist->topLevelItem(index);
    return item && (item->flags() & Qt::ItemIsUserCheckable) && item->checkState(ColProcedure) == Qt::Checked;
}

void TAlignWindow::select(int index) {
    m_checklist->setCurrentItem(m_checklist->topLevelItem(index));
}

void TAlignWindow::updateButtons() {
    const bool running = m_state == State::Running;
    m_start->setEnabled(m_state == State::Ready);
    m_pause->setEnabled(running);
    m_skip->setEnabled(running);
    m_abort->setEnabled(running);
    m_report->setEnabled(m_state == State::Done && m_before != nullptr);
    const int index = m_checklist->indexOfTopLevelItem(m_checklist->currentItem());
    const catalogueEntry* entry =
        index >= 0 ? catalogueNamed(m_plan.steps[size_t(index)].procedure) : nullptr;
    m_screen->setEnabled(!running && m_state != State::Stopping && entry && m_services.openProcedure);
    for (int i = 0; i < m_checklist->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_checklist->topLevelItem(i);
        // The choice is made before Start; a run's list stays as it was started.
        if (item->flags() & Qt::ItemIsUserCheckable)
            item->setDisabled(m_state != State::Ready);
    }
}

void TAlignWindow::setStepStatus(int index, const QString& text) {
    if (QTreeWidgetItem* item = m_checklist->topLevelItem(index))
        item->setText(ColStatus, text);
}

QString TAlignWindow::archivePath(const char* which) const {
    QString serial;
    for (QChar c : qs(m_services.record->serialNoBytes()))
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            serial += c;
    if (serial.isEmpty())
        serial = QStringLiteral("radio");
    return QDir(m_services.archiveFolder)
        .filePath(serial + QLatin1Char('-') + m_stamp + QLatin1Char('-') + QLatin1String(which) +
                  QStringLiteral(".sfp"));
}

bool TAlignWindow::start() {
    if (m_state != State::Ready)
        return false;
    UserPrompt& prompt = *m_services.prompt;
    if (*m_services.openScreenCode != screenCode::None) {
        prompt.show("Current window still open! Please close first!", " NOTE", PromptIcon::Information);
        return false;
    }
    std::vector<int> steps;
    for (int i = 0; i < int(m_plan.steps.size()); ++i)
        if (isChecked(i))
            steps.push_back(i);
    if (steps.empty()) {
        prompt.show("No procedure is ticked to run.", "NOTE", PromptIcon::Information);
        return false;
    }
    // The radio's values as read, kept before anything changes: the report's Before column and an archive.
    auto before = std::make_shared<radioStorage>();
    before->copyFrom(*m_services.record);
    m_before = std::move(before);
    m_stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmssZ"));
    m_beforePath = archivePath("before");
    if (m_services.saveArchive && !m_services.saveArchive(m_beforePath, *m_before)) {
        m_beforePath.clear();
        m_before.reset();
        return false;
    }
    // The run works on a copy that only its thread touches; the shell's record takes it back at the end.
    m_work.copyFrom(*m_services.record);
    AlignRunner::Setup setup;
    setup.plan = m_plan;
    setup.steps = steps;
    setup.record = &m_work;
    setup.openConnection = configuredPortOpener();
    setup.programDirectory = m_services.programDirectory;
    setup.targets = m_targets;
    if (alignBenchOverride()) {
        setup.openBench = alignBenchOverride();
    } else {
        const QString settings = m_services.settingsDirectory;
        const std::vector<std::string> dialects = m_services.dialectPath;
        setup.openBench = [settings, dialects] {
            return openConfiguredBench(loadAlignBench(settings), dialects);
        };
    }
    watchFrame();
    *m_services.openScreenCode = screenCode::AlignRadio;
    m_state = State::Running;
    m_results.clear();
    m_results_->setRowCount(0);
    for (int i = 0; i < int(m_plan.steps.size()); ++i) {
        if (isChecked(i))
            setStepStatus(i, tr("waiting"));
        else if (m_checklist->topLevelItem(i)->flags() & Qt::ItemIsUserCheckable)
            setStepStatus(i, tr("not chosen"));
    }
    m_status->setText(tr("Archive before the alignment: %1").arg(QDir::toNativeSeparators(m_beforePath)));
    m_runner->start(std::move(setup));
    updateButtons();
    if (m_services.stateChanged)
        m_services.stateChanged();
    return true;
}

void TAlignWindow::setPaused(bool paused) {
    if (m_state != State::Running)
        return;
    m_runner->setPaused(paused);
    if (m_pause->isChecked() != paused)
        m_pause->setChecked(paused);
    m_pause->setText(paused ? tr("&Resume") : tr("&Pause"));
    if (paused)
        m_live->setText(tr("Paused: the alignment holds after the procedure in progress"));
}

void TAlignWindow::skip() {
    if (m_state != State::Running)
        return;
    const int selected = m_checklist->indexOfTopLevelItem(m_checklist->currentItem());
    auto waiting = [this](int i) {
        return isChecked(i) && m_checklist->topLevelItem(i)->text(ColStatus) == tr("waiting");
    };
    // The selected step when it has not begun, else the first that has not (the run may have begun one
    // whose start has not reached the list yet: the runner refuses it).
    std::vector<int> candidates;
    if (selected >= 0 && waiting(selected))
        candidates.push_back(selected);
    for (int i = 0; i < int(m_plan.steps.size()); ++i)
        if (waiting(i))
            candidates.push_back(i);
    for (int i : candidates) {
        if (m_runner->skip(i)) {
            setStepStatus(i, tr("to be skipped"));
            return;
        }
    }
}

void TAlignWindow::abort() {
    if (m_state != State::Running)
        return;
    m_state = State::Stopping;
    m_runner->abort();
    answerManual(std::nullopt);
    m_live->setText(tr("Aborting: the radio is dekeyed and reset after the exchange in progress"));
    updateButtons();
}

void TAlignWindow::procedureStarted(int index) {
    setStepStatus(index, tr("running"));
    select(index);
    m_plotIndex = index;
    m_plotLabels.clear();
    m_plot->setData(valuePlotData{});
    m_live->setText(tr("%1: started").arg(qs(m_plan.steps[size_t(index)].title)));
}

int TAlignWindow::plotSlot(const std::string& label) {
    // Frequency points plot at their own place; other rows (bias softpots) in the order they come.
    if (label.size() >= 2 && label[0] == 'F' && label[1] >= '1' && label[1] <= '7')
        return label[1] - '1';
    for (size_t i = 0; i < m_plotLabels.size(); ++i)
        if (m_plotLabels[i] == label)
            return int(i);
    if (m_plotLabels.size() >= size_t(valuePlotData::kPoints))
        return -1;
    m_plotLabels.push_back(label);
    return int(m_plotLabels.size()) - 1;
}

void TAlignWindow::stepTaken(int index, const std::string& label, int value, std::optional<double> reading) {
    const planStep& step = m_plan.steps[size_t(index)];
    m_live->setText(tr("%1, %2: value %3, reading %4")
                        .arg(qs(step.title), qs(label))
                        .arg(value)
                        .arg(reading ? QString::number(*reading, 'g', 6) : tr("none")));
    if (const int slot = plotSlot(label); slot >= 0) {
        valuePlotData data = m_plot->data();
        data.working[size_t(slot)] = value;
        data.maximum = std::max({data.maximum, value, 127});
        data.minimum = std::min(data.minimum, value);
        m_plot->setData(data);
    }
}

void TAlignWindow::procedureFinished(int index, const procedureResult& result) {
    m_results.push_back(result);
    setStepStatus(index, endText(result));
    if (QTreeWidgetItem* item = m_checklist->topLevelItem(index))
        item->setToolTip(ColStatus, qs(result.text));
    valuePlotData data = m_plotIndex == index ? m_plot->data() : valuePlotData{};
    for (const alignmentRow& r : result.rows) {
        const int row = m_results_->rowCount();
        m_results_->insertRow(row);
        const QStringList cells{qs(result.title),
                                qs(r.label),
                                r.before ? QString::number(*r.before) : QStringLiteral("-"),
                                r.after ? QString::number(*r.after) : QStringLiteral("-"),
                                number(r.measured, r.unit),
                                number(r.target, r.unit),
                                r.withinTolerance ? tr("yes") : tr("NO")};
        for (int c = 0; c < ResultColumns; ++c) m_results_->setItem(row, c, new QTableWidgetItem(cells[c]));
        if (m_plotIndex == index) {
            if (const int slot = plotSlot(r.label); slot >= 0) {
                data.defaults[size_t(slot)] = r.before;
                data.working[size_t(slot)] = r.after;
                for (std::optional<int> v : {r.before, r.after})
                    if (v)
                        data.maximum = std::max(data.maximum, *v);
            }
        }
    }
    if (m_plotIndex == index)
        m_plot->setData(data);
    m_results_->scrollToBottom();
    m_live->setText(tr("%1: %2%3")
                        .arg(qs(result.title), endText(result),
                             result.text.empty() ? QString() : QStringLiteral(" - ") + qs(result.text)));
    if (m_pause->isChecked())
        m_live->setText(tr("Paused after %1: Resume goes on with the next procedure").arg(qs(result.title)));
}

void TAlignWindow::askManual(const manualRequest& request) {
    if (m_state != State::Running) {
        m_runner->answerManual(std::nullopt);
        return;
    }
    delete m_manual;
    m_manual = new QDialog(this);
    m_manual->setWindowTitle(tr("Manual step"));
    auto* layout = new QVBoxLayout(m_manual);
    // The step's title and what to connect, then the reading this row needs.
    QString title = qs(request.procedure), note;
    for (const planStep& step : m_plan.steps) {
        if (step.procedure == request.procedure) {
            title = qs(step.title);
            note = qs(step.note);
        }
    }
    QString text = title + QStringLiteral(", ") + qs(request.label) + QStringLiteral(":\n");
    if (!note.isEmpty())
        text += note + QLatin1Char('\n');
    text += request.unit.empty() ? tr("%1, then press OK.").arg(qs(request.what))
                                 : tr("Type %1 in %2.").arg(qs(request.what), qs(request.unit));
    auto* label = new QLabel(text, m_manual);
    label->setWordWrap(true);
    layout->addWidget(label);
    m_manualEdit = nullptr;
    if (!request.unit.empty()) {
        m_manualEdit = new QLineEdit(m_manual);
        layout->addWidget(m_manualEdit);
    }
    auto* box = new QDialogButtonBox(m_manual);
    QPushButton* ok = box->addButton(QDialogButtonBox::Ok);
    QPushButton* skipStep = box->addButton(tr("Skip"), QDialogButtonBox::RejectRole);
    layout->addWidget(box);
    const bool needsNumber = !request.unit.empty();
    connect(ok, &QPushButton::clicked, m_manual, [this, needsNumber] {
        if (!needsNumber) {
            answerManual(0.0);
            return;
        }
        bool good = false;
        const double v = m_manualEdit->text().trimmed().toDouble(&good);
        if (good && std::isfinite(v))
            answerManual(v);
        else
            m_manualEdit->selectAll();
    });
    connect(skipStep, &QPushButton::clicked, m_manual, [this] { answerManual(std::nullopt); });
    connect(m_manual, &QDialog::rejected, this, [this] {
        if (m_manual)
            answerManual(std::nullopt);
    });
    m_live->setText(tr("Waiting for the technician: %1").arg(qs(request.what)));
    m_manual->show();
}

void TAlignWindow::answerManual(std::optional<double> reading) {
    if (!m_manual)
        return;
    QDialog* dialog = m_manual;
    m_manual = nullptr;
    m_manualEdit = nullptr;
    m_runner->answerManual(reading);
    dialog->hide();
    dialog->deleteLater();
}

void TAlignWindow::runEnded(const alignRunEnd& end) {
    answerManual(std::nullopt);
    // The record now holds what the radio holds: the values programmed by the run.
    m_services.record->copyFrom(m_work);
    if (*m_services.openScreenCode == screenCode::AlignRadio)
        *m_services.openScreenCode = screenCode::None;
    m_state = State::Done;
    m_pause->setChecked(false);
    m_pause->setText(tr("&Pause"));
    QString status = tr("Archive before the alignment: %1.").arg(QDir::toNativeSeparators(m_beforePath));
    if (end.proceduresRun > 0) {
        m_afterPath = archivePath("after");
        if (m_services.saveArchive && m_services.saveArchive(m_afterPath, m_work))
            status += tr(" After: %1.").arg(QDir::toNativeSeparators(m_afterPath));
        else
            m_afterPath.clear();
    }
    int aligned = 0, ran = 0;
    for (const procedureResult& r : m_results) {
        if (r.end == procedureEnd::Skipped)
            continue;
        ++ran;
        aligned += r.end == procedureEnd::Aligned;
    }
    const QString outcome = end.stopped ? tr("Aborted: the radio was dekeyed and reset.")
                            : !end.benchError.empty()
                                ? tr("The bench could not be opened: %1").arg(qs(end.benchError))
                                : tr("Finished: %1 of %2 procedures within tolerance.").arg(aligned).arg(ran);
    m_live->setText(outcome);
    m_status->setText(status);
    updateButtons();
    if (m_services.stateChanged)
        m_services.stateChanged();
    UserPrompt& prompt = *m_services.prompt;
    if (end.stillKeyed)
        prompt.show(message::StillKeyed, message::WarningCaption, PromptIcon::Exclamation);
    if (!end.benchError.empty())
        prompt.show("The bench instruments could not be opened: " + end.benchError, "ERROR",
                    PromptIcon::Exclamation);
    if (m_closeWhenStopped || m_closeFrameWhenStopped) {
        QWidget* frame = m_closeFrameWhenStopped ? m_frameWatched : nullptr;
        if (QWidget* host = parentWidget())
            host->close();
        else
            close();
        if (frame)
            frame->close();
        return;
    }
    if (end.proceduresRun > 0 && !end.stopped)
        showReport();
}

void TAlignWindow::showReport() {
    if (!m_before || !m_services.showReport)
        return;
    m_services.showReport(m_before, tr("before alignment (%1)").arg(QDir::toNativeSeparators(m_beforePath)));
}

void TAlignWindow::openScreen() {
    const int index = m_checklist->indexOfTopLevelItem(m_checklist->currentItem());
    if (index < 0 || m_state == State::Running || m_state == State::Stopping || !m_services.openProcedure)
        return;
    if (const catalogueEntry* entry = catalogueNamed(m_plan.steps[size_t(index)].procedure))
        m_services.openProcedure(entry->commandId);
}

void TAlignWindow::closeEvent(QCloseEvent* event) {
    if (m_state == State::Running || m_state == State::Stopping) {
        // The run stops first (dekey, reset); the window goes when it has.
        m_closeWhenStopped = true;
        abort();
        event->ignore();
        return;
    }
    answerManual(std::nullopt);
    QWidget::closeEvent(event);
}

void TAlignWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    watchFrame();
}

void TAlignWindow::watchFrame() {
    if (!m_frameWatched && window() != this) {
        m_frameWatched = window();
        m_frameWatched->installEventFilter(this);
    }
}

bool TAlignWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_frameWatched && event->type() == QEvent::Close &&
        (m_state == State::Running || m_state == State::Stopping)) {
        // The main window closing aborts the run and closes once the radio is dekeyed and reset.
        m_closeFrameWhenStopped = true;
        abort();
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vantrel

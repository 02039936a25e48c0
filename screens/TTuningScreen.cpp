// The tuning screen framework.
#include "screens/TTuningScreen.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <algorithm>

#include "operations/UserPrompt.h"
#include "screens/TBenchReading.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"
#include "screens/TValuePlot.h"
#include "screens/screenControls.h"

namespace vantrel {

namespace {

// Geometry of the standard rows (logical pixels).
constexpr int kRowPitch = 30;
constexpr int kFrequencyX = 10;
constexpr int kFrequencyWidth = 150;
constexpr int kSliderX = 250;
constexpr int kSliderWidth = 300;
constexpr int kFrequencyLabelX = 20;
constexpr int kPttX = 20;
constexpr int kProgramX = 130;
constexpr QSize kButtonSize{100, 30};
constexpr int kNoteX = 10;
constexpr QSize kNoteSize{350, 20};
constexpr int kTextLimit = 3;  // working box characters, also what Program reads
constexpr int kFontPixels = 12;
constexpr int kPageDivisor = 5;
constexpr int kRowButtonGap = 10;  // a row's own button stands right of its working box

/// The piece of a description: its rules with the layout's rows, its data set made from the whole
/// description (which the maker may read beyond the core part).
std::unique_ptr<procedurePiece> pieceOf(const tuningProcedure& procedure, radioStorage& record) {
    procedureRules rules = procedure;
    rules.kind = procedure.layout.kind;
    std::unique_ptr<tuningDataSet> dataSet;
    if (procedure.makeDataSet)
        dataSet = procedure.makeDataSet(procedure);
    rules.makeDataSet = nullptr;
    return std::make_unique<procedurePiece>(rules, record, std::move(dataSet));
}

QFont screenFont() {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(kFontPixels);
    font.setWeight(QFont::Medium);
    font.setStyleHint(QFont::Serif);
    font.setFixedPitch(false);
    return font;
}

QLineEdit* staticBox(QWidget* parent, const QRect& geometry, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setEnabled(false);
    box->setObjectName(name);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, screenControls::staticText());
    box->setPalette(palette);
    return box;
}

}  // namespace

TTuningScreen::TTuningScreen(const screenEnvironment& environment, std::string_view name,
                             tuningProcedure procedure)
    : TScreenSession(environment, name),
      m_procedure(std::move(procedure)),
      m_labelFont(screenFont()),
      m_controlFont(screenFont()) {
    m_rows.resize(size_t(engine().rowCount()));
    buildControls();
    TBenchReading::attachTo(*this);
}

TTuningScreen::TTuningScreen(const screenEnvironment& environment, tuningProcedure procedure)
    : TScreenSession(environment, pieceOf(procedure, *environment.record)),
      m_procedure(std::move(procedure)),
      m_labelFont(screenFont()),
      m_controlFont(screenFont()) {
    m_rows.resize(size_t(engine().rowCount()));
    buildControls();
    TBenchReading::attachTo(*this);
}

TTuningScreen::~TTuningScreen() = default;

// --- Controls ---------------------------------------------------------------------------------------------

void TTuningScreen::buildControls() {
    const screenLayout& layout = m_procedure.layout;
    resize(layout.window);
    setMinimumSize(layout.window);

    auto label = [this](const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->move(x, y);
        l->setFont(m_labelFont);
        l->adjustSize();
        return l;
    };
    if (layout.firstHeader)
        label(QString::fromLatin1(layout.firstHeader), kFrequencyLabelX, layout.headerY);
    label(QStringLiteral("Default Softpot"), layout.defaultLabelX, layout.headerY);
    label(QStringLiteral("Working Softpot"), layout.workingLabelX, layout.headerY);

    const int height = layout.rowHeight;
    for (int i = 0; i < rowCount(); ++i) {
        Row& r = m_rows[size_t(i)];
        const tuningRow& spec = rowSpec(i);
        // Where the row stands and its own button are the layout's; the rest is the piece's.
        const tuningRow& shape = size_t(i) < m_procedure.rows.size() ? m_procedure.rows[size_t(i)] : spec;
        const int y = shape.y != 0 ? shape.y : kRowPitch * (i + 1);
        r.frequencyBox = staticBox(this, QRect(kFrequencyX, y, kFrequencyWidth, height),
                                   QStringLiteral("frequency%1").arg(kFrequencyId + i));
        r.frequencyBox->setFrame(true);
        r.frequencyBox->setFont(m_controlFont);
        const int defaultId = i < int(kDefaultIds.size()) ? kDefaultIds[size_t(i)] : kDefaultIds.back() + i;
        r.defaultBox = staticBox(this, QRect(layout.defaultX, y, layout.defaultWidth, height),
                                 QStringLiteral("default%1").arg(defaultId));
        r.defaultBox->setFont(m_labelFont);
        r.defaultBox->setAlignment(Qt::AlignRight);
        // A value without a place in the record has no default to show.
        r.defaultBox->setVisible(spec.recordRow != tuningRow::kNoRecord);

        if (pointRows()) {
            r.slider = new QSlider(Qt::Horizontal, this);
            r.slider->setGeometry(kSliderX, y, kSliderWidth, height);
            r.slider->setObjectName(QStringLiteral("slider%1").arg(kSliderId + i));
            r.slider->setRange(spec.minimum, spec.maximum);
            r.slider->setPageStep(std::max(1, (spec.maximum - spec.minimum) / kPageDivisor));
            r.slider->setTracking(true);
            connect(r.slider, &QAbstractSlider::actionTriggered, this, [this, i](int action) {
                if (const std::optional<pendingStep> step = sliderStep(i, action))
                    queueStep(*step);
            });
            connect(r.slider, &QAbstractSlider::sliderReleased, this, [this, i] { sliderReleased(i); });
        }

        r.working = new TTunerEditBox(this, prompt(), r.slider, spec.maximum, kWorkingId + i, QString(),
                                      layout.workingX, y, layout.workingWidth, height, kTextLimit);
        r.working->setMinimum(spec.minimum);
        r.working->setFont(m_controlFont);
        r.working->setAlignment(Qt::AlignRight);
        r.upDown = new TUpDown(this, kUpDownId + i);
        r.upDown->attachTo(r.working);
        r.upDown->setRange(spec.minimum, spec.maximum);
        r.upDown->setFont(m_controlFont);

        if (!shape.button.empty()) {
            r.button = new QPushButton(QString::fromStdString(shape.button), this);
            const int buttonX = layout.rowButtonX > 0 ? layout.rowButtonX
                                                      : layout.workingX + layout.workingWidth + kRowButtonGap;
            r.button->setGeometry(buttonX, y, layout.rowButtonWidth, height);
            r.button->setObjectName(QStringLiteral("button%1").arg(shape.buttonId));
            r.button->setFont(m_controlFont);
            connect(r.button, &QPushButton::clicked, this, [this, i] {
                if (actionRunning())
                    return;
                sendPendingStep();
                if (!closing())
                    rowButtonClicked(i);
            });
        }

        const auto queueValueStep = [this, i] {
            if (const std::optional<pendingStep> step = valueStep(i))
                queueStep(*step);
        };
        connect(r.upDown, &TUpDown::endScroll, this, queueValueStep);
        connect(r.working, &TTunerEditBox::notify, this, [queueValueStep](int, int code) {
            if (code == TTunerEditBox::kAccepted)
                queueValueStep();
        });
    }

    const screenCapabilities& caps = m_procedure.capabilities;
    int buttonX = kPttX;
    if (caps.ptt) {
        m_ptt = new QPushButton(screenControls::pttGlyph(), QStringLiteral("PTT Toggle"), this);
        m_ptt->setGeometry(QRect(QPoint(buttonX, layout.buttonY), kButtonSize));
        m_ptt->setObjectName(QStringLiteral("button%1").arg(kPttId));
        m_ptt->setFont(m_controlFont);
        connect(m_ptt, &QPushButton::clicked, this, &TTuningScreen::togglePtt);
        buttonX = kProgramX;
    }
    if (caps.programButton) {
        m_program = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton),
                                    QStringLiteral("Program"), this);
        m_program->setGeometry(QRect(QPoint(buttonX, layout.buttonY), kButtonSize));
        m_program->setObjectName(QStringLiteral("button%1").arg(kProgramId));
        m_program->setFont(m_controlFont);
        connect(m_program, &QPushButton::clicked, this, &TTuningScreen::program);
    }

    m_status = staticBox(this, layout.status, QStringLiteral("status%1").arg(layout.statusId));
    m_status->setFont(m_controlFont);
    setStatus(QString::fromLatin1(kDekeyedText), false);

    m_note = new QLabel(QString::fromStdString(m_procedure.note), this);
    m_note->setGeometry(QRect(QPoint(kNoteX, layout.noteY), kNoteSize));
    m_note->setFont(m_labelFont);

    // The values across the points, right of the controls: the window grows, the controls stay put.
    if (TValuePlot::suits(m_procedure)) {
        m_plot = new TValuePlot(this);
        m_plot->move(layout.window.width(), layout.headerY);
        resize(layout.window + QSize(TValuePlot::kSize.width() + kNoteX, 0));
        setMinimumSize(size());
        // The plot shows what the radio has: a value being typed counts once it is taken (Enter, an
        // arrow, the slider), which is when the slider moves.
        for (Row& r : m_rows) {
            connect(r.slider, &QAbstractSlider::valueChanged, this, &TTuningScreen::updatePlot);
            connect(r.defaultBox, &QLineEdit::textChanged, this, &TTuningScreen::updatePlot);
        }
    }
}

// --- Display ----------------------------------------------------------------------------------------------

void TTuningScreen::fillRows(const sessionState& state) {
    for (int i = 0; i < rowCount() && i < int(state.rows.size()); ++i) {
        Row& r = m_rows[size_t(i)];
        const sessionRowState& row = state.rows[size_t(i)];
        const tuningRow& spec = rowSpec(i);
        r.working->setText(QString::number(row.value));
        r.upDown->setRange(spec.minimum, spec.maximum);
        if (row.supported) {
            r.upDown->setPosition(row.value);
        } else {
            r.working->clear();
        }
        if (r.slider) {
            r.slider->setRange(spec.minimum, spec.maximum);
            // An unused point has no value: its slider rests at the minimum, greyed.
            r.slider->setValue(row.supported ? row.value : spec.minimum);
        }
        r.shownValue = row.value;
        r.seenRecord = row.recordValue;
        r.defaultBox->setText(row.supported && row.recordValue ? QString::number(*row.recordValue)
                                                               : QString());
    }
    // The current point is the first supported one, and its value goes with it: keying at F2 must not
    // send the value of an unused F1.
    m_currentRow = state.selectedRow;
    m_currentValue = size_t(m_currentRow) < state.rows.size() ? state.rows[size_t(m_currentRow)].value : 0;
}

void TTuningScreen::render(const sessionState& state) {
    if (state.reloads != m_reloads) {
        m_reloads = state.reloads;
        fillRows(state);
    }
    for (int i = 0; i < rowCount() && i < int(state.rows.size()); ++i) {
        Row& r = m_rows[size_t(i)];
        const sessionRowState& row = state.rows[size_t(i)];
        // A value the radio settled on (auto-tune) or Program wrote is shown as if the row was moved there.
        if (row.value != r.shownValue && row.supported && !(m_pending && m_pending->row == i)) {
            r.upDown->setPosition(row.value);
            if (r.slider)
                r.slider->setValue(row.value);
            r.shownValue = row.value;
        }
        if (row.recordValue != r.seenRecord) {
            r.seenRecord = row.recordValue;
            if (!m_holdDefaults)
                r.defaultBox->setText(row.supported && row.recordValue ? QString::number(*row.recordValue)
                                                                       : QString());
        }
        if (r.slider)
            r.slider->setEnabled(row.supported);
        r.working->setEnabled(row.enabled);
        r.upDown->setEnabled(row.enabled);
        if (r.button)
            r.button->setEnabled(row.actionEnabled);
        if (!rowSpec(i).label.empty())
            r.frequencyBox->setText(QString::fromStdString(rowSpec(i).label));
        else
            r.frequencyBox->setText(row.supported ? QString::asprintf("%f", row.frequencyMhz)
                                                  : QString::fromLatin1(kUnsupportedText));
    }
    if (!m_pending) {
        m_currentRow = state.selectedRow;
        if (size_t(m_currentRow) < state.rows.size())
            m_currentValue = state.rows[size_t(m_currentRow)].value;
    }
    if (m_ptt)
        m_ptt->setEnabled(engine().anySupported());
    setStatus(QString::fromStdString(state.status), state.keyed);
    updateRowMarks();
}

void TTuningScreen::setStatus(const QString& text, bool isKeyed) {
    m_status->setText(text);
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     isKeyed ? screenControls::keyedText() : screenControls::staticText());
    m_status->setPalette(palette);
}

void TTuningScreen::updateRowMarks() {
    const bool isKeyed = keyed();
    const int keyedAt = session().keyedRow();
    for (int i = 0; i < rowCount(); ++i) {
        Row& r = m_rows[size_t(i)];
        const bool onAir = isKeyed && pointRows() && i == keyedAt;
        r.working->setCommitOnLeave(onAir, m_liveValue);
        QFont font = m_controlFont;
        font.setBold(i == m_currentRow && engine().rowSupported(i));
        r.frequencyBox->setFont(font);
        screenControls::markKeyed(r.frequencyBox, onAir);
        r.frequencyBox->setToolTip(onAir               ? QStringLiteral("Transmitting at this point")
                                   : i == m_currentRow ? QStringLiteral("Current point")
                                                       : QString());
    }
    updatePlot();
}

void TTuningScreen::updatePlot() {
    if (m_plot)
        m_plot->setData(TValuePlot::screenData(*this, keyed() && pointRows() ? session().keyedRow() : -1));
}

bool TTuningScreen::pointRows() const {
    return engine().pointRows();
}

QString TTuningScreen::workingText(int row) const {
    return m_rows[size_t(row)].working->text().left(kTextLimit);
}

int TTuningScreen::workingValue(int row) const {
    return TTunerEditBox::leadingValue(workingText(row), kTextLimit);
}

// --- Point actions ----------------------------------------------------------------------------------------

void TTuningScreen::showStep(int row, int value) {
    Row& r = m_rows[size_t(row)];
    r.upDown->setPosition(value);
    if (r.slider)
        r.slider->setValue(value);
    m_currentRow = row;
    m_currentValue = value;
    updateRowMarks();
}

std::optional<TTuningScreen::pendingStep> TTuningScreen::sliderStep(int row, int action) {
    Row& r = m_rows[size_t(row)];
    if (!rowSupported(row) || !r.slider || closing())
        return std::nullopt;
    // Only a drag with the mouse keeps its connection; a wheel turn is one step like a key.
    const bool drag = action == QAbstractSlider::SliderMove && r.slider->isSliderDown();
    const int value = r.slider->sliderPosition();
    showStep(row, value);
    return pendingStep{row, value, drag ? stepKind::Drag : stepKind::Step};
}

std::optional<TTuningScreen::pendingStep> TTuningScreen::valueStep(int row) {
    if (!rowSupported(row) || closing())
        return std::nullopt;
    const int value = m_rows[size_t(row)].upDown->position();
    showStep(row, value);
    return pendingStep{row, value, stepKind::Value};
}

void TTuningScreen::sliderAction(int row, int action) {
    if (const std::optional<pendingStep> step = sliderStep(row, action)) {
        m_pending = step;
        sendPendingStep();
    }
}

void TTuningScreen::valueAction(int row) {
    if (const std::optional<pendingStep> step = valueStep(row)) {
        m_pending = step;
        sendPendingStep();
    }
}

void TTuningScreen::queueStep(const pendingStep& step) {
    m_pending = step;
    postPendingStep();
}

void TTuningScreen::postPendingStep() {
    // Posted behind the input already queued: a burst of keys or clicks that waited for the radio is
    // shown first, and only its last value is sent.
    if (m_stepPosted)
        return;
    m_stepPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_stepPosted = false;
            sendPendingStep();
        },
        Qt::QueuedConnection);
}

void TTuningScreen::actionEnded() {
    if (m_pending)
        postPendingStep();
}

void TTuningScreen::sendPendingStep() {
    // While another action talks to the radio the step waits; that action's end sends it.
    if (!m_pending || actionRunning() || closing())
        return;
    pendingStep step = *m_pending;
    m_pending.reset();
    if (!rowSupported(step.row))
        return;
    Row& r = m_rows[size_t(step.row)];
    r.shownValue = step.value;
    // A drag position whose slider was let go meanwhile is the drag's last: its connection goes after it.
    if (step.kind == stepKind::Drag && !(r.slider && r.slider->isSliderDown()))
        step.kind = stepKind::Step;
    const sessionOutcome outcome =
        drive([&](tuningSession& s) { return s.step(step.row, step.value, step.kind); });
    const bool atKeyedPoint = keyed() && pointRows() && step.row == session().keyedRow();
    if (outcome.done() && atKeyedPoint) {
        m_liveValue = step.value;
        updateRowMarks();
    }
    // A step the radio did not take (port busy, mismatch, failure with the transmitter still keyed)
    // leaves the keyed point showing what the transmitter uses.
    if (!outcome.done() && atKeyedPoint && step.value != m_liveValue && !m_pending) {
        showStep(step.row, m_liveValue);
        r.shownValue = m_liveValue;
        session().setWorkingValue(step.row, m_liveValue);
    }
}

void TTuningScreen::sliderReleased(int row) {
    // A step still to be sent, or the one being sent, closes the drag's connection itself.
    if (m_pending || actionRunning())
        return;
    // The drag is over: its connection goes, so the port is never left open.
    session().endDrag(row);
}

void TTuningScreen::beforeModal() {
    // A box takes the mouse release: a slider whose track or thumb is held would go on stepping (or
    // dragging) by itself behind it, and an arrow held down would go on counting.
    for (Row& r : m_rows) {
        if (r.slider) {
            // The slider ends a press of its track (the page steps repeating) or of its thumb only on a
            // release; one that holds nothing ignores it.
            const QPointF at = r.slider->rect().center();
            QMouseEvent release(QEvent::MouseButtonRelease, at, r.slider->mapToGlobal(at), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(r.slider, &release);
            if (r.slider->isSliderDown())
                r.slider->setSliderDown(false);
        }
        r.upDown->letGo();
    }
}

void TTuningScreen::togglePtt() {
    if (actionRunning())
        return;
    if (m_pending) {
        // A value waiting for the keyed point would only go out before the dekey: the radio gets the
        // value shown at the next key-up. Any other step (another point) goes first, as clicked.
        if (keyed() && m_pending->row == session().keyedRow()) {
            session().setWorkingValue(m_pending->row, m_pending->value);
            m_rows[size_t(m_pending->row)].shownValue = m_pending->value;
            dropPendingStep();
        } else {
            sendPendingStep();
        }
    }
    if (closing())
        return;
    drive([](tuningSession& s) { return s.togglePtt(); });
    if (keyed()) {
        m_liveValue = session().workingValue(session().keyedRow());
        updateRowMarks();
    }
}

// --- Program ----------------------------------------------------------------------------------------------

void TTuningScreen::program() {
    if (actionRunning())
        return;
    // Program writes what the boxes show and prepares the current point again: a step still waiting
    // would only go out before it.
    dropPendingStep();
    std::vector<std::optional<int>> values;
    for (int i = 0; i < rowCount(); ++i) {
        const QString text = workingText(i);
        values.push_back(text.isEmpty() ? std::nullopt : std::optional<int>(workingValue(i)));
    }
    drive([&](tuningSession& s) { return s.program(values); });
}

void TTuningScreen::rowButtonClicked(int) {}

}  // namespace vantrel

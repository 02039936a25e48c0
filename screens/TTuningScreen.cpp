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

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "operations/UserPrompt.h"
#include "operations/radioOperations.h"
#include "operations/serviceHistory.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
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

QString withFrequency(const std::string& pattern, double mhz) {
    QString text = QString::fromStdString(pattern);
    const qsizetype at = text.indexOf(QLatin1String("%f"));
    if (at >= 0)
        text.replace(at, 2, QString::asprintf("%f", mhz));
    return text;
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

TTuningScreen::TTuningScreen(const screenEnvironment& environment, tuningProcedure procedure)
    : TScreenSession(environment, procedure.capabilities),
      m_procedure(std::move(procedure)),
      m_labelFont(screenFont()),
      m_controlFont(screenFont()) {
    // The screen's layout decides its rows; its data set is made from the whole description, which the
    // maker may read beyond the core part.
    procedureRules rules = m_procedure;
    rules.kind = m_procedure.layout.kind;
    std::unique_ptr<tuningDataSet> dataSet;
    if (m_procedure.makeDataSet)
        dataSet = m_procedure.makeDataSet(m_procedure);
    rules.makeDataSet = nullptr;
    m_engine = m_procedure.makePiece ? m_procedure.makePiece(rules, record(), std::move(dataSet))
                                     : std::make_unique<procedurePiece>(rules, record(), std::move(dataSet));
    m_rows.resize(size_t(m_engine->rowCount()));
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
        const int y = spec.y != 0 ? spec.y : kRowPitch * (i + 1);
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

        if (!spec.button.empty()) {
            r.button = new QPushButton(QString::fromStdString(spec.button), this);
            const int buttonX = layout.rowButtonX > 0 ? layout.rowButtonX
                                                      : layout.workingX + layout.workingWidth + kRowButtonGap;
            r.button->setGeometry(buttonX, y, layout.rowButtonWidth, height);
            r.button->setObjectName(QStringLiteral("button%1").arg(spec.buttonId));
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
    setStatus(QString::fromLatin1(kDekeyedText));

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

// --- Points -----------------------------------------------------------------------------------------------

void TTuningScreen::selectChannels(int row, EnhancedSBEP& link) {
    m_engine->selectChannels(row, link);
}

void TTuningScreen::prepare(int row) {
    selectChannels(row, link());
    const double mhz = m_engine->rowFrequency(row);
    m_keyedText = QString::asprintf(kKeyedFormat, mhz);
    if (!m_procedure.preparedStatus.empty())
        setStatus(withFrequency(m_procedure.preparedStatus, mhz));
}

// --- Display ----------------------------------------------------------------------------------------------

void TTuningScreen::fillDisplay() {
    m_engine->assignPoints();
    for (int i = 0; i < rowCount(); ++i) {
        Row& r = m_rows[size_t(i)];
        const tuningRow& spec = rowSpec(i);
        const bool supported = m_engine->rowSupported(i);
        const int value = recordValue(spec);
        const QString text = QString::number(value);
        r.working->setText(text);
        r.defaultBox->setText(text);
        r.upDown->setRange(spec.minimum, spec.maximum);
        if (supported) {
            r.upDown->setPosition(value);
        } else {
            r.working->clear();
            r.defaultBox->clear();
        }
        if (r.slider) {
            r.slider->setRange(spec.minimum, spec.maximum);
            // An unused point has no value: its slider rests at the minimum, greyed.
            r.slider->setValue(supported ? value : spec.minimum);
            r.slider->setEnabled(supported);
        }
        r.lastValue = -1;
        r.prepared = false;
        r.working->setEnabled(supported);
        r.upDown->setEnabled(supported);
        if (r.button)
            r.button->setEnabled(supported);
        if (!spec.label.empty())
            r.frequencyBox->setText(QString::fromStdString(spec.label));
        else
            r.frequencyBox->setText(supported ? QString::asprintf("%f", m_engine->rowFrequency(i))
                                              : QString::fromLatin1(kUnsupportedText));
    }
    // The current point is the first supported one, and its value goes with it: keying at F2 must not
    // send the value of an unused F1.
    m_currentRow = m_engine->firstSupportedRow();
    m_currentValue = workingValue(m_currentRow);
    if (!m_rows.empty() && m_engine->rowSupported(m_currentRow))
        m_currentValue = recordValue(rowSpec(m_currentRow));
    const bool any = m_engine->anySupported();
    if (m_ptt)
        m_ptt->setEnabled(any);
    m_keyedText =
        QString::asprintf(kKeyedFormat, m_rows.empty() ? 0.0 : m_engine->rowFrequency(m_currentRow));
    updateRowMarks();
    setDisplayReady(true);
}

void TTuningScreen::setStatus(const QString& text) {
    m_status->setText(text);
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     keyed() ? screenControls::keyedText() : screenControls::staticText());
    m_status->setPalette(palette);
}

void TTuningScreen::keyStateChanged() {
    setStatus(keyed() ? m_keyedText : QString::fromLatin1(kDekeyedText));
    updateRowMarks();
}

void TTuningScreen::sendLive(int row, int value, EnhancedSBEP& link) {
    writeLive(row, value, link);
    if (keyed() && row == keyedRow()) {
        m_liveValue = value;
        updateRowMarks();
    }
}

void TTuningScreen::updateRowMarks() {
    for (int i = 0; i < rowCount(); ++i) {
        Row& r = m_rows[size_t(i)];
        const bool onAir = keyed() && pointRows() && i == keyedRow();
        r.working->setCommitOnLeave(onAir, m_liveValue);
        QFont font = m_controlFont;
        font.setBold(i == m_currentRow && m_engine->rowSupported(i));
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
        m_plot->setData(TValuePlot::screenData(*this, keyed() && pointRows() ? keyedRow() : -1));
}

void TTuningScreen::connectionClosed() {
    // A point's channel counts as set only within the connection that set it.
    for (Row& r : m_rows) r.prepared = false;
}

std::string TTuningScreen::mismatchText() const {
    return m_procedure.mismatch;
}

void TTuningScreen::storeValue(int row, int value) {
    m_engine->storeValue(row, value);
    showStored(row, value);
}

void TTuningScreen::showStored(int row, int value) {
    if (rowSpec(row).recordRow != tuningRow::kNoRecord)
        m_rows[size_t(row)].defaultBox->setText(QString::number(value));
}

int TTuningScreen::recordValue(const tuningRow& spec) const {
    return spec.recordRow == tuningRow::kNoRecord ? 0 : record().getValue(spec.recordRow, spec.recordColumn);
}

bool TTuningScreen::pointRows() const {
    return m_engine->pointRows();
}

void TTuningScreen::takeValue(int row, int value) {
    Row& r = m_rows[size_t(row)];
    r.upDown->setPosition(value);
    if (r.slider)
        r.slider->setValue(value);
    r.lastValue = value;
    m_currentRow = row;
    m_currentValue = value;
    updateRowMarks();
}

QString TTuningScreen::workingText(int row) const {
    return m_rows[size_t(row)].working->text().left(kTextLimit);
}

int TTuningScreen::workingValue(int row) const {
    return TTunerEditBox::leadingValue(workingText(row), kTextLimit);
}

// --- Opening ----------------------------------------------------------------------------------------------

void TTuningScreen::setupRadio(EnhancedSBEP& link) {
    m_engine->setupRadio(link);
}

// --- Point actions ----------------------------------------------------------------------------------------

void TTuningScreen::dekeyIfKeyedElsewhere(int row) {
    // Rows that are softpots share the one transmitter state; rows that are points key at their own.
    if (keyed() && pointRows() && keyedRow() != row)
        dekey(link());
}

bool TTuningScreen::sendsLive() const {
    return keyed() || m_procedure.capabilities.liveWhileDekeyed;
}

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
    return pendingStep{row, value, drag ? pendingStep::Kind::Drag : pendingStep::Kind::Step};
}

std::optional<TTuningScreen::pendingStep> TTuningScreen::valueStep(int row) {
    if (!rowSupported(row) || closing())
        return std::nullopt;
    const int value = m_rows[size_t(row)].upDown->position();
    showStep(row, value);
    return pendingStep{row, value, pendingStep::Kind::Value};
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
    const pendingStep step = *m_pending;
    m_pending.reset();
    if (!rowSupported(step.row))
        return;
    if (!keyed() && !stepsWhileDekeyed())
        return;
    if (step.kind == pendingStep::Kind::Value)
        runValueStep(step);
    else
        runSliderStep(step);
    // A step the radio did not take (port busy, mismatch, failure with the transmitter still keyed)
    // leaves the keyed point showing what the transmitter uses.
    if (keyed() && pointRows() && step.row == keyedRow() && step.value != m_liveValue && !m_pending)
        showStep(step.row, m_liveValue);
}

void TTuningScreen::runSliderStep(const pendingStep& step) {
    const int row = step.row;
    const int value = step.value;
    Row& r = m_rows[size_t(row)];
    ActionScope scope(*this);
    if (!openConnection())
        return;
    try {
        dekeyIfKeyedElsewhere(row);
        if (!r.prepared) {
            if (!checkSerial())
                return;
            if (!keyed())
                prepare(row);
            r.prepared = true;
        }
        if (sendsLive())
            sendLive(row, value, link());
    } catch (const Exception&) {
        connection().markClosePending();
        failAction();
        return;
    }
    r.lastValue = value;
    // A drag keeps its connection for the positions still to come, until the slider is let go.
    if (step.kind != pendingStep::Kind::Drag || !r.slider->isSliderDown())
        closeConnection();
}

void TTuningScreen::sliderReleased(int row) {
    m_rows[size_t(row)].lastValue = -1;
    // A step still to be sent, or the one being sent, closes the drag's connection itself.
    if (m_pending || actionRunning())
        return;
    // The drag is over: its connection goes, so the port is never left open.
    if (connectionOpen())
        closeConnection();
    m_rows[size_t(row)].prepared = false;
}

void TTuningScreen::runValueStep(const pendingStep& step) {
    const int row = step.row;
    const int value = step.value;
    runAction(SerialCheck::No, [&](EnhancedSBEP& link) {
        dekeyIfKeyedElsewhere(row);
        if (!checkSerial())
            return false;
        if (!keyed())
            prepare(row);
        if (sendsLive())
            sendLive(row, value, link);
        return true;
    });
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
        if (keyed() && m_pending->row == keyedRow())
            dropPendingStep();
        else
            sendPendingStep();
    }
    if (closing())
        return;
    runAction(SerialCheck::No, [&](EnhancedSBEP& link) {
        if (keyed()) {
            dekey(link);
        } else {
            setKeyedRow(m_currentRow);
            keyUp(link);
            keyedUp(link);
            sendLive(m_currentRow, m_currentValue, link);
        }
    });
}

void TTuningScreen::writeLive(int row, int value, EnhancedSBEP& link) {
    m_engine->writeLive(row, value, link);
}

// --- Program ----------------------------------------------------------------------------------------------

bool TTuningScreen::validate(int row, const QString& text, int value) {
    const std::optional<int> entered = text.isEmpty() ? std::nullopt : std::optional<int>(value);
    if (const std::optional<valueRefused> refused = m_engine->checkValue(row, entered)) {
        prompt().show(refused->text, refused->caption, refused->icon);
        return false;
    }
    return true;
}

void TTuningScreen::program() {
    if (actionRunning())
        return;
    // Program writes what the boxes show and prepares the current point again: a step still waiting
    // would only go out before it.
    dropPendingStep();
    ActionScope scope(*this);
    if (!openConnection())
        return;
    try {
        if (m_procedure.programChecksSerial && !checkSerial())
            return;
    } catch (const Exception&) {
        failAction();
        return;
    }
    if (!m_procedure.commitQuestion.empty() &&
        prompt().show(m_procedure.commitQuestion, kWarningCaption, PromptIcon::Information,
                      PromptButtons::OkCancel) != PromptAnswer::Ok) {
        closeConnection();
        return;
    }
    // From here on values reach the radio: the service history gets this Program however it ends.
    historyScope history(record(), EventKind::Program, identity().title.toStdString(),
                         serviceHistory::cellsOf(*m_engine));
    if (!m_procedure.unpreparedStatus.empty())
        setStatus(QString::fromStdString(m_procedure.unpreparedStatus));
    try {
        if (programDekeys())
            dekey(link());
        std::vector<int> refusedRows;
        for (int i = 0; i < rowCount(); ++i) {
            if (!rowSupported(i))
                continue;
            // A close asked for meanwhile stops Program here; the closing dekeys and resets the radio.
            if (closeAsked()) {
                closeConnection();
                return;
            }
            const QString text = workingText(i);
            const int value = workingValue(i);
            if (!validate(i, text, value)) {
                closeConnection();
                return;
            }
            selectChannels(i, link());
            if (programPoint(i, value, link()) == ProgramOutcome::Refused)
                refusedRows.push_back(i);
        }
        if (m_procedure.storeAllAfterRun) {
            // A point the radio or the procedure refused keeps the record's value: it was not programmed.
            for (int i = 0; i < rowCount(); ++i) {
                if (std::find(refusedRows.begin(), refusedRows.end(), i) == refusedRows.end())
                    storeValue(i, rowSupported(i) ? workingValue(i) : 0);
            }
        }
        afterProgram(link());
        if (m_procedure.preparesAfterProgram && rowSupported(m_currentRow))
            prepare(m_currentRow);
    } catch (const Exception&) {
        failAction();
        return;
    }
    history.done();
    closeConnection();
}

TTuningScreen::ProgramOutcome TTuningScreen::programPoint(int row, int value, EnhancedSBEP& link) {
    // A point the radio answers "unsupported" was not programmed: it is refused, not stored.
    const procedurePiece::pointOutcome outcome = m_engine->programPointChecked(row, value, link);
    if (!outcome.stored) {
        prompt().show(outcome.refusedText, kErrorCaption, PromptIcon::Exclamation);
        return ProgramOutcome::Refused;
    }
    showStored(row, value);
    return ProgramOutcome::Stored;
}

void TTuningScreen::keyedUp(EnhancedSBEP& link) {
    m_engine->keyedUp(m_currentRow, link);
}

void TTuningScreen::afterProgram(EnhancedSBEP& link) {
    m_engine->afterProgram(link);
}

void TTuningScreen::rowButtonClicked(int) {}

std::string TTuningScreen::refusedText(int point, bool ownRule) const {
    return m_engine->refusedText(point, ownRule);
}

void TTuningScreen::showRefused(int point, bool ownRule) {
    prompt().show(refusedText(point, ownRule), kErrorCaption, PromptIcon::Exclamation);
}

}  // namespace vantrel

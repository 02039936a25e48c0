// The tuning screen framework.
#include "screens/TTuningScreen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "operations/UserPrompt.h"
#include "operations/radioOperations.h"
#include "radio/SoftpotTypes.h"
#include "radio/radioStorage.h"
#include "screens/TTunerEditBox.h"
#include "screens/TUpDown.h"
#include "screens/TValuePlot.h"

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
const QColor kStaticText(0x40, 0x40, 0x40);
const QColor kKeyedText(0xa0, 0x10, 0x10);        // the status while the transmitter is on the air
const QColor kKeyedBackground(0xfb, 0xe0, 0xdc);  // the row the transmitter is keyed at

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

/// The PTT glyph: a red transmit lamp.
QIcon pttGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x70, 0x10, 0x10), 1));
    p.setBrush(QColor(0xd8, 0x28, 0x20));
    p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    return QIcon(pixmap);
}

QLineEdit* staticBox(QWidget* parent, const QRect& geometry, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setEnabled(false);
    box->setObjectName(name);
    // Greyed like every disabled edit, but dark enough to read across the bench.
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, kStaticText);
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
    m_engine = tuningEngine::create(rules, record(), std::move(dataSet));
    m_rows.resize(size_t(m_engine->rowCount()));
    buildControls();
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
            connect(r.slider, &QAbstractSlider::actionTriggered, this,
                    [this, i](int action) { sliderAction(i, action); });
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
                if (!actionRunning())
                    rowButtonClicked(i);
            });
        }

        connect(r.upDown, &TUpDown::endScroll, this, [this, i] { valueAction(i); });
        connect(r.working, &TTunerEditBox::notify, this, [this, i](int, int code) {
            if (code == TTunerEditBox::kAccepted)
                valueAction(i);
        });
    }

    const screenCapabilities& caps = m_procedure.capabilities;
    int buttonX = kPttX;
    if (caps.ptt) {
        m_ptt = new QPushButton(pttGlyph(), QStringLiteral("PTT Toggle"), this);
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
    setStatus(idleStatus());

    m_note = new QLabel(QString::fromStdString(m_procedure.note), this);
    m_note->setGeometry(QRect(QPoint(kNoteX, layout.noteY), kNoteSize));
    m_note->setFont(m_labelFont);

    // The values across the points, right of the controls: the window grows, the controls stay put.
    if (TValuePlot::suits(m_procedure)) {
        m_plot = new TValuePlot(this);
        m_plot->move(layout.window.width(), layout.headerY);
        resize(layout.window + QSize(TValuePlot::kSize.width() + kNoteX, 0));
        setMinimumSize(size());
        for (Row& r : m_rows) {
            connect(r.working, &QLineEdit::textChanged, this, &TTuningScreen::updatePlot);
            connect(r.defaultBox, &QLineEdit::textChanged, this, &TTuningScreen::updatePlot);
        }
    }
}

bool TTuningScreen::event(QEvent* event) {
    // The screen's place in the main window: the frame that takes it in goes to the fixed position, and
    // again when first shown, as the main window may have placed it meanwhile.
    const bool place = event->type() == QEvent::ParentChange || (event->type() == QEvent::Show && !m_placed);
    if (place) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
            frame->move(kPosition);
            m_placed = event->type() == QEvent::Show;
        }
    }
    return TScreenSession::event(event);
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
            r.slider->setValue(value);
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
    palette.setColor(QPalette::Disabled, QPalette::Text, keyed() ? kKeyedText : kStaticText);
    m_status->setPalette(palette);
}

QString TTuningScreen::idleStatus() const {
    return m_procedure.unpreparedStatus.empty() ? QString::fromLatin1(kDekeyedText)
                                                : QString::fromStdString(m_procedure.unpreparedStatus);
}

void TTuningScreen::keyStateChanged() {
    setStatus(keyed() ? m_keyedText : idleStatus());
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
        QPalette palette = r.frequencyBox->palette();
        palette.setColor(QPalette::Disabled, QPalette::Text, onAir ? kKeyedText : kStaticText);
        palette.setColor(QPalette::Disabled, QPalette::Base,
                         onAir ? kKeyedBackground : palette.color(QPalette::Active, QPalette::Base));
        r.frequencyBox->setPalette(palette);
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

void TTuningScreen::sliderAction(int row, int action) {
    Row& r = m_rows[size_t(row)];
    if (!rowSupported(row) || !r.slider || actionRunning())
        return;
    const int value = r.slider->sliderPosition();
    // Only a drag with the mouse keeps its connection; a wheel turn is one step like a key.
    const bool drag = action == QAbstractSlider::SliderMove && r.slider->isSliderDown();
    ActionScope scope(*this);
    if (!openConnection())
        return;
    m_currentRow = row;
    m_currentValue = value;
    updateRowMarks();
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
    r.upDown->setPosition(value);
    if (!drag) {
        r.lastValue = value;
        closeConnection();
    } else if (value == r.lastValue) {
        connection().markClosePending();
    } else {
        r.lastValue = value;
    }
}

void TTuningScreen::sliderReleased(int row) {
    // The drag is over: its connection goes, pending or not, so the port is never left open.
    if (connectionOpen())
        closeConnection();
    m_rows[size_t(row)].prepared = false;
    m_rows[size_t(row)].lastValue = -1;
}

void TTuningScreen::valueAction(int row) {
    Row& r = m_rows[size_t(row)];
    if (!rowSupported(row) || actionRunning())
        return;
    const int value = r.upDown->position();
    if (r.slider)
        r.slider->setValue(value);
    m_currentRow = row;
    m_currentValue = value;
    updateRowMarks();
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

void TTuningScreen::togglePtt() {
    if (actionRunning())
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
    if (!m_procedure.unpreparedStatus.empty())
        setStatus(idleStatus());
    try {
        dekey(link());
        for (int i = 0; i < rowCount(); ++i) {
            if (!rowSupported(i))
                continue;
            const QString text = workingText(i);
            const int value = workingValue(i);
            if (!validate(i, text, value)) {
                closeConnection();
                return;
            }
            selectChannels(i, link());
            programPoint(i, value, link());
        }
        if (m_procedure.storeAllAfterRun) {
            for (int i = 0; i < rowCount(); ++i) storeValue(i, rowSupported(i) ? workingValue(i) : 0);
        }
        afterProgram(link());
        if (m_procedure.preparesAfterProgram && rowSupported(m_currentRow))
            prepare(m_currentRow);
    } catch (const Exception&) {
        failAction();
        return;
    }
    closeConnection();
}

TTuningScreen::ProgramOutcome TTuningScreen::programPoint(int row, int value, EnhancedSBEP& link) {
    const tuningEngine::pointOutcome outcome = m_engine->programPoint(row, value, link);
    if (!outcome.stored) {
        prompt().show(outcome.refusedText, kErrorCaption, PromptIcon::Exclamation);
        return ProgramOutcome::Refused;
    }
    showStored(row, value);
    return ProgramOutcome::Stored;
}

void TTuningScreen::keyedUp(EnhancedSBEP&) {}

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

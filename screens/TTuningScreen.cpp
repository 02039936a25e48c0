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

namespace vantrel {

namespace {

// Geometry of the standard rows (logical pixels).
constexpr int kRowPitch = 30;
constexpr int kRowHeight = 20;
constexpr int kFrequencyX = 10;
constexpr int kFrequencyWidth = 150;
constexpr int kDefaultX = 200;
constexpr int kDefaultWidth = 40;
constexpr int kSliderX = 250;
constexpr int kSliderWidth = 300;
constexpr int kWorkingX = 560;
constexpr int kLabelY = 10;
constexpr int kFrequencyLabelX = 20;
constexpr int kDefaultLabelX = 190;
constexpr int kPttX = 20;
constexpr int kProgramX = 130;
constexpr QSize kButtonSize{100, 30};
constexpr int kNoteX = 10;
constexpr QSize kNoteSize{350, 20};
constexpr int kTextLimit = 3;  // working box characters, also what Program reads
constexpr int kFontPixels = 12;
constexpr int kPageDivisor = 5;  // a page step is a fifth of the range, as on the platform's track bar
const QColor kStaticText(0x40, 0x40, 0x40);
const QColor kKeyedText(0xa0, 0x10, 0x10);  // the status while the transmitter is on the air

QString withNumber(const std::string& pattern, int number) {
    QString text = QString::fromStdString(pattern);
    const qsizetype at = text.indexOf(QLatin1String("%d"));
    if (at >= 0)
        text.replace(at, 2, QString::number(number));
    return text;
}

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

/// Marks a running action; a close requested meanwhile happens when the outermost action ends.
class TTuningScreen::ActionScope {
  public:
    explicit ActionScope(TTuningScreen& screen) : m_screen(screen) { ++m_screen.m_actionDepth; }
    ~ActionScope() {
        if (--m_screen.m_actionDepth == 0 && m_screen.m_closeRequested) {
            m_screen.m_closeRequested = false;
            QWidget* host = qobject_cast<QMdiSubWindow*>(m_screen.parentWidget());
            if (!host)
                host = &m_screen;
            QTimer::singleShot(0, host, [host] { host->close(); });
        }
    }
    ActionScope(const ActionScope&) = delete;
    ActionScope& operator=(const ActionScope&) = delete;

  private:
    TTuningScreen& m_screen;
};

TTuningScreen::TTuningScreen(const screenEnvironment& environment, tuningProcedure procedure)
    : QWidget(environment.parent),
      m_environment(environment),
      m_procedure(std::move(procedure)),
      m_connection(*environment.prompt),
      m_labelFont(screenFont()),
      m_controlFont(screenFont()) {
    if (m_procedure.makeDataSet)
        m_dataSet = m_procedure.makeDataSet(m_procedure);
    setWindowTitle(QString::fromStdString(m_procedure.title));
    setObjectName(QStringLiteral("tuningScreen%1").arg(m_procedure.code));
    buildControls();
    *m_environment.openScreenCode = m_procedure.code;
}

TTuningScreen::~TTuningScreen() {
    closingSequence();
}

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
    label(QStringLiteral("Frequency Point(MHz)"), kFrequencyLabelX, kLabelY);
    label(QStringLiteral("Default Softpot"), kDefaultLabelX, kLabelY);
    label(QStringLiteral("Working Softpot"), layout.workingLabelX, kLabelY);

    const int rows = layout.kind == screenLayoutKind::SevenPoint ? record::kPointCount : 1;
    m_rows.resize(size_t(rows));
    for (int i = 0; i < rows; ++i) {
        Row& r = m_rows[size_t(i)];
        const int y = kRowPitch * (i + 1);
        r.frequencyBox = staticBox(this, QRect(kFrequencyX, y, kFrequencyWidth, kRowHeight),
                                   QStringLiteral("frequency%1").arg(kFrequencyId + i));
        r.frequencyBox->setFrame(true);
        r.frequencyBox->setFont(m_controlFont);
        r.defaultBox = staticBox(this, QRect(kDefaultX, y, kDefaultWidth, kRowHeight),
                                 QStringLiteral("default%1").arg(kDefaultIds[size_t(i)]));
        r.defaultBox->setFont(m_labelFont);
        r.defaultBox->setAlignment(Qt::AlignRight);

        r.slider = new QSlider(Qt::Horizontal, this);
        r.slider->setGeometry(kSliderX, y, kSliderWidth, kRowHeight);
        r.slider->setObjectName(QStringLiteral("slider%1").arg(kSliderId + i));
        r.slider->setRange(m_procedure.minimum, m_procedure.maximum);
        r.slider->setPageStep(std::max(1, (m_procedure.maximum - m_procedure.minimum) / kPageDivisor));
        r.slider->setTracking(true);

        r.working = new TTunerEditBox(this, prompt(), r.slider, m_procedure.maximum, kWorkingId + i,
                                      QString(), kWorkingX, y, layout.workingWidth, kRowHeight, kTextLimit);
        r.working->setMinimum(m_procedure.minimum);
        r.working->setFont(m_controlFont);
        r.working->setAlignment(Qt::AlignRight);
        r.upDown = new TUpDown(this, kUpDownId + i);
        r.upDown->attachTo(r.working);
        r.upDown->setRange(m_procedure.minimum, m_procedure.maximum);
        r.upDown->setFont(m_controlFont);

        connect(r.slider, &QAbstractSlider::actionTriggered, this,
                [this, i](int action) { sliderAction(i, action); });
        connect(r.slider, &QAbstractSlider::sliderReleased, this, [this, i] { sliderReleased(i); });
        connect(r.upDown, &TUpDown::endScroll, this, [this, i] { valueAction(i); });
        connect(r.working, &TTunerEditBox::notify, this, [this, i](int, int code) {
            if (code == TTunerEditBox::kAccepted)
                valueAction(i);
        });
    }

    if (m_procedure.keys) {
        m_ptt = new QPushButton(pttGlyph(), QStringLiteral("PTT Toggle"), this);
        m_ptt->setGeometry(QRect(QPoint(kPttX, layout.buttonY), kButtonSize));
        m_ptt->setObjectName(QStringLiteral("button%1").arg(kPttId));
        m_ptt->setFont(m_controlFont);
        connect(m_ptt, &QPushButton::clicked, this, &TTuningScreen::togglePtt);
    }
    m_program =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Program"), this);
    m_program->setGeometry(QRect(QPoint(m_procedure.keys ? kProgramX : kPttX, layout.buttonY), kButtonSize));
    m_program->setObjectName(QStringLiteral("button%1").arg(kProgramId));
    m_program->setFont(m_controlFont);
    connect(m_program, &QPushButton::clicked, this, &TTuningScreen::program);

    m_status = staticBox(this, layout.status, QStringLiteral("status%1").arg(layout.statusId));
    m_status->setFont(m_controlFont);
    setStatus(QString::fromLatin1(kDekeyedText));

    m_note = new QLabel(QString::fromStdString(m_procedure.note), this);
    m_note->setGeometry(QRect(QPoint(kNoteX, layout.noteY), kNoteSize));
    m_note->setFont(m_labelFont);
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
    return QWidget::event(event);
}

// --- Points -----------------------------------------------------------------------------------------------

std::uint16_t TTuningScreen::ownChannel(int point) const {
    return RF_Frequency::channelAt(record(), m_procedure.receiveSide, point);
}

void TTuningScreen::assignPoints() {
    const radioStorage& r = record();
    const bool rx = m_procedure.receiveSide;
    if (m_procedure.layout.kind == screenLayoutKind::SevenPoint) {
        for (int i = 0; i < rowCount(); ++i) {
            m_rows[size_t(i)].point = i + 1;
            m_rows[size_t(i)].column = m_procedure.firstColumn + i;
        }
    } else {
        int point = 0;
        switch (m_procedure.point) {
            case singlePoint::Lowest:
                point = rx ? m_frequency.lowestRxPoint(r) : m_frequency.lowestTxPoint(r);
                break;
            case singlePoint::Middle:
                point = rx ? m_frequency.middleRxPoint(r) : m_frequency.middleTxPoint(r);
                break;
            case singlePoint::Highest:
                point = rx ? m_frequency.highestRxPoint(r) : m_frequency.highestTxPoint(r);
                break;
        }
        m_rows[0].point = point;
        m_rows[0].column = m_procedure.firstColumn;
    }
    const auto base = static_cast<std::uint32_t>(r.getValue(row::Frequency, col::FrequencyBase));
    for (Row& row : m_rows) {
        const std::uint16_t channel = ownChannel(row.point);
        row.supported = row.point != 0 && channel != 0;
        row.frequencyMhz = row.supported ? m_frequency.pointFrequency(base, channel) : 0.0;
    }
}

int TTuningScreen::firstSupportedRow() const {
    for (int i = 0; i < rowCount(); ++i) {
        if (m_rows[size_t(i)].supported)
            return i;
    }
    return 0;
}

void TTuningScreen::selectChannels(int row, EnhancedSBEP& link) {
    const int point = m_rows[size_t(row)].point;
    const radioStorage& r = record();
    // Transmit procedures pair the point's transmit channel with a receive channel, receive procedures
    // the other way round; the transmit channel always goes first.
    const bool rx = m_procedure.receiveSide;
    const std::uint16_t tx =
        rx ? m_frequency.channelFor(r, false, point) : RF_Frequency::channelAt(r, false, point);
    const std::uint16_t rxc =
        rx ? RF_Frequency::channelAt(r, true, point) : m_frequency.channelFor(r, true, point);
    if ((rx ? rxc : tx) == 0)
        return;
    link.setChannelPair(tx, kChannelMode, rxc, kChannelMode);
}

void TTuningScreen::prepare(int row) {
    selectChannels(row, link());
    const double mhz = m_rows[size_t(row)].frequencyMhz;
    m_keyedText = QString::asprintf(kKeyedFormat, mhz);
    if (!m_procedure.preparedStatus.empty())
        setStatus(withFrequency(m_procedure.preparedStatus, mhz));
}

// --- Display ----------------------------------------------------------------------------------------------

void TTuningScreen::fillDisplay() {
    assignPoints();
    for (Row& r : m_rows) {
        const int value = record().getValue(m_procedure.row, r.column);
        const QString text = QString::number(value);
        r.working->setText(text);
        r.defaultBox->setText(text);
        r.upDown->setRange(m_procedure.minimum, m_procedure.maximum);
        if (r.supported) {
            r.upDown->setPosition(value);
        } else {
            r.working->clear();
            r.defaultBox->clear();
        }
        r.slider->setRange(m_procedure.minimum, m_procedure.maximum);
        r.slider->setValue(value);
        r.lastValue = -1;
        r.prepared = false;
        r.slider->setEnabled(r.supported);
        r.working->setEnabled(r.supported);
        r.upDown->setEnabled(r.supported);
        r.frequencyBox->setText(r.supported ? QString::asprintf("%f", r.frequencyMhz)
                                            : QString::fromLatin1(kUnsupportedText));
    }
    // The current point is the first supported one, and its value goes with it: keying at F2 must not
    // send the value of an unused F1.
    m_currentRow = firstSupportedRow();
    m_currentValue = record().getValue(m_procedure.row, m_rows[size_t(m_currentRow)].column);
    const bool any = std::any_of(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.supported; });
    if (m_ptt)
        m_ptt->setEnabled(any);
    m_keyedText = QString::asprintf(kKeyedFormat, m_rows[size_t(m_currentRow)].frequencyMhz);
    m_displayReady = true;
}

void TTuningScreen::setStatus(const QString& text) {
    m_status->setText(text);
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, m_keyed ? kKeyedText : kStaticText);
    m_status->setPalette(palette);
}

void TTuningScreen::storeValue(int row, int value) {
    record().setValue(m_procedure.row, m_rows[size_t(row)].column, value);
    m_rows[size_t(row)].defaultBox->setText(QString::number(value));
}

// --- Connection, serial number, failures
// --------------------------------------------------------------------

bool TTuningScreen::openConnection() {
    if (!m_connection.open())
        return false;
    m_reachedPort = true;
    return true;
}

void TTuningScreen::closeConnection() {
    m_connection.close();
    // A point's channel counts as set only within the connection that set it.
    for (Row& r : m_rows) r.prepared = false;
}

bool TTuningScreen::serialMatches() {
    return m_environment.operations->serialMatches(record(), link());
}

void TTuningScreen::mismatchDialog() {
    closeConnection();
    if (prompt().show(m_procedure.mismatch, kWarningCaption, PromptIcon::Information,
                      PromptButtons::OkCancel) != PromptAnswer::Ok)
        return;
    if (!m_environment.readRadio)
        return;
    m_environment.readRadio();
    if (m_displayReady)
        refreshAfterRead();
}

void TTuningScreen::refreshAfterRead() {
    // The read ends with a reset: the radio is dekeyed and out of test mode. The screen starts over on
    // the radio now connected, as if just opened.
    setDekeyed();
    fillDisplay();
    if (!openConnection())
        return;
    try {
        setupRadio(link());
    } catch (const Exception&) {
        showLinkError();
    }
    closeConnection();
}

void TTuningScreen::showLinkError() {
    prompt().show(kLinkErrorText, kErrorCaption, PromptIcon::Exclamation);
}

void TTuningScreen::setDekeyed() {
    m_keyed = false;
    setStatus(QString::fromLatin1(kDekeyedText));
}

void TTuningScreen::failAction() {
    // A transmitter that is or may be keyed is dekeyed before anything else, above all before a message
    // that may stay on the screen for minutes.
    if ((m_keyed || m_keyUpSent) && m_connection.isOpen()) {
        try {
            link().dekey();
            setDekeyed();
        } catch (const Exception&) {
            // Its state is unknown: keep it marked keyed, so PTT Toggle and closing dekey it.
            m_keyed = true;
        }
    }
    m_keyUpSent = false;
    showLinkError();
    closeConnection();
}

void TTuningScreen::dekeyIfKeyedElsewhere(int row) {
    if (m_keyed && m_keyedRow != row) {
        link().dekey();
        setDekeyed();
    }
}

// --- Opening and closing
// ------------------------------------------------------------------------------------

bool TTuningScreen::open() {
    ActionScope scope(*this);
    int& code = *m_environment.openScreenCode;
    m_connection.close();
    m_displayReady = false;
    assignPoints();
    m_currentRow = firstSupportedRow();

    if (!openConnection()) {
        code = 0;
        fillDisplay();
        return false;
    }
    try {
        if (serialMatches())
            closeConnection();
        else
            mismatchDialog();
    } catch (const Exception&) {
        showLinkError();
        closeConnection();
        code = 0;
    }
    if (code != 0) {
        if (!openConnection()) {
            code = 0;
        } else {
            try {
                setupRadio(link());
            } catch (const Exception&) {
                showLinkError();
                code = 0;
            }
            closeConnection();
        }
    }
    fillDisplay();
    return code != 0;
}

void TTuningScreen::setupRadio(EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->setupTest(record(), link);
    if (m_procedure.layout.kind == screenLayoutKind::SingleValue) {
        selectChannels(0, link);
        return;
    }
    // Seven-point screens start at F1, or at the first used point of their side.
    const radioStorage& r = record();
    const bool rx = m_procedure.receiveSide;
    const std::uint16_t tx = rx ? RF_Frequency::channelAt(r, false, 1) : m_frequency.channelFor(r, false, 1);
    const std::uint16_t rxc = m_frequency.channelFor(r, true, 1);
    if ((rx ? rxc : tx) != 0)
        link.setChannelPair(tx, kChannelMode, rxc, kChannelMode);
}

void TTuningScreen::closeEvent(QCloseEvent* event) {
    // A radio exchange is running below us (the window system asked to close while the link waited):
    // close once it is over.
    if (m_actionDepth > 0) {
        m_closeRequested = true;
        event->ignore();
        return;
    }
    closingSequence();
    QWidget::closeEvent(event);
}

void TTuningScreen::closingSequence() {
    if (m_closed)
        return;
    m_closed = true;
    *m_environment.openScreenCode = 0;
    // A screen that never got hold of the port has sent nothing there is to undo.
    if (!m_reachedPort)
        return;
    if (!m_connection.open())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        if (m_procedure.keys) {
            m_connection.link().dekey();
            m_keyed = false;
        }
        m_connection.link().resetRadio();
    } catch (const Exception&) {
        // Closing goes on whatever the radio says.
    }
    m_connection.close();
    QApplication::restoreOverrideCursor();
}

// --- Point actions
// ------------------------------------------------------------------------------------------

void TTuningScreen::sliderAction(int row, int action) {
    Row& r = m_rows[size_t(row)];
    if (!r.supported)
        return;
    const int value = r.slider->sliderPosition();
    // Only a drag with the mouse keeps its connection; a wheel turn is one step like a key.
    const bool drag = action == QAbstractSlider::SliderMove && r.slider->isSliderDown();
    ActionScope scope(*this);
    if (!openConnection())
        return;
    m_currentRow = row;
    m_currentValue = value;
    try {
        dekeyIfKeyedElsewhere(row);
        if (!r.prepared) {
            if (!serialMatches()) {
                mismatchDialog();
                return;
            }
            if (!m_keyed)
                prepare(row);
            r.prepared = true;
        }
        if (sendsLive())
            writeLive(value, link());
    } catch (const Exception&) {
        m_connection.markClosePending();
        failAction();
        return;
    }
    r.upDown->setPosition(value);
    if (!drag) {
        r.lastValue = value;
        closeConnection();
    } else if (value == r.lastValue) {
        m_connection.markClosePending();
    } else {
        r.lastValue = value;
    }
}

void TTuningScreen::sliderReleased(int row) {
    // The drag is over: its connection goes, pending or not, so the port is never left open.
    if (m_actionDepth == 0 && m_connection.isOpen())
        closeConnection();
    m_rows[size_t(row)].prepared = false;
    m_rows[size_t(row)].lastValue = -1;
}

void TTuningScreen::valueAction(int row) {
    Row& r = m_rows[size_t(row)];
    if (!r.supported)
        return;
    ActionScope scope(*this);
    if (!openConnection())
        return;
    const int value = r.upDown->position();
    r.slider->setValue(value);
    m_currentRow = row;
    m_currentValue = value;
    try {
        dekeyIfKeyedElsewhere(row);
        if (!serialMatches()) {
            mismatchDialog();
            return;
        }
        if (!m_keyed)
            prepare(row);
        if (sendsLive())
            writeLive(value, link());
    } catch (const Exception&) {
        failAction();
        return;
    }
    closeConnection();
}

void TTuningScreen::togglePtt() {
    ActionScope scope(*this);
    if (!openConnection())
        return;
    try {
        if (m_keyed) {
            link().dekey();
            setDekeyed();
        } else {
            m_keyedRow = m_currentRow;
            m_keyUpSent = true;
            link().keyUp();
            m_keyed = true;
            setStatus(m_keyedText);
            writeLive(m_currentValue, link());
            m_keyUpSent = false;
        }
    } catch (const Exception&) {
        failAction();
        return;
    }
    closeConnection();
}

bool TTuningScreen::sendsLive() const {
    // Screens that never key send every value at once; the others only while the radio is keyed.
    return m_keyed || !m_procedure.keys;
}

void TTuningScreen::writeLive(int value, EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->setLive(static_cast<std::uint32_t>(value), link);
}

// --- Program
// ------------------------------------------------------------------------------------------------

void TTuningScreen::program() {
    ActionScope scope(*this);
    if (!openConnection())
        return;
    try {
        if (!serialMatches()) {
            mismatchDialog();
            return;
        }
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
    try {
        if (m_keyed) {
            link().dekey();
            setDekeyed();
        }
        for (int i = 0; i < rowCount(); ++i) {
            const Row& r = m_rows[size_t(i)];
            const QString text = r.working->text().left(kTextLimit);
            const int value = TTunerEditBox::leadingValue(text, kTextLimit);
            if (!r.supported)
                continue;
            if (text.isEmpty()) {
                prompt().show(m_procedure.emptyValue, m_procedure.emptyValueCaption, PromptIcon::Information);
                closeConnection();
                return;
            }
            if (value < m_procedure.minimum || value > m_procedure.maximum) {
                prompt().show(m_procedure.illegalValue, kErrorCaption, PromptIcon::Exclamation);
                closeConnection();
                return;
            }
            selectChannels(i, link());
            programPoint(i, value, link());
        }
        if (m_rows[size_t(m_currentRow)].supported)
            prepare(m_currentRow);
    } catch (const Exception&) {
        failAction();
        return;
    }
    closeConnection();
}

TTuningScreen::ProgramOutcome TTuningScreen::programPoint(int row, int value, EnhancedSBEP& link) {
    if (m_dataSet)
        m_dataSet->program(static_cast<std::uint32_t>(value), link);
    storeValue(row, value);
    return ProgramOutcome::Stored;
}

std::string TTuningScreen::refusedText(int point, bool) const {
    return withNumber(m_procedure.refusedValue, point).toStdString();
}

void TTuningScreen::showRefused(int point, bool ownRule) {
    prompt().show(refusedText(point, ownRule), kErrorCaption, PromptIcon::Exclamation);
}

}  // namespace vantrel

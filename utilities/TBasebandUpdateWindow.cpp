// Update Baseband Offset.
#include "utilities/TBasebandUpdateWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <utility>

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "operations/UserPrompt.h"
#include "operations/basebandOffsets.h"
#include "operations/bboConfigFileModule.h"
#include "operations/procedureCatalogue.h"
#include "operations/radioOperations.h"
#include "radio/ModelTable.h"
#include "radio/radioStorage.h"
#include "screens/tuningConnection.h"

namespace vantrel {

namespace {

constexpr int kRowPitch = 40;
constexpr int kFirstRowTop = 40;  ///< top of the first row's list and value box
constexpr int kModelCharDistance = 8;

struct SystemName {
    char modelChar;
    const char* text;
};
constexpr SystemName kSystems[] = {
    {'A', "Primary system = Conventional"}, {'B', "Primary system = Corvane"},
    {'K', "Primary system = MPT"},          {'N', "Primary system = Tone Signalling"},
    {'P', "Primary system = Passport"},     {'U', "Primary system = LTR"},
    {'W', "Primary system = 5T Prime"},
};

QString rowName(const BboRow& row) {
    return QString::fromLatin1(row.name, static_cast<qsizetype>(qstrnlen(row.name, sizeof row.name)));
}

}  // namespace

QString TBasebandUpdateWindow::primarySystemText(char modelChar) {
    for (const SystemName& s : kSystems)
        if (s.modelChar == modelChar)
            return QString::fromLatin1(s.text);
    return QStringLiteral("Primary system = Others");
}

TBasebandUpdateWindow::TBasebandUpdateWindow(const screenEnvironment& environment)
    : TUtilityWindow(environment, kCode, QString::fromLatin1(catalogueTitle("bbo-update")),
                     QSize(625, std::min<int>(static_cast<int>(environment.record->getBboRows().size()),
                                              bboCode::MaxRows) *
                                        kRowPitch +
                                    150)),
      m_connection(std::make_unique<tuningConnection>(*environment.prompt)),
      m_offsets(std::make_unique<basebandOffsets>(*environment.record)) {
    auto* group = new QGroupBox(QStringLiteral("Channel Spacing"), this);
    group->setFont(m_labelFont);
    const char* spacings[] = {"12.5 kHz Channel Spacing", "20 kHz Channel Spacing", "25 kHz Channel Spacing"};
    int buttonWidth = 170;
    for (int s = 0; s < bboCode::Spacings; ++s) {
        auto* button = new QRadioButton(QString::fromLatin1(spacings[s]), this);
        button->setObjectName(QStringLiteral("button%1").arg(kFirstSpacingId + s));
        button->setFont(m_labelFont);
        // The face standing in for the classic serif is wider: the buttons take the room their text
        // needs, and the frame around them grows with them.
        buttonWidth = std::max(buttonWidth, button->sizeHint().width());
        connect(button, &QRadioButton::clicked, this, [this, s] { showSpacing(s); });
        m_spacing.push_back(button);
    }
    for (int s = 0; s < bboCode::Spacings; ++s)
        m_spacing[static_cast<std::size_t>(s)]->setGeometry(30, 40 + 25 * s, buttonWidth, 20);
    group->setGeometry(20, 20, std::max(200, buttonWidth + 20), 100);
    const radioStorage& r = record();
    const std::size_t off = static_cast<std::size_t>(bboConfigFileModule::modelOffset(r));
    const std::string model = r.modelNoBytes();
    const bool portable = model[off] == activeModelTable().formPortable;
    addLabel(portable ? QStringLiteral("Radio Type = Portable") : QStringLiteral("Radio Type = Mobile"),
             QRect(20, 135, 200, 20));
    QLabel* system = addLabel(primarySystemText(model[off + kModelCharDistance]), QRect(20, 155, 300, 20));
    // The box would reach under the row names; the text itself stays left of them.
    system->resize(std::min(system->width(), system->sizeHint().width()), system->height());
    // The headers sit above their columns, wide enough for their text and clear of the first row.
    for (const auto& [text, x] : {std::pair{"New value", 410}, std::pair{"Default Value", 520}}) {
        QLabel* header = addLabel(QString::fromLatin1(text), QRect(x, 25, 80, 20));
        const QSize hint = header->sizeHint();
        header->setGeometry(x, std::min(25, kFirstRowTop - 1 - hint.height()), std::max(80, hint.width()),
                            hint.height());
    }

    const std::vector<BboRow>& rows = r.getBboRows();
    const int count = m_offsets->rowCount();
    for (int i = 0; i < count; ++i) {
        addLabel(rowName(rows[static_cast<std::size_t>(i)]), QRect(240, 42 + kRowPitch * i, 165, 20));
        auto* list = new QComboBox(this);
        list->setObjectName(QStringLiteral("list%1").arg(kFirstListId + i));
        list->setGeometry(410, kFirstRowTop + kRowPitch * i, 80, 22);
        list->setFont(m_controlFont);
        for (int code : bboCode::listOrder()) list->addItem(QString::fromStdString(bboCode::text(code)));
        list->setCurrentIndex(-1);
        connect(list, &QComboBox::activated, this, [this, i, list](int) { choose(i, list->currentText()); });
        m_lists.push_back(list);
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("edit%1").arg(kFirstDefaultId + i));
        box->setGeometry(520, kFirstRowTop + kRowPitch * i, 70, 23);
        box->setReadOnly(true);
        box->setFont(m_controlFont);
        m_defaults.push_back(box);
    }
    m_update =
        addButton(QStringLiteral("Update"), kUpdateId, QRect(400, count * kRowPitch + 70, 100, 30), true);
    connect(m_update, &QPushButton::clicked, this, &TBasebandUpdateWindow::update);
    m_configFile = addLabel(QString(), QRect(20, count * kRowPitch + 110, 585, 34));
    m_configFile->setObjectName(QStringLiteral("configurationFile"));
    m_configFile->setWordWrap(true);
    m_configFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_configFile->hide();
}

void TBasebandUpdateWindow::setConfigurationFile(const QString& path) {
    m_configFile->setText(path.isEmpty() ? QString() : QStringLiteral("Configuration file: %1").arg(path));
    m_configFile->setToolTip(path);
    m_configFile->setVisible(!path.isEmpty());
}

QString TBasebandUpdateWindow::configurationFileText() const {
    return m_configFile->text();
}

TBasebandUpdateWindow::~TBasebandUpdateWindow() = default;

TBasebandUpdateWindow::SerialCheck TBasebandUpdateWindow::checkSerial() {
    if (environment().operations->serialMatches(record(), m_connection->link()))
        return SerialCheck::Matches;
    m_connection->close();
    // The window's offsets belong to the radio that was read: they must not reach the one connected now.
    const bool read = prompt().show(kMismatchText, kWarningCaption, PromptIcon::Information,
                                    PromptButtons::OkCancel) == PromptAnswer::Ok;
    if (!read)
        return SerialCheck::OtherRadioDeclined;
    if (environment().readRadio)
        environment().readRadio();
    return SerialCheck::OtherRadioRead;
}

bool TBasebandUpdateWindow::open() {
    ActionScope action(*this);
    if (!m_connection->open()) {
        refuse();
        return false;
    }
    try {
        if (m_offsets->fromRadio()) {
            if (checkSerial() != SerialCheck::Matches) {
                refuse();
                return false;
            }
            m_offsets->load(m_connection->link());
        } else if (!m_offsets->load(m_connection->link())) {
            m_connection->close();
            show(kInitFailedText, kInitFailedCaption, true);
            refuse();
            return false;
        }
    } catch (const Exception&) {
        m_connection->close();
        showLinkError();
        refuse();
        return false;
    }
    m_connection->close();
    m_spacing[0]->setChecked(true);
    showSpacing(0);
    if (!m_offsets->readChecksum())
        showLinkError();
    return true;
}

void TBasebandUpdateWindow::showSpacing(int spacing) {
    if (spacing == m_shown || spacing < 0 || spacing >= bboCode::Spacings)
        return;
    m_shown = spacing;
    m_spacing[static_cast<std::size_t>(spacing)]->setChecked(true);
    redisplay();
}

void TBasebandUpdateWindow::redisplay() {
    for (int i = 0; i < rowCount(); ++i) {
        m_defaults[static_cast<std::size_t>(i)]->setText(
            QString::fromStdString(bboCode::text(m_offsets->defaultCode(m_shown, i))));
        const QString fresh = QString::fromStdString(bboCode::text(m_offsets->newCode(m_shown, i)));
        m_lists[static_cast<std::size_t>(i)]->setCurrentIndex(
            m_lists[static_cast<std::size_t>(i)]->findText(fresh));
    }
}

void TBasebandUpdateWindow::choose(int row, const QString& text) {
    if (m_shown < 0 || row < 0 || row >= rowCount())
        return;
    const int code = bboCode::fromText(text.toStdString());
    if (code == bboCode::None) {
        // A text that is no offset changes nothing: the list shows the value it had.
        redisplay();
        return;
    }
    if (!m_offsets->choose(m_shown, row, code))
        show(kEntryErrorText, kErrorCaption, true);
}

void TBasebandUpdateWindow::update() {
    ActionScope action(*this);
    if (!m_offsets->fromRadio() && m_offsets->entryError() &&
        prompt().show(kUpdateAnywayText, kUpdateAnywayCaption, PromptIcon::Question,
                      PromptButtons::OkCancel) != PromptAnswer::Ok)
        return;
    if (!m_connection->open())
        return;
    basebandOffsets::UpdateResult result = basebandOffsets::UpdateResult::Failed;
    try {
        switch (checkSerial()) {
            case SerialCheck::Matches:
                break;
            case SerialCheck::OtherRadioDeclined:
                // Nothing was written; the choices stay for the radio the window was opened for.
                return;
            case SerialCheck::OtherRadioRead:
                // The record now holds the other radio: these offsets must not reach it.
                closeLater();
                return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        result = m_offsets->update(m_connection->link());
        QApplication::restoreOverrideCursor();
    } catch (const Exception&) {
        // Only the serial number check throws; the update catches its own failures.
    }
    m_connection->close();
    if (result == basebandOffsets::UpdateResult::Updated) {
        show(m_offsets->fromRadio() ? kUpdatedRadioText : kUpdatedTableText, kNoteCaption, false);
        redisplay();
    } else {
        showLinkError();
    }
}

}  // namespace vantrel

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
#include <cstdlib>
#include <utility>

#include "operations/basebandOffsets.h"
#include "operations/bboConfigFileModule.h"
#include "operations/utilityPieces.h"
#include "radio/ModelTable.h"
#include "radio/radioStorage.h"
#include "utilities/utilityLayout.h"

namespace vantrel {

namespace {

constexpr int kRowPitch = 40;
constexpr int kFirstRowTop = 40;  ///< top of the first row's list and value box
constexpr int kModelCharDistance = 8;
constexpr int kWidth = 625;
constexpr int kHeightBesideRows = 150;

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

/// The value of a read-out of the state; empty when it has none of that name.
std::string readout(const sessionState& state, const std::string& name) {
    for (const auto& [key, value] : state.readouts)
        if (key == name)
            return value;
    return {};
}

}  // namespace

QString TBasebandUpdateWindow::primarySystemText(char modelChar) {
    for (const SystemName& s : kSystems)
        if (s.modelChar == modelChar)
            return QString::fromLatin1(s.text);
    return QStringLiteral("Primary system = Others");
}

TBasebandUpdateWindow::TBasebandUpdateWindow(const screenEnvironment& environment)
    : TScreenSession(environment, "bbo-update") {
    utilityLayout::setSize(this, QSize(kWidth, kHeightBesideRows));
    auto* group = new QGroupBox(QStringLiteral("Channel Spacing"), this);
    group->setFont(utilityLayout::labelFont());
    const char* spacings[] = {"12.5 kHz Channel Spacing", "20 kHz Channel Spacing", "25 kHz Channel Spacing"};
    int buttonWidth = 170;
    for (int s = 0; s < bboCode::Spacings; ++s) {
        auto* button = new QRadioButton(QString::fromLatin1(spacings[s]), this);
        button->setObjectName(QStringLiteral("button%1").arg(kFirstSpacingId + s));
        button->setFont(utilityLayout::labelFont());
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
    utilityLayout::addLabel(
        this, portable ? QStringLiteral("Radio Type = Portable") : QStringLiteral("Radio Type = Mobile"),
        QRect(20, 135, 200, 20));
    QLabel* system = utilityLayout::addLabel(this, primarySystemText(model[off + kModelCharDistance]),
                                             QRect(20, 155, 300, 20));
    // The box would reach under the row names; the text itself stays left of them.
    system->resize(std::min(system->width(), system->sizeHint().width()), system->height());
    // The headers sit above their columns, wide enough for their text and clear of the first row.
    for (const auto& [text, x] : {std::pair{"New value", 410}, std::pair{"Default Value", 520}}) {
        QLabel* header = utilityLayout::addLabel(this, QString::fromLatin1(text), QRect(x, 25, 80, 20));
        const QSize hint = header->sizeHint();
        header->setGeometry(x, std::min(25, kFirstRowTop - 1 - hint.height()), std::max(80, hint.width()),
                            hint.height());
    }
}

const basebandPiece& TBasebandUpdateWindow::piece() const {
    return static_cast<const basebandPiece&>(session().piece());
}

const basebandOffsets& TBasebandUpdateWindow::offsets() const {
    return *piece().offsets();
}

QString TBasebandUpdateWindow::configurationFileText() const {
    return m_configFile ? m_configFile->text() : QString();
}

void TBasebandUpdateWindow::buildRows(const sessionState& state) {
    const int count = std::min<int>(static_cast<int>(state.rows.size()), bboCode::MaxRows);
    utilityLayout::setSize(this, QSize(kWidth, count * kRowPitch + kHeightBesideRows));
    for (int i = 0; i < count; ++i) {
        const BboRow& row = record().getBboRows()[size_t(i)];
        QLabel* name = utilityLayout::addLabel(
            this, QString::fromLatin1(row.name, static_cast<qsizetype>(qstrnlen(row.name, sizeof row.name))),
            QRect(240, 42 + kRowPitch * i, 165, 20));
        name->show();
        auto* list = new QComboBox(this);
        list->setObjectName(QStringLiteral("list%1").arg(kFirstListId + i));
        list->setGeometry(410, kFirstRowTop + kRowPitch * i, 80, 22);
        list->setFont(utilityLayout::controlFont());
        for (int code : bboCode::listOrder()) list->addItem(QString::fromStdString(bboCode::text(code)));
        list->setCurrentIndex(-1);
        connect(list, &QComboBox::activated, this, [this, i, list](int) { choose(i, list->currentText()); });
        list->show();
        m_lists.push_back(list);
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("edit%1").arg(kFirstDefaultId + i));
        box->setGeometry(520, kFirstRowTop + kRowPitch * i, 70, 23);
        box->setReadOnly(true);
        box->setFont(utilityLayout::controlFont());
        box->show();
        m_defaults.push_back(box);
    }
    m_update = utilityLayout::addButton(this, QStringLiteral("Update"), kUpdateId,
                                        QRect(400, count * kRowPitch + 70, 100, 30), true);
    connect(m_update, &QPushButton::clicked, this, &TBasebandUpdateWindow::update);
    m_update->show();
    m_configFile = utilityLayout::addLabel(this, QString(), QRect(20, count * kRowPitch + 110, 585, 34));
    m_configFile->setObjectName(QStringLiteral("configurationFile"));
    m_configFile->setWordWrap(true);
    m_configFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QString path = QString::fromStdString(piece().configurationFile());
    m_configFile->setText(path.isEmpty() ? QString() : QStringLiteral("Configuration file: %1").arg(path));
    m_configFile->setToolTip(path);
    m_configFile->setVisible(!path.isEmpty());
}

void TBasebandUpdateWindow::render(const sessionState& state) {
    // The rows are known once the opening read the offsets.
    if (!state.open || !piece().offsets())
        return;
    if (!m_update)
        buildRows(state);
    m_shown = std::atoi(readout(state, "spacing").c_str());
    m_spacing[static_cast<std::size_t>(m_shown)]->setChecked(true);
    for (int i = 0; i < rowCount(); ++i) {
        m_defaults[size_t(i)]->setText(
            QString::fromStdString(readout(state, "default " + std::to_string(i + 1))));
        QComboBox* list = m_lists[size_t(i)];
        list->setCurrentIndex(list->findText(QString::fromStdString(state.rows[size_t(i)].entry)));
    }
}

void TBasebandUpdateWindow::showSpacing(int spacing) {
    if (spacing == m_shown || spacing < 0 || spacing >= bboCode::Spacings)
        return;
    actionRequest shown;
    shown.value = spacing;
    drive([&](tuningSession& session) { return session.act(sessionAction::Spacing, shown); });
}

void TBasebandUpdateWindow::choose(int row, const QString& text) {
    if (m_shown < 0 || row < 0 || row >= rowCount())
        return;
    actionRequest choice;
    choice.row = row;
    choice.text = text.toStdString();
    // A text that is no offset changes nothing: the redraw after the action shows the value the list had.
    drive([&](tuningSession& session) { return session.act(sessionAction::Reading, choice); });
}

void TBasebandUpdateWindow::update() {
    // The table and the codeplug checksum take a while on a table radio: the wait cursor stands until the
    // first question or message.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waitCursor = true;
    drive([&](tuningSession& session) { return session.act(sessionAction::Update, {}); });
    beforeModal();
}

void TBasebandUpdateWindow::beforeModal() {
    if (m_waitCursor)
        QApplication::restoreOverrideCursor();
    m_waitCursor = false;
}

}  // namespace vantrel

// The MDI client's command handlers: radio operations, archive, printing, dialogs and screens.
#include "app/TVantrelMDIClient.h"

#include <sys/stat.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QTemporaryFile>
#include <QTime>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/HistoryService.h"
#include "app/Pictures.h"
#include "app/ProcedureCatalogue.h"
#include "app/RecentFileList.h"
#include "app/TAlignWindow.h"
#include "app/TApxPreviewWin.h"
#include "app/TApxPrintout.h"
#include "app/TBenchDialog.h"
#include "app/TCommSetupDialog.h"
#include "app/TCompareWindow.h"
#include "app/THistorySettingsDialog.h"
#include "app/THistoryWindow.h"
#include "app/TRadioInfoDialog.h"
#include "app/TSplashWindow.h"
#include "app/TTunerNotifyDlg.h"
#include "app/TVantrelApp.h"
#include "app/TVantrelEditView.h"
#include "app/TVantrelFrame.h"
#include "app/TVantrelMDIChild.h"
#include "app/reportPlots.h"
#include "app/tunerSetupWindow.h"
#include "link/RF_CommunicationSetup.h"
#include "link/dataFiles.h"
#include "operations/operationFailure.h"
#include "operations/portInUseMessage.h"
#include "operations/procedureCatalogue.h"
#include "operations/radioProgramAll.h"
#include "operations/serviceHistory.h"
#include "operations/tuningReport.h"
#include "operations/utilityRules.h"
#include "radio/radiomodel.h"

namespace vantrel {

namespace {

QString qs(const char* text) {
    return QString::fromLatin1(text);
}

/// Wait cursor and the busy flag for the length of one radio operation.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : m_busy(busy) {
        m_busy = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyScope() { restore(); }
    void restore() {
        if (m_busy) {
            m_busy = false;
            QApplication::restoreOverrideCursor();
        }
    }

  private:
    bool& m_busy;
};

/// Read and write for everyone the process's file creation mask lets through.
QFileDevice::Permissions newFilePermissions() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = 0666 & ~mask;
    QFileDevice::Permissions p;
    if (mode & S_IRUSR)
        p |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (mode & S_IWUSR)
        p |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    if (mode & S_IRGRP)
        p |= QFileDevice::ReadGroup;
    if (mode & S_IWGRP)
        p |= QFileDevice::WriteGroup;
    if (mode & S_IROTH)
        p |= QFileDevice::ReadOther;
    if (mode & S_IWOTH)
        p |= QFileDevice::WriteOther;
    return p;
}

}  // namespace

TVantrelMDIClient::TVantrelMDIClient(TVantrelApp& app, QWidget* parent)
    : QMdiArea(parent), m_app(app), m_files(app.prompt()) {
    setObjectName(QStringLiteral("TVantrelMDIClient"));
    setBackground(QColor(0x5a, 0x6b, 0x7c));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

TVantrelMDIClient::~TVantrelMDIClient() {
    // Screens write into this client's flags and the app's code when they go: they must go first, and
    // nobody may be told about state changes of a client that is being torn down.
    blockSignals(true);
    for (QMdiSubWindow* child : subWindowList()) delete child;
}

ShellState TVantrelMDIClient::shellState() const {
    ShellState s;
    s.record = &m_record;
    s.radioRead = m_radioRead;
    s.archiveLoaded = m_archiveLoaded;
    s.tuningAllowed = m_tuningAllowed;
    s.openScreenCode = m_app.openScreenCode();
    return s;
}

void TVantrelMDIClient::setStatusLabel(QLabel* label) {
    m_statusLabel = label;
    setStatus(qs(kNoDataText));
}

QString TVantrelMDIClient::statusText() const {
    return m_statusLabel ? m_statusLabel->text() : QString();
}

void TVantrelMDIClient::setStatus(const QString& text) {
    if (m_statusLabel)
        m_statusLabel->setText(text);
}

void TVantrelMDIClient::addChild(TVantrelMDIChild* child) {
    addSubWindow(child);
    child->installEventFilter(this);
    child->show();
}

void TVantrelMDIClient::fitIntoArea(TVantrelMDIChild* child) {
    // Windows whose tables scroll are shrunk to the area rather than reaching past it, where their
    // lower half (the plot, the last rows) would only be seen by scrolling the whole area.
    const QSize room = viewport()->size();
    if (room.isEmpty())
        return;
    const QSize size = child->size().boundedTo(room);
    if (size != child->size())
        child->resize(size);
    const QPoint at(std::clamp(child->x(), 0, room.width() - size.width()),
                    std::clamp(child->y(), 0, room.height() - size.height()));
    if (at != child->pos())
        child->move(at);
}

bool TVantrelMDIClient::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && m_app.radioBusy()) {
        if (auto* child = qobject_cast<QMdiSubWindow*>(watched)) {
            event->ignore();
            QPointer<QMdiSubWindow> guard(child);
            m_app.whenRadioIdle([guard] {
                if (guard)
                    guard->close();
            });
            return true;
        }
    }
    return QMdiArea::eventFilter(watched, event);
}

// --- Window-open rule -----------------------------------------------------------------------------------

TVantrelMDIChild* TVantrelMDIClient::openWindow(int code, const QString& caption, bool applyTuningAllowed,
                                                const std::function<QWidget*()>& create) {
    int& openCode = m_app.openScreenCode();
    if (openCode != screenCode::None) {
        if (openCode != code) {
            m_app.prompt().show("Current window still open! Please close first!", " NOTE",
                                PromptIcon::Information);
        }
        return nullptr;
    }
    return frameWindow(create(), caption, applyTuningAllowed);
}

TVantrelMDIChild* TVantrelMDIClient::frameWindow(QWidget* window, const QString& caption,
                                                 bool applyTuningAllowed) {
    if (!window)
        return nullptr;
    int& openCode = m_app.openScreenCode();
    auto* child = new TVantrelMDIChild(this, caption, window);
    // When the screen goes (whoever closes it) its code is back to 0: the enablers must look again.
    connect(window, &QObject::destroyed, this, [this] { emit stateChanged(); });
    addChild(child);
    if (applyTuningAllowed && !m_tuningAllowed)
        openCode = screenCode::None;
    if (openCode == screenCode::None) {
        // The screen refused to open: closing it runs its closing sequence, and the frame goes with it.
        child->close();
        child = nullptr;
    }
    emit stateChanged();
    return child;
}

screenEnvironment TVantrelMDIClient::environmentFor(int commandId) {
    screenEnvironment e;
    e.parent = this;
    e.record = &m_record;
    e.openScreenCode = &m_app.openScreenCode();
    e.prompt = &m_app.prompt();
    e.programDirectory = m_app.programDirectory();
    e.operations = &m_readOperation;
    e.bboConfig = &m_bboConfig;
    // A screen asks for the read after a serial number mismatch, while its own code keeps the menu
    // command greyed: the handler runs directly, as the window's command message would.
    e.readRadio = [this] { cmReadRadio(cmd::ReadRadio); };
    // After such a read the screen asks whether its command still fits the radio now in the record; its
    // own open code is left out of the question.
    e.commandAvailable = [this](int id) {
        ShellState state = shellState();
        state.openScreenCode = screenCode::None;
        return isCommandEnabled(id, state);
    };
    e.identity = identityFor(commandId, m_record);
    return e;
}

TVantrelMDIChild* TVantrelMDIClient::openScreen(const screenEnvironment& environment,
                                                bool applyTuningAllowed) {
    const screenIdentity& id = environment.identity;
    return openWindow(id.code, id.childCaption, applyTuningAllowed,
                      [&]() -> QWidget* { return screenFactory().create(environment); });
}

void TVantrelMDIClient::cmOpenScreen(int commandId) {
    openScreen(environmentFor(commandId), true);
}

void TVantrelMDIClient::paBiasScreening(int commandId, const screenEnvironment& normal,
                                        const screenEnvironment& fallback) {
    // Blocked tuning, or another screen open: the questions would lead nowhere, and the screen built
    // between them would already talk to the radio.
    if (!m_tuningAllowed)
        return;
    int openCode = m_app.openScreenCode();
    if (openCode != screenCode::None) {
        if (openCode != normal.identity.code && openCode != fallback.identity.code) {
            m_app.prompt().show("Current window still open! Please close first!", " NOTE",
                                PromptIcon::Information);
        }
        return;
    }
    if (commandId == cmd::PaBiasHigh && m_record.hasMobileProcedures()) {
        openScreen(normal, true);
        return;
    }
    UserPrompt& prompt = m_app.prompt();
    if (prompt.show("PCIC SCREENING\n\nSet Supply Voltage to 6V", "WARNING", PromptIcon::Information,
                    PromptButtons::OkCancel) != PromptAnswer::Ok)
        return;
    // The normal screen puts the radio into its test mode: the current at 6 V is read in that state.
    std::unique_ptr<QWidget> screen(screenFactory().create(normal));
    if (!screen)
        return;
    if (openCode = m_app.openScreenCode(); openCode == screenCode::None) {
        // It refused to open and has said why.
        screen->close();
        return;
    }
    if (prompt.show("Is Current Drawn of the Radio > 100mA?", "WARNING", PromptIcon::Information,
                    PromptButtons::YesNo) == PromptAnswer::Yes) {
        // The normal screen goes (dekey, reset) before the default one is made.
        screen->close();
        screen.reset();
        openScreen(fallback, true);
        m_app.showHelp(helpContext::PaBiasDefault);
        return;
    }
    prompt.show("You are clear to proceed for PA Bias Tuning.\nPlease Set Supply Voltage to 7.5V", "NOTE",
                PromptIcon::Information);
    frameWindow(screen.release(), normal.identity.childCaption, true);
}

void TVantrelMDIClient::cmPaBiasHigh(int commandId) {
    screenEnvironment normal = environmentFor(commandId);
    screenEnvironment fallback = normal;
    fallback.identity.defaultVariant = true;
    if (const catalogueEntry* variant = catalogueVariantOf(commandId)) {
        fallback.identity.code = variant->code;
        fallback.identity.title = QString::fromLatin1(variant->title);
        fallback.identity.childCaption = QString::fromLatin1(variant->childCaption());
    }
    paBiasScreening(commandId, normal, fallback);
}

void TVantrelMDIClient::cmPaBiasLow(int commandId) {
    screenEnvironment normal = environmentFor(commandId);
    screenEnvironment fallback = normal;
    fallback.identity.defaultVariant = true;
    if (const catalogueEntry* variant = catalogueVariantOf(commandId)) {
        fallback.identity.code = variant->code;
        fallback.identity.title = QString::fromLatin1(variant->title);
        fallback.identity.childCaption = QString::fromLatin1(variant->childCaption());
    }
    paBiasScreening(commandId, normal, fallback);
}

void TVantrelMDIClient::cmProgramSerialNo(int commandId) {
    if (!serialRule::blank(m_record.serialNoBytes())) {
        m_app.prompt().show(serialRule::NotBlankText, serialRule::NotBlankCaption, PromptIcon::Information);
        return;
    }
    openScreen(environmentFor(commandId), false);
}

void TVantrelMDIClient::cmBasebandOffset(int commandId) {
    openScreen(environmentFor(commandId), false);
}

void TVantrelMDIClient::cmTempComp(int commandId) {
    const bool reading = commandId == cmd::TempCompRead;
    const int code = reading ? screenCode::TempCompRead : screenCode::TempCompWrite;
    int& openCode = m_app.openScreenCode();
    if (openCode != screenCode::None) {
        if (openCode != code) {
            m_app.prompt().show(reading ? "Please close all windows before reading Temp Comp data"
                                        : "Please close all windows before writing Temp Comp data",
                                "NOTE", PromptIcon::Information);
        }
        return;
    }
    // This command publishes the code itself, before the screen exists.
    openCode = code;
    const screenEnvironment environment = environmentFor(commandId);
    QWidget* screen = screenFactory().create(environment);
    if (!screen) {
        // No screen came: the code must not stay behind, or every other command would be locked out.
        openCode = screenCode::None;
        emit stateChanged();
        return;
    }
    auto* child = new TVantrelMDIChild(this, environment.identity.childCaption, screen);
    connect(screen, &QObject::destroyed, this, [this] { emit stateChanged(); });
    addChild(child);
    // A screen that could not read its data gave the code back: it goes again at once.
    if (openCode == screenCode::None)
        delete child;
    emit stateChanged();
}

void TVantrelMDIClient::cmSetupPicture(int commandId) {
    const bool portable = commandId == cmd::PortableSetup;
    const int code = portable ? screenCode::PortableSetup : screenCode::MobileSetup;
    const QString bitmap =
        m_app.dataFilePath(portable ? pictureFile::PortableSetup : pictureFile::MobileSetup);
    openWindow(code, QStringLiteral("Radio Setup"), true, [&]() -> QWidget* {
        if (m_setupPictureOpen)
            return nullptr;
        m_setupPictureOpen = 1;
        return new tunerSetupWindow(portable, &m_app.openScreenCode(), &m_setupPictureOpen, nullptr, bitmap);
    });
}

// --- Dialogs ---------------------------------------------------------------------------------------------

void TVantrelMDIClient::cmCommSettings(int) {
    TCommSetupDialog dialog(window(), m_app.settingsDirectory());
    m_app.hooks().runDialog(dialog);
}

void TVantrelMDIClient::cmBenchInstruments(int) {
    TBenchDialog dialog(
        window(), m_app.settingsDirectory(),
        dialectSearchPath(m_app.settingsDirectory().toStdString(), m_app.dataDirectory().toStdString(),
                          QCoreApplication::applicationDirPath().toStdString()));
    m_app.hooks().runDialog(dialog);
}

void TVantrelMDIClient::cmRadioInfo(int) {
    TRadioInfoDialog dialog(window(), m_record);
    m_app.hooks().runDialog(dialog);
}

// --- Archive ---------------------------------------------------------------------------------------------

QString TVantrelMDIClient::suggestedFileName(FileDialogKind kind) const {
    const QString serial = QString::fromLatin1(m_record.getSerialNo()).trimmed();
    // Nothing read or loaded, a failed read, or a radio without a serial number: no name to propose.
    if (serial.isEmpty() || serial == QLatin1String("NULL") || serial == QLatin1String("Invalid"))
        return {};
    QString name;
    for (QChar c : serial)
        name += (c.isLetterOrNumber() && c.unicode() < 0x80) || c == QLatin1Char('-') ? c : QLatin1Char('_');
    return name + (kind == FileDialogKind::SavePdf ? QStringLiteral(".pdf") : QStringLiteral(".sfp"));
}

QString TVantrelMDIClient::chooseFile(FileDialogKind kind) {
    QString folder = m_lastFolder;
    if (folder.isEmpty()) {
        const QStringList& recent = m_app.recentFiles().entries();
        folder = recent.isEmpty() ? QDir::currentPath() : QFileInfo(recent.first()).absolutePath();
    }
    const QString name = suggestedFileName(kind);
    const QString path =
        m_app.hooks().chooseFile(kind, name.isEmpty() ? folder : QDir(folder).filePath(name));
    if (!path.isEmpty())
        m_lastFolder = QFileInfo(path).absolutePath();
    return path;
}

bool TVantrelMDIClient::loadArchive(const QString& path) {
    m_lastFolder = QFileInfo(path).absolutePath();
    ArchiveLoadResult result = m_files.readArchive(path.toStdString(), m_record);
    m_archiveLoaded = result == ArchiveLoadResult::Loaded;
    serviceHistory::recordArchive(EventKind::ArchiveLoad, QFileInfo(path).absoluteFilePath().toStdString(),
                                  m_record, m_archiveLoaded, m_files.lastFailureDetail());
    if (std::optional<bool> allowed = fileModule::tuningAllowedAfter(result))
        m_tuningAllowed = *allowed;
    if (m_archiveLoaded)
        setStatus(QString::fromStdString(fileModule::statusText(m_record)));
    // An archive carries no radio identifier.
    m_record.setUuid("NULL            ");
    if (!m_archiveLoaded) {
        m_radioRead = false;
        m_record.resetIdentity();
        setStatus(qs(kNoDataText));
    }
    emit stateChanged();
    return m_archiveLoaded;
}

void TVantrelMDIClient::cmLoadArchive(int) {
    const QString path = chooseFile(FileDialogKind::OpenArchive);
    if (path.isEmpty())
        return;
    if (m_app.prompt().show("Initialize radio data?", "CONFIRMATION", PromptIcon::Question,
                            PromptButtons::OkCancel) != PromptAnswer::Ok)
        return;
    loadArchive(path);
}

void TVantrelMDIClient::cmSaveArchive(int) {
    QString path = chooseFile(FileDialogKind::SaveArchive);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + QString::fromLatin1(fileModule::kDefaultExtension.data());
    const bool saved = m_files.writeArchive(path.toStdString(), m_record);
    serviceHistory::recordArchive(EventKind::ArchiveSave, QFileInfo(path).absoluteFilePath().toStdString(),
                                  m_record, saved, m_files.lastFailureDetail());
    if (saved)
        m_app.prompt().show("Tuning data has been saved.", "NOTE", PromptIcon::Information);
}

void TVantrelMDIClient::openDroppedFile(const QString& path) {
    auto* view = new TVantrelEditView;
    if (!view->load(path)) {
        delete view;
        m_app.recentFiles().remove(path);
        if (auto* frame = dynamic_cast<TVantrelFrame*>(window()))
            frame->updateRecentFiles();
        m_app.prompt().show("Unable to open file " + QDir::toNativeSeparators(path).toStdString(), "ERROR",
                            PromptIcon::Exclamation);
        return;
    }
    auto* child = new TVantrelMDIChild(this, QFileInfo(path).fileName(), view);
    addChild(child);
    m_app.recentFiles().add(QFileInfo(path).absoluteFilePath());
    if (auto* frame = dynamic_cast<TVantrelFrame*>(window()))
        frame->updateRecentFiles();
    emit stateChanged();
}

// --- Radio operations ------------------------------------------------------------------------------------

void TVantrelMDIClient::showReadMessages(const ReadRadioOutcome& outcome) {
    using Kind = ReadRadioOutcome::Kind;
    std::vector<PromptMessage> messages = radioOperations::messagesFor(outcome);
    if (outcome.kind == Kind::LinkFailed && !messages.empty())
        addFailureDetail(messages.back(), outcome.failure.detailLines(false));
    // The port message alone cannot tell a busy port from a missing device: the cause goes under it.
    if (outcome.kind == Kind::PortInUse)
        messages = {portInUseMessage(outcome.failure.portCause)};
    for (const PromptMessage& m : messages) m_app.prompt().show(m);
}

void TVantrelMDIClient::cmReadRadio(int) {
    QDir::setCurrent(m_app.workDirectory());
    TSplashWindow progress(m_app.dataFilePath(pictureFile::Title), qs(radioOperations::kProgressTitle));
    progress.show();
    BusyScope busy(m_busy);
    const ReadRadioOutcome outcome = m_readOperation.readRadioCommand(m_record, progress);
    busy.restore();
    progress.close();

    using Kind = ReadRadioOutcome::Kind;
    // A cancelled read changes nothing: the record, its flags and the status bar stay as they were.
    if (outcome.kind == Kind::Read) {
        m_radioRead = true;
        m_tuningAllowed = outcome.tuningAllowed;
    } else if (outcome.kind == Kind::PointsInvalid || outcome.kind == Kind::LinkFailed) {
        m_radioRead = false;
        m_archiveLoaded = false;
    }
    if (outcome.updatesStatusBar())
        setStatus(QString::fromStdString(radioOperations::statusBarText(m_record)));
    emit stateChanged();
    showReadMessages(outcome);
}

void TVantrelMDIClient::addFailureDetail(PromptMessage& message, const std::vector<std::string>& lines) {
    // Under the message as it always read: which step failed and what was already in the radio.
    if (lines.empty())
        return;
    message.text += "\n";
    for (const std::string& line : lines) message.text += "\n" + line;
}

void TVantrelMDIClient::cmProgramAll(int) {
    QDir::setCurrent(m_app.workDirectory());
    if (m_app.prompt().show(radioProgramAll::confirmationPrompt()) != PromptAnswer::Ok)
        return;
    TSplashWindow progress(m_app.dataFilePath(pictureFile::Title), qs(radioProgramAll::kProgressTitle));
    progress.show();
    BusyScope busy(m_busy);
    operationFailure failure;
    const ProgramOutcome outcome = radioProgramAll::programRadioCommand(m_record, progress, &failure);
    busy.restore();
    progress.close();
    emit stateChanged();
    PromptMessage message = radioProgramAll::messageFor(outcome, failure);
    // A cancelled run's message already lists what reached the radio.
    if (outcome != ProgramOutcome::PortInUse && outcome != ProgramOutcome::Cancelled)
        addFailureDetail(message, failure.detailLines(true));
    if (outcome == ProgramOutcome::PortInUse)
        message = portInUseMessage(failure.portCause);
    m_app.prompt().show(message);
}

// --- Compare ---------------------------------------------------------------------------------------------

std::shared_ptr<const radioStorage> TVantrelMDIClient::loadForCompare(const QString& path) {
    // The load's own notes ("Tuning data has been loaded.") would speak of the current record: they are
    // held back, and shown only to say why an archive could not be compared.
    ScriptedPrompt held;
    fileModule files(held);
    auto other = std::make_shared<radioStorage>();
    if (files.readArchive(path.toStdString(), *other) == ArchiveLoadResult::Loaded)
        return other;
    for (const PromptMessage& message : held.shown()) m_app.prompt().show(message);
    if (held.shown().empty()) {
        const std::string detail = files.lastFailureDetail();
        m_app.prompt().show("The archive " + QDir::toNativeSeparators(path).toStdString() +
                                " cannot be compared" + (detail.empty() ? std::string() : "\n\n" + detail),
                            "ERROR", PromptIcon::Exclamation);
    }
    return nullptr;
}

void TVantrelMDIClient::openCompareWindow(std::shared_ptr<const radioStorage> other, bool radio,
                                          const QString& name) {
    m_before = other;
    m_beforeLabel = radio ? QStringLiteral("radio ") + name : name;
    auto* window =
        new TCompareWindow(m_record, std::move(other),
                           radio ? TCompareWindow::Side::Radio : TCompareWindow::Side::Archive, name);
    // The current record changes under the window (a read, a load, a screen's save): it compares again.
    connect(this, &TVantrelMDIClient::stateChanged, window, &TCompareWindow::refresh);
    auto* child = new TVantrelMDIChild(
        this, radio ? QStringLiteral("Compare with Radio") : QStringLiteral("Compare with Archive"), window);
    if (!radio)
        child->setDocumentName(QFileInfo(name).fileName());
    addChild(child);
    emit stateChanged();
}

void TVantrelMDIClient::cmCompareArchive(int) {
    const QString path = chooseFile(FileDialogKind::CompareArchive);
    if (path.isEmpty())
        return;
    if (std::shared_ptr<const radioStorage> other = loadForCompare(path))
        openCompareWindow(std::move(other), false, QDir::toNativeSeparators(path));
}

void TVantrelMDIClient::cmCompareRadio(int) {
    // The radio is read into a record of its own: the current record, its flags and the status bar stay.
    QDir::setCurrent(m_app.workDirectory());
    auto other = std::make_shared<radioStorage>();
    TSplashWindow progress(m_app.dataFilePath(pictureFile::Title), qs(radioOperations::kProgressTitle));
    progress.show();
    BusyScope busy(m_busy);
    const ReadRadioOutcome outcome = m_readOperation.readRadioCommand(*other, progress);
    busy.restore();
    progress.close();

    using Kind = ReadRadioOutcome::Kind;
    if (outcome.kind == Kind::Read) {
        openCompareWindow(
            std::move(other), true,
            QStringLiteral("read at ") + QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
        return;
    }
    showReadMessages(outcome);
    emit stateChanged();
}

void TVantrelMDIClient::cmServiceHistory(int) {
    // The current radio's serial number to start with; any other can be typed.
    QString serial = QString::fromStdString(serviceHistory::serialOf(m_record));
    if (!shellState().dataPresent() || serial == QLatin1String("NULL") || serial == QLatin1String("Invalid"))
        serial.clear();
    auto* window = new THistoryWindow(
        m_app.history().target(), serial,
        [this](std::shared_ptr<const radioStorage> later, QString laterName,
               std::shared_ptr<const radioStorage> earlier, QString earlierName) {
            auto* compare = new TCompareWindow(std::move(later), laterName, std::move(earlier), earlierName);
            auto* child = new TVantrelMDIChild(this, QStringLiteral("Compare Service Events"), compare);
            addChild(child);
            fitIntoArea(child);
        },
        [this](const QString& suggestion) {
            QString folder = m_lastFolder.isEmpty() ? QDir::currentPath() : m_lastFolder;
            const QString path =
                m_app.hooks().chooseFile(FileDialogKind::SaveCsv, QDir(folder).filePath(suggestion));
            if (!path.isEmpty())
                m_lastFolder = QFileInfo(path).absolutePath();
            return path;
        });
    auto* child = new TVantrelMDIChild(this, QStringLiteral("Service History"), window);
    addChild(child);
    fitIntoArea(child);
    emit stateChanged();
}

void TVantrelMDIClient::cmHistorySettings(int) {
    THistorySettingsDialog dialog(m_app.history(), window());
    m_app.hooks().runDialog(dialog);
}

void TVantrelMDIClient::cmAlignRadio(int) {
    for (QMdiSubWindow* child : subWindowList()) {
        if (dynamic_cast<TAlignWindow*>(child->widget())) {
            setActiveSubWindow(child);
            return;
        }
    }
    QDir::setCurrent(m_app.workDirectory());
    alignWindowServices services;
    services.record = &m_record;
    services.prompt = &m_app.prompt();
    services.openScreenCode = &m_app.openScreenCode();
    services.settingsDirectory = m_app.settingsDirectory();
    const std::string program = QCoreApplication::applicationDirPath().toStdString();
    services.dialectPath = dialectSearchPath(m_app.settingsDirectory().toStdString(),
                                             m_app.dataDirectory().toStdString(), program);
    services.targetsFile = findDataFile(alignmentTargets::kFileName,
                                        dataFileFolders(m_app.settingsDirectory().toStdString(), program));
    services.archiveFolder = m_lastFolder.isEmpty() ? m_app.workDirectory() : m_lastFolder;
    services.programDirectory = m_app.programDirectory().toStdString();
    services.stateChanged = [this] { emit stateChanged(); };
    services.saveArchive = [this](const QString& path, const radioStorage& record) {
        const bool saved = m_files.writeArchive(path.toStdString(), record);
        serviceHistory::recordArchive(EventKind::ArchiveSave,
                                      QFileInfo(path).absoluteFilePath().toStdString(), record, saved,
                                      m_files.lastFailureDetail());
        return saved;
    };
    services.showReport = [this](std::shared_ptr<const radioStorage> before, const QString& label) {
        m_before = std::move(before);
        m_beforeLabel = label;
        printReport(PrintMode::Preview, true);
    };
    services.openProcedure = [this](int commandId) {
        const CommandSpec* command = findCommand(commandId);
        if (command && command->clientHandler && isCommandEnabled(commandId, shellState()))
            (this->*command->clientHandler)(commandId);
    };
    auto* window = new TAlignWindow(std::move(services));
    auto* child = new TVantrelMDIChild(this, QString::fromLatin1(TAlignWindow::kTitle), window);
    addChild(child);
    fitIntoArea(child);
    emit stateChanged();
}

QString TVantrelMDIClient::beforeAfterReport() {
    if (!m_before) {
        const QString path = chooseFile(FileDialogKind::CompareArchive);
        if (path.isEmpty())
            return {};
        m_before = loadForCompare(path);
        if (!m_before)
            return {};
        m_beforeLabel = QDir::toNativeSeparators(path);
    }
    tuningReport report(m_record);
    report.showBefore(*m_before, m_beforeLabel.toStdString());
    return QString::fromLatin1(report.text());
}

// --- Printing --------------------------------------------------------------------------------------------

void TVantrelMDIClient::cmPrinterSetup(int) {
    printReport(PrintMode::Dialog);
}
void TVantrelMDIClient::cmPrintPreview(int) {
    printReport(PrintMode::Preview);
}

void TVantrelMDIClient::cmPrintActive(int) {
    QMdiSubWindow* active = activeSubWindow();
    auto* view = active ? dynamic_cast<TVantrelEditView*>(active->widget()) : nullptr;
    if (!view)
        return;
    printText(view->toPlainText(), PrintMode::Dialog);
}

void TVantrelMDIClient::printReport(PrintMode mode, bool beforeShown) {
    if (m_app.openScreenCode() != screenCode::None) {
        m_app.prompt().show("Please close all windows before printing", "Note", PromptIcon::Information);
        return;
    }
    const QString path = QString::fromLatin1(tuningReport::kDefaultFileName.data(),
                                             qsizetype(tuningReport::kDefaultFileName.size()));
    tuningReport report(m_record);
    if (!report.write(path.toStdString())) {
        m_app.prompt().show("The report file " + QDir::current().absoluteFilePath(path).toStdString() +
                                " could not be written.",
                            "ERROR", PromptIcon::Exclamation);
        return;
    }
    QFile file(path);
    QString text;
    if (file.open(QIODevice::ReadOnly))
        text = QString::fromLatin1(file.readAll());
    printText(
        text, mode, reportPlots(shellState()),
        [this, text](bool on) { return on ? beforeAfterReport() : text; }, beforeShown);
}

void TVantrelMDIClient::printText(const QString& text, PrintMode mode, std::vector<printoutPlot> plots,
                                  std::function<QString(bool)> beforeAfter, bool beforeShown) {
    ShellHooks& hooks = m_app.hooks();
    const bool printerInstalled = hooks.printerAvailable();
    if (!printerInstalled && mode == PrintMode::Dialog) {
        m_app.prompt().show("Please install Default Printer Device !!", "NOTE", PromptIcon::Information);
        return;
    }
    // The notice speaks of print format changes reaching the preview: it concerns a real printer only.
    std::function<void()> notice;
    if (printerInstalled) {
        notice = [this] {
            TTunerNotifyDlg dialog(window());
            m_app.hooks().runDialog(dialog);
        };
    }
    TApxPrintout printout(QStringLiteral("Document"), text, notice);
    printout.setPlots(std::move(plots));
    // Without a printer the preview lays the pages out for a PDF file of the default paper.
    std::unique_ptr<QPrinter> pdfPrinter;
    QPrinter* printer = nullptr;
    if (printerInstalled) {
        printer = &m_app.printer();
    } else {
        pdfPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        pdfPrinter->setOutputFormat(QPrinter::PdfFormat);
        printer = pdfPrinter.get();
    }
    m_app.beginPrintJob();
    auto printWithDialog = [&] {
        if (!printerInstalled) {
            m_app.prompt().show("Please install Default Printer Device !!", "NOTE", PromptIcon::Information);
            return;
        }
        if (hooks.printDialog(*printer))
            printout.print(*printer, printer->fromPage(), printer->toPage());
    };
    if (mode == PrintMode::Dialog) {
        printWithDialog();
    } else {
        QWidget* frame = window();
        TApxPreviewWin preview(nullptr, *printer, printout, printWithDialog,
                               [&] { saveReportAsPdf(printout); });
        if (beforeAfter) {
            preview.addBeforeAfterOption(beforeAfter);
            if (beforeShown && preview.beforeAfterAction())
                preview.beforeAfterAction()->trigger();
        }
        preview.setGeometry(frame->geometry());
        preview.setWindowState(Qt::WindowMaximized);
        frame->hide();
        hooks.runDialog(preview);
        frame->setGeometry(preview.geometry());
        frame->showMaximized();
    }
    m_app.endPrintJob();
}

void TVantrelMDIClient::saveReportAsPdf(TApxPrintout& printout) {
    QString path = chooseFile(FileDialogKind::SavePdf);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    // The pages go to a new file beside the target, which replaces the target only once complete: a
    // failed save leaves the previous file as it was. A link is followed; a special file (a device, a
    // pipe) is written in place, never replaced.
    QFileInfo target(path);
    if (target.isSymLink() && target.exists())
        target = QFileInfo(target.canonicalFilePath());
    const bool inPlace = target.exists() && !target.isFile();
    QString written = target.absoluteFilePath();
    if (!inPlace) {
        QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.vantrel-pdf-XXXXXX"));
        temporary.setAutoRemove(false);
        if (temporary.open())
            written = temporary.fileName();
    }
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(written);
    pdf.setDocName(printout.title());
    bool ok = printout.print(pdf);
    if (!inPlace) {
        if (ok) {
            // The temporary file was made private: give the result the old file's mode, or the
            // mode a new file gets.
            QFile::setPermissions(written, target.exists() ? QFile::permissions(target.absoluteFilePath())
                                                           : newFilePermissions());
            std::error_code error;
            std::filesystem::rename(written.toStdString(), target.absoluteFilePath().toStdString(), error);
            ok = !error;
        }
        if (!ok)
            QFile::remove(written);
    }
    if (!ok) {
        m_app.prompt().show(
            "The report could not be saved as " + QDir::toNativeSeparators(path).toStdString(), "ERROR",
            PromptIcon::Exclamation);
        return;
    }
    m_app.prompt().show("The report has been saved as " + QDir::toNativeSeparators(path).toStdString(),
                        "NOTE", PromptIcon::Information);
}

}  // namespace vantrel

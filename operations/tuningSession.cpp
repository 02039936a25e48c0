// The tuning session: opening, steps, keying, Program, the procedures' actions, failures and closing.
#include "operations/tuningSession.h"

#include <algorithm>
#include <cstdio>

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "link/cominit.h"
#include "operations/portInUseMessage.h"
#include "operations/procedureCatalogue.h"
#include "operations/serviceHistory.h"
#include "operations/sharedMessages.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

/// A serial number as a person can read it: blanks stay, other unprintable bytes show as '?'.
std::string printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
            c = '?';
    }
    return text;
}

std::string withFrequency(const std::string& pattern, double mhz) {
    char text[160];
    std::snprintf(text, sizeof text, pattern.c_str(), mhz);
    return text;
}

using Kind = sessionOutcome::Kind;

}  // namespace

connectionOpener configuredPortOpener() {
    return [] { return std::make_unique<cominit>(); };
}

bool resetConfiguredRadio() {
    try {
        cominit link;
        link.resetRadio();
        return true;
    } catch (...) {
        return false;
    }
}

std::string tuningSession::outOfRangeText(int value, int minimum, int maximum) {
    return "Softpot Value (" + std::to_string(value) + ") is not between " + std::to_string(minimum) +
           " and " + std::to_string(maximum);
}

std::unique_ptr<tuningSession> tuningSession::create(std::string_view name,
                                                     const sessionEnvironment& environment, refusal* why,
                                                     std::string* text) {
    const auto refuse = [&](refusal reason, std::string words) -> std::unique_ptr<tuningSession> {
        if (why)
            *why = reason;
        if (text)
            *text = std::move(words);
        return nullptr;
    };
    const catalogueEntry* entry = catalogueNamed(name);
    if (!entry)
        return refuse(refusal::UnknownName, "There is no procedure named \"" + std::string(name) + "\".");
    if (!availableOnRadio(*entry, *environment.record))
        return refuse(refusal::NotOnThisRadio, "The procedure \"" + std::string(name) + "\" (" +
                                                   entry->title + ") is not available on this radio.");
    if (why)
        *why = refusal::None;
    if (text)
        text->clear();
    return std::make_unique<tuningSession>(*entry, entry->makePiece(environment.pieces()), environment);
}

tuningSession::tuningSession(const catalogueEntry& entry, std::unique_ptr<procedurePiece> piece,
                             sessionEnvironment environment)
    : m_entry(entry), m_piece(std::move(piece)), m_environment(std::move(environment)) {
    resetValues();
}

tuningSession::~tuningSession() {
    if (m_closed || !m_reachedPort)
        return;
    // Dropped without a close (a caller that went away): the radio is still tidied, quietly. Whoever
    // watched the state may be gone already, so nobody is told of the change.
    m_onChange = nullptr;
    ScriptedPrompt quiet;
    UserPrompt* shown = m_environment.prompt;
    m_environment.prompt = &quiet;
    close();
    m_environment.prompt = shown;
}

void tuningSession::resetValues() {
    const int rows = m_piece->rowCount();
    m_values.assign(size_t(rows), 0);
    for (int i = 0; i < rows; ++i) m_values[size_t(i)] = m_piece->recordValue(i);
    m_preparedInConnection.assign(size_t(rows), false);
    ++m_reloads;
}

void tuningSession::setWorkingValue(int row, int value) {
    if (row < 0 || row >= int(m_values.size()))
        return;
    m_values[size_t(row)] = value;
    m_selected = row;
    changed();
}

// --- State ------------------------------------------------------------------------------------------------

sessionState tuningSession::state() const {
    sessionState s;
    s.procedure = m_entry.name;
    s.open = m_open;
    s.closed = m_closed;
    s.keyed = keyed();
    if (keyed())
        s.keyedRow = m_keyedRow;
    s.selectedRow = m_selected;
    s.status = m_status;
    s.autoTuning = m_autoTuning;
    s.closeWanted = m_closeWanted;
    s.reloads = m_reloads;
    s.readouts = m_piece->readouts();
    const procedurePiece& p = *m_piece;
    for (int i = 0; i < p.rowCount(); ++i) {
        const tuningRow& spec = p.rowSpec(i);
        sessionRowState row;
        row.point = p.pointOfRow(i);
        row.number = spec.label.empty() && row.point != 0 ? row.point : i + 1;
        row.label = p.rowLabel(i);
        row.frequencyMhz = p.rowFrequency(i);
        row.supported = p.rowSupported(i);
        row.minimum = spec.minimum;
        row.maximum = spec.maximum;
        row.value = i < int(m_values.size()) ? m_values[size_t(i)] : 0;
        if (spec.recordRow != tuningRow::kNoRecord)
            row.recordValue = p.recordValue(i);
        row.enabled = p.rowEnabled(i);
        row.actionEnabled = p.rowActionEnabled(i);
        row.entry = p.entry(i);
        row.reading = p.rowReading(i);
        s.rows.push_back(std::move(row));
    }
    return s;
}

void tuningSession::changed() {
    if (m_onChange)
        m_onChange();
}

void tuningSession::setStatus(const std::string& text) {
    m_status = text;
    changed();
}

void tuningSession::setAutoTuning(bool on) {
    if (m_autoTuning == on)
        return;
    m_autoTuning = on;
    changed();
}

bool tuningSession::stopAsked() {
    return m_environment.stopRequested && m_environment.stopRequested();
}

// --- Connection, serial number, failures ------------------------------------------------------------------

bool tuningSession::openConnection(sessionOutcome& outcome) {
    if (m_link) {
        ++m_connections;
        return true;
    }
    try {
        m_link = m_environment.openConnection();
    } catch (const PortInUseError& failure) {
        const PromptMessage shown = m_piece->portBusyMessage().value_or(portInUseMessage(failure));
        prompt().show(shown);
        outcome.kind = Kind::PortBusy;
        outcome.message = shown;
        outcome.detail = failure.detail();
        return false;
    } catch (const Exception& failure) {
        // The port opened but refused its line settings: nothing was sent.
        const PromptMessage shown{m_piece->linkErrorText(), message::ErrorCaption, PromptIcon::Exclamation};
        prompt().show(shown);
        outcome.kind = Kind::LinkFailed;
        outcome.message = shown;
        outcome.detail = failure.describe();
        return false;
    }
    ++m_connections;
    if (m_piece->tidiesAtClose())
        m_reachedPort = true;
    return true;
}

void tuningSession::closeConnection() {
    m_link.reset();
    std::fill(m_preparedInConnection.begin(), m_preparedInConnection.end(), false);
    m_piece->connectionClosed();
}

bool tuningSession::checkSerial(sessionOutcome& outcome) {
    if (m_operations.serialMatches(record(), *m_link))
        return true;
    mismatch(outcome);
    return false;
}

bool tuningSession::fits() const {
    if (m_environment.stillFits)
        return m_environment.stillFits();
    return availableOnRadio(m_entry, *m_environment.record);
}

void tuningSession::mismatch(sessionOutcome& outcome) {
    closeConnection();
    const std::string connected = m_operations.lastSerialRead();
    outcome.kind = Kind::Mismatch;
    outcome.connectedSerial = connected;
    outcome.message = {m_piece->rules().mismatch, message::WarningCaption, PromptIcon::Information,
                       PromptButtons::OkCancel};
    outcome.mismatch = sessionOutcome::MismatchEnd::Cancelled;
    // Under the question, which two radios differ: the one on the cable and the one in memory.
    const std::string inMemory = printable(record().serialNoBytes().substr(0, record::kSerialNoLength));
    const std::string text = m_piece->rules().mismatch + "\n\nRadio connected: " + printable(connected) +
                             "\nRadio in memory: " + inMemory;
    if (prompt().show(text, message::WarningCaption, PromptIcon::Information, PromptButtons::OkCancel) !=
            PromptAnswer::Ok ||
        !m_environment.reread)
        return;
    m_environment.reread();
    // The read ends with a reset: the radio is dekeyed and out of test mode.
    markDekeyed();
    if (record().serialNoBytes().substr(0, record::kSerialNoLength) != connected) {
        // The read did not bring that radio in (it failed, or was cancelled, and said so): nothing of the
        // record may be set up on it. A record left unusable takes the procedure with it.
        outcome.mismatch = sessionOutcome::MismatchEnd::NotRead;
        if (m_open && !fits())
            m_closeWanted = true;
        changed();
        return;
    }
    if (!fits()) {
        outcome.mismatch = sessionOutcome::MismatchEnd::NoLongerFits;
        prompt().show(message::NoLongerFits, message::NoteCaption, PromptIcon::Information);
        if (m_open)
            m_closeWanted = true;
        changed();
        return;
    }
    outcome.mismatch = sessionOutcome::MismatchEnd::Reread;
    if (m_open && !m_piece->restartsAfterReread()) {
        m_closeWanted = true;
        changed();
    } else if (m_open) {
        refreshAfterRead();
    }
}

void tuningSession::refreshAfterRead() {
    // The procedure starts over on the radio now connected, as if just opened.
    m_piece->assignPoints();
    resetValues();
    m_selected = m_piece->firstSupportedRow();
    sessionOutcome outcome;
    if (!openConnection(outcome))
        return;
    m_refused = false;
    try {
        m_piece->setupRadio(static_cast<sessionContext&>(*this));
        m_channelsPoint = m_piece->pointOfRow(m_selected);
    } catch (const OperationInterrupted&) {
        closeConnection();
        throw;
    } catch (const Exception& failure) {
        failAction(outcome, failure.describe());
        return;
    }
    closeConnection();
    if (m_refused)
        m_closeWanted = true;
    m_status = m_piece->openedStatus();
    changed();
}

sessionOutcome tuningSession::stopped(sessionOutcome& outcome, const OperationInterrupted& stop) {
    // A stop signal: the radio is left as it is (keyed or not) for the caller's closing.
    closeConnection();
    outcome.kind = sessionOutcome::Kind::Stopped;
    outcome.signal = stop.signal();
    return outcome;
}

void tuningSession::failAction(sessionOutcome& outcome, const std::string& failure) {
    // A transmitter that is or may be keyed is dekeyed before anything else, above all before a message
    // that may stay on the screen for minutes.
    bool stillKeyed = false;
    if (keyed() && m_link) {
        try {
            m_link->dekey();
            markDekeyed();
        } catch (const Exception&) {
            // Its state is unknown: it stays marked keyed, so PTT and closing dekey it.
            m_keyed = true;
            stillKeyed = true;
            keyStateChanged();
        }
    } else if (keyed()) {
        m_keyed = true;
        stillKeyed = true;
    }
    m_keyUpSent = false;
    const std::string text = m_piece->linkErrorText();
    // A procedure that tells failures in its status says so there even when its opening failed, where the
    // message box tells it too.
    if (m_piece->failuresInStatus())
        setStatus(text);
    if (!m_piece->failuresInStatus() || !m_open)
        prompt().show(text, message::ErrorCaption, PromptIcon::Exclamation);
    if (stillKeyed)
        prompt().show(message::StillKeyed, message::WarningCaption, PromptIcon::Exclamation);
    closeConnection();
    outcome.kind = Kind::LinkFailed;
    outcome.message = {text, message::ErrorCaption, PromptIcon::Exclamation};
    outcome.detail = failure;
    outcome.stillKeyed = stillKeyed;
    changed();
}

sessionOutcome tuningSession::run(bool checkSerialFirst,
                                  const std::function<void(EnhancedSBEP&, sessionOutcome&)>& body) {
    sessionOutcome outcome;
    if (!openConnection(outcome))
        return outcome;
    try {
        if (checkSerialFirst && !checkSerial(outcome))
            return outcome;
        body(*m_link, outcome);
    } catch (const OperationInterrupted& stop) {
        return stopped(outcome, stop);
    } catch (const Exception& failure) {
        failAction(outcome, failure.describe());
        return outcome;
    }
    closeConnection();
    changed();
    return outcome;
}

// --- Keying -----------------------------------------------------------------------------------------------

void tuningSession::keyStateChanged() {
    if (m_piece->statusFollowsKey())
        m_status = keyed() ? m_piece->keyedStatus(m_keyedRow) : message::Dekeyed;
    changed();
}

void tuningSession::keyUp() {
    m_keyUpSent = true;
    m_link->keyUp();
    m_keyed = true;
    m_keyUpSent = false;
    keyStateChanged();
}

void tuningSession::dekeyRadio() {
    if (!keyed())
        return;
    m_link->dekey();
    markDekeyed();
}

void tuningSession::markDekeyed() {
    m_keyed = false;
    m_keyUpSent = false;
    keyStateChanged();
}

void tuningSession::prepare(int row) {
    m_piece->selectChannels(row, *m_link);
    m_channelsPoint = m_piece->pointOfRow(row);
    if (!m_piece->rules().preparedStatus.empty())
        setStatus(withFrequency(m_piece->rules().preparedStatus, m_piece->rowFrequency(row)));
}

void tuningSession::sendLive(int row, int value) {
    m_piece->writeLive(row, value, *m_link);
    m_values[size_t(row)] = value;
    changed();
}

// --- Opening and closing ----------------------------------------------------------------------------------

sessionOutcome tuningSession::open() {
    sessionOutcome outcome;
    if (m_open || m_closed) {
        outcome.refuse("refused", {kNotOpenText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    m_piece->assignPoints();
    resetValues();
    m_selected = m_piece->firstSupportedRow();
    if (!m_piece->usesRadioAtOpening())
        return opened();
    // Without the serial number check the piece's own setup is the first exchange: one connection.
    if (m_piece->checksSerialAtOpening()) {
        if (!openConnection(outcome))
            return outcome;
        try {
            if (m_operations.serialMatches(record(), *m_link)) {
                closeConnection();
            } else {
                mismatch(outcome);
                if (outcome.mismatch != sessionOutcome::MismatchEnd::Reread ||
                    !m_piece->restartsAfterReread()) {
                    // Cancel keeps the record of another radio: nothing of it may reach the radio on the
                    // cable, not even the closing reset. A re-read radio that lacks the procedure (or a
                    // procedure that does not start over) was reset by the read.
                    m_reachedPort = false;
                    return outcome;
                }
                m_piece->assignPoints();
                resetValues();
                m_selected = m_piece->firstSupportedRow();
                outcome = sessionOutcome();
            }
        } catch (const OperationInterrupted& stop) {
            return stopped(outcome, stop);
        } catch (const Exception& failure) {
            const PromptMessage shown{m_piece->linkErrorText(), message::ErrorCaption,
                                      PromptIcon::Exclamation};
            prompt().show(shown);
            closeConnection();
            outcome.kind = Kind::LinkFailed;
            outcome.message = shown;
            outcome.detail = failure.describe();
            return outcome;
        }
    }
    if (!openConnection(outcome))
        return outcome;
    m_refused = false;
    try {
        m_piece->setupRadio(static_cast<sessionContext&>(*this));
    } catch (const OperationInterrupted& stop) {
        return stopped(outcome, stop);
    } catch (const Exception& failure) {
        // An opening that keyed the radio dekeys it before the message.
        failAction(outcome, failure.describe());
        return outcome;
    }
    closeConnection();
    if (m_refused) {
        outcome.refuse("refused", m_refusal);
        return outcome;
    }
    m_channelsPoint = m_piece->pointRows() ? m_piece->pointOfRow(m_selected) : -1;
    return opened();
}

sessionOutcome tuningSession::opened() {
    resetValues();
    m_open = true;
    m_status = keyed() ? m_piece->keyedStatus(m_keyedRow) : m_piece->openedStatus();
    changed();
    return {};
}

void tuningSession::refuseRadio(const std::string& text) {
    const PromptMessage shown{text, message::ErrorCaption, PromptIcon::Exclamation};
    prompt().show(shown);
    refuseOpening(shown, true);
}

void tuningSession::refuseOpening(const PromptMessage& shown, bool told) {
    m_refused = true;
    m_refusal = shown;
    if (!told)
        prompt().show(shown);
}

bool tuningSession::askReread(const PromptMessage& question) {
    // The question is asked, and the read runs, with the port free.
    closeConnection();
    if (prompt().show(question) != PromptAnswer::Ok || !m_environment.reread)
        return false;
    m_environment.reread();
    markDekeyed();
    return true;
}

closingOutcome tuningSession::close() {
    return close(true);
}

closingOutcome tuningSession::close(bool withNotes) {
    closingOutcome outcome;
    if (m_closed)
        return outcome;
    m_closed = true;
    m_open = false;
    // A session that never got hold of the port has sent nothing there is to undo.
    if (m_reachedPort) {
        const bool wasKeyed = keyed();
        sessionOutcome opened;
        bool connected = false;
        try {
            connected = openConnection(opened);
        } catch (const Exception&) {
            connected = false;
        }
        if (!connected) {
            outcome.dekeyConfirmed = !wasKeyed;
            outcome.resetConfirmed = false;
            if (wasKeyed)
                prompt().show(message::StillKeyed, message::WarningCaption, PromptIcon::Exclamation);
        } else {
            if (m_piece->rules().capabilities.dekeyAtClose || wasKeyed) {
                outcome.dekeySent = true;
                try {
                    m_link->dekey();
                    m_keyed = false;
                    m_keyUpSent = false;
                    keyStateChanged();
                } catch (const Exception&) {
                    outcome.dekeyConfirmed = !wasKeyed;
                    if (wasKeyed)
                        m_keyed = true;
                }
            }
            // The reset is tried even after a dekey the radio did not confirm: it takes the radio out of
            // test mode and, when it is heard, off the air.
            try {
                m_link->resetRadio();
            } catch (const Exception&) {
                outcome.resetConfirmed = false;
            }
            closeConnection();
            if (!outcome.dekeyConfirmed)
                prompt().show(message::StillKeyed, message::WarningCaption, PromptIcon::Exclamation);
        }
        m_reachedPort = !outcome.resetConfirmed;
    }
    if (withNotes)
        m_piece->afterClosing(prompt());
    changed();
    return outcome;
}

// --- Rows and steps ---------------------------------------------------------------------------------------

bool tuningSession::validRow(int row, sessionOutcome& outcome) const {
    if (row < 0 || row >= m_piece->rowCount()) {
        outcome.refuse("unsupported-point", {kNoSuchRowText, message::ErrorCaption, PromptIcon::Exclamation});
        return false;
    }
    if (!m_piece->rowSupported(row)) {
        outcome.refuse("unsupported-point",
                       {kUnsupportedRowText, message::ErrorCaption, PromptIcon::Exclamation});
        return false;
    }
    return true;
}

sessionOutcome tuningSession::select(int row) {
    sessionOutcome outcome;
    if (!validRow(row, outcome))
        return outcome;
    m_selected = row;
    // Keyed (here or elsewhere) the channels stay where they are: the transmitter never moves on the air.
    if (keyed() || !m_piece->stepsWhileDekeyed() || !m_piece->pointRows()) {
        changed();
        return outcome;
    }
    return run(true, [&](EnhancedSBEP&, sessionOutcome&) { prepare(row); });
}

sessionOutcome tuningSession::step(int row, int value, stepKind kind) {
    sessionOutcome outcome;
    if (!validRow(row, outcome))
        return outcome;
    m_values[size_t(row)] = value;
    m_selected = row;
    // Some procedures only show a step while dekeyed: nothing reaches the radio.
    if (!keyed() && !m_piece->stepsWhileDekeyed()) {
        changed();
        return outcome;
    }
    if (!openConnection(outcome))
        return outcome;
    try {
        if (keyed() && !m_piece->sameKeyPlace(m_keyedRow, row))
            dekeyRadio();
        const bool fresh = kind == stepKind::Value || !m_preparedInConnection[size_t(row)];
        if (fresh) {
            if (!checkSerial(outcome))
                return outcome;
            if (!keyed())
                prepare(row);
            m_preparedInConnection[size_t(row)] = true;
        }
        if (keyed() || m_piece->liveWhileDekeyed())
            sendLive(row, value);
    } catch (const OperationInterrupted& stop) {
        return stopped(outcome, stop);
    } catch (const Exception& failure) {
        failAction(outcome, failure.describe());
        return outcome;
    }
    // A drag keeps its connection for the positions still to come, until it ends.
    if (kind != stepKind::Drag)
        closeConnection();
    changed();
    return outcome;
}

void tuningSession::endDrag(int row) {
    if (m_link)
        closeConnection();
    if (row >= 0 && row < int(m_preparedInConnection.size()))
        m_preparedInConnection[size_t(row)] = false;
}

sessionOutcome tuningSession::live(int row, int value) {
    sessionOutcome outcome;
    if (!validRow(row, outcome))
        return outcome;
    const tuningRow& spec = m_piece->rowSpec(row);
    if (!m_piece->inRange(row, value)) {
        const PromptMessage shown{outOfRangeText(value, spec.minimum, spec.maximum), kOutOfRangeCaption,
                                  PromptIcon::Exclamation};
        prompt().show(shown);
        outcome.refuse("out-of-range", shown);
        return outcome;
    }
    if (!m_piece->rowEnabled(row)) {
        outcome.refuse("refused", {kRowLockedText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    if (keyed() && !m_piece->sameKeyPlace(m_keyedRow, row)) {
        outcome.refuse("keyed-elsewhere",
                       {kKeyedElsewhereText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    if (m_piece->keys() && !m_piece->liveWhileDekeyed() && !keyed()) {
        outcome.refuse("not-keyed", {kNotKeyedText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    return step(row, value, stepKind::Value);
}

sessionOutcome tuningSession::keyAt(int row) {
    return run(false, [&](EnhancedSBEP& link, sessionOutcome&) {
        // The radio keys where its channels are: those of the point shown, or they are set first.
        if (m_piece->pointRows() && m_channelsPoint != m_piece->pointOfRow(row))
            prepare(row);
        m_keyedRow = row;
        keyUp();
        m_piece->keyedUp(row, link);
        sendLive(row, m_values[size_t(row)]);
    });
}

sessionOutcome tuningSession::key() {
    sessionOutcome outcome;
    if (!m_piece->keys()) {
        outcome.refuse("refused", {kNoPttText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    if (!validRow(m_selected, outcome))
        return outcome;
    if (keyed()) {
        if (!m_piece->sameKeyPlace(m_keyedRow, m_selected))
            outcome.refuse("keyed-elsewhere",
                           {kKeyedElsewhereText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    return keyAt(m_selected);
}

sessionOutcome tuningSession::dekey() {
    if (!keyed())
        return {};
    return run(false, [&](EnhancedSBEP&, sessionOutcome&) { dekeyRadio(); });
}

sessionOutcome tuningSession::togglePtt() {
    if (keyed())
        return dekey();
    sessionOutcome outcome;
    if (!m_piece->keys() || !validRow(m_selected, outcome)) {
        if (outcome.done())
            outcome.refuse("refused", {kNoPttText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    return keyAt(m_selected);
}

void tuningSession::reloadValues() {
    resetValues();
    changed();
}

void tuningSession::takeValue(int row, int value) {
    m_values[size_t(row)] = value;
    m_selected = row;
    changed();
}

// --- Program ----------------------------------------------------------------------------------------------

sessionOutcome tuningSession::program() {
    std::vector<std::optional<int>> values(m_values.begin(), m_values.end());
    return program(values);
}

sessionOutcome tuningSession::program(const std::vector<std::optional<int>>& values) {
    return recorded([&] { return programRun(values); });
}

sessionOutcome tuningSession::programRun(const std::vector<std::optional<int>>& values) {
    if (std::optional<sessionOutcome> own = m_piece->programOwn(static_cast<sessionContext&>(*this))) {
        // A Program of its own leaves the selected point's channels set when it ran through.
        m_channelsPoint = own->done() && m_piece->pointRows() ? m_piece->pointOfRow(m_selected) : -1;
        changed();
        return *own;
    }
    sessionOutcome outcome;
    const procedureRules& rules = m_piece->rules();
    if (!rules.capabilities.programButton) {
        outcome.refuse("refused", {kNoProgramText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    if (!openConnection(outcome))
        return outcome;
    std::string refusedTexts;
    try {
        if (rules.programChecksSerial && !checkSerial(outcome))
            return outcome;
        if (!rules.commitQuestion.empty() &&
            prompt().show(rules.commitQuestion, message::WarningCaption, PromptIcon::Information,
                          PromptButtons::OkCancel) != PromptAnswer::Ok) {
            closeConnection();
            outcome.kind = Kind::Cancelled;
            return outcome;
        }
        if (!rules.unpreparedStatus.empty())
            setStatus(rules.unpreparedStatus);
        if (m_piece->programDekeys())
            dekeyRadio();
        for (int i = 0; i < m_piece->rowCount(); ++i) {
            if (!m_piece->rowSupported(i))
                continue;
            // A close asked for meanwhile stops Program here; the closing dekeys and resets the radio.
            if (stopAsked()) {
                closeConnection();
                outcome.kind = Kind::Stopped;
                return outcome;
            }
            const std::optional<int> value = size_t(i) < values.size() ? values[size_t(i)] : std::nullopt;
            if (const std::optional<valueRefused> refused = m_piece->checkValue(i, value)) {
                const PromptMessage shown{refused->text, refused->caption, refused->icon};
                prompt().show(shown);
                closeConnection();
                outcome.refuse(value ? "out-of-range" : "empty-value", shown);
                return outcome;
            }
            outcome.failedRow = i;
            m_piece->selectChannels(i, *m_link);
            m_channelsPoint = m_piece->pointOfRow(i);
            const procedurePiece::pointOutcome point = m_piece->programPointChecked(i, *value, *m_link);
            outcome.failedRow.reset();
            if (point.stored) {
                outcome.programmedRows.push_back(i);
                m_values[size_t(i)] = *value;
            } else {
                outcome.refusedRows.push_back(i);
                prompt().show(point.refusedText, message::ErrorCaption, PromptIcon::Exclamation);
                refusedTexts += (refusedTexts.empty() ? "" : "\n") + point.refusedText;
            }
            changed();
        }
        if (rules.storeAllAfterRun) {
            // A point the radio or the procedure refused keeps the record's value: it was not programmed.
            for (int i = 0; i < m_piece->rowCount(); ++i) {
                const bool refused = std::find(outcome.refusedRows.begin(), outcome.refusedRows.end(), i) !=
                                     outcome.refusedRows.end();
                const int value = size_t(i) < values.size() ? values[size_t(i)].value_or(0) : 0;
                if (!refused)
                    m_piece->storeValue(i, m_piece->rowSupported(i) ? value : 0);
            }
        }
        m_piece->afterProgram(*m_link);
        if (rules.preparesAfterProgram && m_piece->rowSupported(m_selected))
            prepare(m_selected);
        if (const std::optional<PromptMessage> done = m_piece->doneMessage())
            prompt().show(*done);
    } catch (const OperationInterrupted& stop) {
        return stopped(outcome, stop);
    } catch (const Exception& failure) {
        failAction(outcome, failure.describe());
        return outcome;
    }
    closeConnection();
    if (!outcome.refusedRows.empty())
        outcome.refuse("refused", {refusedTexts, message::ErrorCaption, PromptIcon::Exclamation});
    changed();
    return outcome;
}

// --- Actions of some procedures ---------------------------------------------------------------------------

sessionOutcome tuningSession::recorded(const std::function<sessionOutcome()>& body) {
    // One event per Program or action, for a window's and a script's alike: what reached the radio however
    // it ended (a link failure's exception included).
    // The serial number programming is recorded by its piece under the new number, the baseband offset
    // update by the update itself; reading the temp comp changes nothing.
    const std::string_view name = m_entry.name;
    if (name == "serial-program" || name == "bbo-update" || name == "temp-comp-read")
        return body();
    const bool tempComp = name == "temp-comp-write";
    historyScope history(record(), tempComp ? EventKind::Utility : EventKind::Program,
                         tempComp ? serviceHistory::kTempCompSubject : m_entry.title,
                         tempComp ? serviceHistory::tempCompCells() : serviceHistory::cellsOf(*m_piece));
    const int connectionsBefore = m_connections;
    const sessionOutcome outcome = body();
    // An action that never opened the port (a refusal first, an entry only kept) is no event.
    if (m_connections == connectionsBefore) {
        history.discard();
        return outcome;
    }
    switch (outcome.kind) {
        case Kind::Done:
            if (outcome.refusedRows.empty())
                history.done();
            else
                history.setOutcome(eventOutcome::Refused, outcome.message.text);
            break;
        case Kind::Refused:
            history.setOutcome(eventOutcome::Refused, outcome.message.text);
            break;
        case Kind::Cancelled:
        case Kind::Mismatch:
        case Kind::PortBusy:
            // Nothing was sent, or what was read in is recorded as a read.
            if (outcome.programmedRows.empty())
                history.discard();
            else
                history.setOutcome(outcome.kind == Kind::Cancelled ? eventOutcome::Cancelled
                                                                   : eventOutcome::SerialMismatch);
            break;
        case Kind::LinkFailed:
            history.setOutcome(eventOutcome::Failed, outcome.detail);
            break;
        case Kind::Stopped:
            history.setOutcome(eventOutcome::Stopped,
                               outcome.signal != 0 ? "stopped by signal " + std::to_string(outcome.signal)
                                                   : "stopped by a close");
            break;
    }
    return outcome;
}

sessionOutcome tuningSession::act(sessionAction action, const actionRequest& request) {
    // Choosing the spacing shown changes nothing in the radio.
    if (action == sessionAction::Spacing)
        return actRun(action, request);
    return recorded([&] { return actRun(action, request); });
}

sessionOutcome tuningSession::actRun(sessionAction action, const actionRequest& request) {
    sessionOutcome outcome;
    if (!m_piece->offers(action)) {
        outcome.refuse("no-such-action",
                       {procedurePiece::kNoSuchActionText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    const bool rowed = action != sessionAction::Spacing && m_piece->rowCount() > 0;
    if (rowed && (request.row < 0 || request.row >= m_piece->rowCount())) {
        outcome.refuse("unsupported-point", {kNoSuchRowText, message::ErrorCaption, PromptIcon::Exclamation});
        return outcome;
    }
    if (rowed && action != sessionAction::Reading && !m_piece->rowActionEnabled(request.row)) {
        const bool unsupported = !m_piece->rowSupported(request.row);
        outcome.refuse(unsupported ? "unsupported-point" : "refused",
                       {unsupported ? kUnsupportedRowText : kRowLockedText, message::ErrorCaption,
                        PromptIcon::Exclamation});
        return outcome;
    }
    outcome = m_piece->act(action, request, static_cast<sessionContext&>(*this));
    changed();
    return outcome;
}

}  // namespace vantrel

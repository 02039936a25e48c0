// The utilities as pieces of the tuning session.
#include "operations/utilityPieces.h"

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "operations/serviceHistory.h"
#include "operations/sharedMessages.h"
#include "operations/utilityRules.h"
#include "radio/radioStorage.h"

namespace vantrel {

namespace {

/// A utility's one entry: no record place, no softpot.
procedureRules entryRules(const char* label) {
    procedureRules p;
    p.kind = screenLayoutKind::SoftpotRows;
    p.capabilities = {false, false, false, false};
    tuningRow entry;
    entry.label = label;
    entry.recordRow = tuningRow::kNoRecord;
    p.rows = {entry};
    return p;
}

}  // namespace

// --- Program Serial No. -----------------------------------------------------------------------------------

serialProgramPiece::serialProgramPiece(radioStorage& record)
    : procedurePiece(entryRules("New Radio Serial No"), record) {}

void serialProgramPiece::setupRadio(sessionContext& session) {
    if (!serialRule::blank(record().serialNoBytes())) {
        const PromptMessage notBlank{serialRule::NotBlankText, serialRule::NotBlankCaption,
                                     PromptIcon::Information};
        session.prompt().show(notBlank);
        session.refuseOpening(notBlank, true);
        return;
    }
    if (session.link().readSerialNo() == record().serialNoBytes().substr(0, serialRule::Length))
        return;
    const PromptMessage swapped{serialRule::SwappedOnOpenText, message::WarningCaption,
                                PromptIcon::Information, PromptButtons::OkCancel};
    session.refuseOpening(swapped, true);
    session.askReread(swapped);
}

bool serialProgramPiece::offers(sessionAction action) const {
    return action == sessionAction::Update || action == sessionAction::Reading;
}

sessionOutcome serialProgramPiece::act(sessionAction action, const actionRequest& request,
                                       sessionContext& session) {
    sessionOutcome outcome;
    if (action == sessionAction::Reading) {
        m_entry = request.text.substr(0, serialRule::Length);
        session.changed();
        return outcome;
    }
    if (action != sessionAction::Update)
        return procedurePiece::act(action, request, session);
    // A short entry is refused before the radio hears anything.
    if (m_entry.size() < serialRule::Length) {
        const PromptMessage shortEntry{serialRule::LengthText, serialRule::LengthCaption,
                                       PromptIcon::Exclamation};
        session.prompt().show(shortEntry);
        outcome.refuse("refused", shortEntry);
        return outcome;
    }
    bool reached = false;
    bool programmed = false;
    outcome = session.run(false, [&](EnhancedSBEP& link, sessionOutcome& out) {
        reached = true;
        const std::string expected = record().serialNoBytes();
        if (serialProgramming::program(link, expected, m_entry, false) ==
            serialProgramming::result::OtherRadio) {
            reached = false;
            const PromptMessage swapped{serialRule::SwappedText, message::WarningCaption,
                                        PromptIcon::Information};
            session.prompt().show(swapped);
            out.refuse("serial-mismatch", swapped);
            return;
        }
        programmed = true;
        session.prompt().show(serialRule::ProgrammedText, message::NoteCaption, PromptIcon::Information);
    });
    // The radio goes into the service history under its new serial number (the record keeps the blank one).
    if (reached)
        serviceHistory::recordUtility(serviceHistory::kSerialSubject, m_entry,
                                      serviceHistory::modelOf(record()), {},
                                      programmed ? eventOutcome::Ok : eventOutcome::Failed,
                                      programmed ? "the serial number was blank" : message::LinkError);
    return outcome;
}

// --- Temp comp --------------------------------------------------------------------------------------------

tempCompPiece::tempCompPiece(radioStorage& record, bool writeMode)
    : procedurePiece(entryRules("Temp Comp Data"), record), m_write(writeMode) {}

std::optional<PromptMessage> tempCompPiece::portBusyMessage() const {
    return PromptMessage{linkErrorText(), kErrorCaption, PromptIcon::Exclamation};
}

std::string tempCompPiece::linkErrorText() const {
    // Every failure of the read or the write, an unavailable port among them, is told in the same words.
    return m_write ? tempCompRule::WriteFailedText : tempCompRule::ReadFailedText;
}

void tempCompPiece::setupRadio(sessionContext& session) {
    if (m_write)
        return;
    const tempComp::bytes bytes = session.link().readTempComp();
    tempComp::store(record(), bytes);
    m_entry = tempCompRule::format(bytes);
}

bool tempCompPiece::offers(sessionAction action) const {
    return m_write && action == sessionAction::Reading;
}

sessionOutcome tempCompPiece::act(sessionAction action, const actionRequest& request,
                                  sessionContext& session) {
    if (!offers(action))
        return procedurePiece::act(action, request, session);
    m_entry = request.text.substr(0, tempCompRule::Digits);
    session.changed();
    return {};
}

std::optional<sessionOutcome> tempCompPiece::programOwn(sessionContext& session) {
    sessionOutcome outcome;
    const std::optional<tempComp::bytes> bytes = tempCompRule::parse(m_entry);
    if (!m_write || !bytes) {
        const PromptMessage length{tempCompRule::LengthText, message::NoteCaption, PromptIcon::Information};
        if (m_write)
            session.prompt().show(length);
        outcome.refuse("refused", m_write ? length : PromptMessage{kNoSuchActionText, kErrorCaption});
        return outcome;
    }
    outcome = session.run(false, [&](EnhancedSBEP& link, sessionOutcome& out) {
        // A store the radio answers "unsupported" wrote nothing: nothing is reported as written or kept.
        if (!tempComp::write(link, *bytes)) {
            const PromptMessage failed{tempCompRule::WriteFailedText, kErrorCaption, PromptIcon::Exclamation};
            session.prompt().show(failed);
            out.refuse("refused", failed);
            return;
        }
        out.programmedRows.push_back(0);
    });
    if (!outcome.done())
        return outcome;
    // The record follows the radio, or a later Program All would write the old bytes back.
    tempComp::store(record(), *bytes);
    session.prompt().show(tempCompRule::WrittenText, message::NoteCaption, PromptIcon::Information);
    return outcome;
}

std::vector<std::pair<std::string, std::string>> tempCompPiece::readouts() const {
    if (m_write)
        return {};
    return {{"temp-comp", m_entry}};
}

// --- Baseband offsets -------------------------------------------------------------------------------------

namespace {

procedureRules basebandRules() {
    procedureRules p = entryRules("");
    p.mismatch = message::MismatchCapital;
    return p;
}

}  // namespace

basebandPiece::basebandPiece(const pieceEnvironment& environment)
    : procedurePiece(basebandRules(), *environment.record), m_environment(environment) {
    setRows({});
}

bboConfigFileModule& basebandPiece::config() {
    if (m_environment.bboConfig)
        return *m_environment.bboConfig;
    if (!m_ownConfig)
        m_ownConfig.emplace();
    return *m_ownConfig;
}

std::string basebandPiece::configurationFile() const {
    if (record().isBboFromRadio())
        return {};
    const bboConfigFileModule* file = m_environment.bboConfig ? m_environment.bboConfig
                                      : m_ownConfig           ? &*m_ownConfig
                                                              : nullptr;
    return file ? file->loadedFrom() : std::string();
}

bool basebandPiece::checksSerialAtOpening() const {
    // Radios holding their offsets are checked as the tuning windows check; the others are matched
    // against the configuration file instead.
    return record().isBboFromRadio();
}

void basebandPiece::setupRadio(sessionContext& session) {
    radioStorage& r = record();
    EnhancedSBEP& link = session.link();
    if (r.isBboFromRadio()) {
        // Their nine rows are fixed: no configuration file.
        if (!r.allocateBboRows()) {
            session.refuseOpening(bboConfigFileModule::messageFor(bboMatchResult::AllocationFailed), false);
            return;
        }
    } else {
        bboConfigFileModule& file = config();
        if (!file.isLoaded()) {
            const bboLoadResult loaded = file.loadFile(
                bboConfigFileModule::locate(m_environment.settingsDirectory, m_environment.programDirectory));
            if (loaded != bboLoadResult::Loaded) {
                session.refuseOpening(bboConfigFileModule::messageFor(loaded), false);
                return;
            }
        }
        const bboMatchResult matched =
            file.version() != 0 ? bboMatchResult::UnsupportedVersion : file.matchRadio(r, link);
        if (matched != bboMatchResult::Matched) {
            session.refuseOpening(bboConfigFileModule::messageFor(matched), false);
            return;
        }
    }
    m_offsets.emplace(r);
    if (!m_offsets->load(link)) {
        session.refuseOpening({bboText::InitFailed, bboText::InitFailedCaption, PromptIcon::Exclamation},
                              false);
        return;
    }
    std::vector<tuningRow> rows;
    for (int i = 0; i < m_offsets->rowCount(); ++i) {
        tuningRow row;
        row.label = r.getBboRows()[size_t(i)].name;
        while (!row.label.empty() && (row.label.back() == ' ' || row.label.back() == '\0'))
            row.label.pop_back();
        row.recordRow = tuningRow::kNoRecord;
        rows.push_back(row);
    }
    setRows(rows);
    procedurePiece::assignPoints();
    m_shown = 0;
    if (!m_offsets->readChecksum(link))
        session.prompt().show(message::LinkError, kErrorCaption, PromptIcon::Exclamation);
}

bool basebandPiece::offers(sessionAction action) const {
    return action == sessionAction::Update || action == sessionAction::Reading ||
           action == sessionAction::Spacing;
}

sessionOutcome basebandPiece::act(sessionAction action, const actionRequest& request,
                                  sessionContext& session) {
    sessionOutcome outcome;
    if (!m_offsets || !offers(action))
        return procedurePiece::act(action, request, session);
    switch (action) {
        case sessionAction::Spacing:
            if (!request.value || *request.value < 0 || *request.value >= bboCode::Spacings) {
                outcome.refuse("bad-argument", {"The spacing is 0 (12.5 kHz), 1 (20 kHz) or 2 (25 kHz).",
                                                kErrorCaption, PromptIcon::Exclamation});
                return outcome;
            }
            m_shown = *request.value;
            break;
        case sessionAction::Reading: {
            const int code = bboCode::fromText(request.text);
            // A text that is no offset changes nothing.
            if (code != bboCode::None && !m_offsets->choose(m_shown, request.row, code)) {
                const PromptMessage entryError{bboText::EntryError, kErrorCaption, PromptIcon::Exclamation};
                session.prompt().show(entryError);
                outcome.refuse("refused", entryError);
            }
            break;
        }
        case sessionAction::Update:
            return update(session);
        default:
            break;
    }
    session.changed();
    return outcome;
}

sessionOutcome basebandPiece::update(sessionContext& session) {
    if (!m_offsets->fromRadio() && m_offsets->entryError() &&
        session.prompt().show(bboText::UpdateAnyway, bboText::UpdateAnywayCaption, PromptIcon::Question,
                              PromptButtons::OkCancel) != PromptAnswer::Ok) {
        sessionOutcome cancelled;
        cancelled.kind = sessionOutcome::Kind::Cancelled;
        return cancelled;
    }
    basebandOffsets::UpdateResult result = basebandOffsets::UpdateResult::Failed;
    sessionOutcome outcome =
        session.run(true, [&](EnhancedSBEP& link, sessionOutcome&) { result = m_offsets->update(link); });
    if (!outcome.done())
        return outcome;
    if (result == basebandOffsets::UpdateResult::Updated) {
        session.prompt().show(m_offsets->fromRadio() ? bboText::UpdatedRadio : bboText::UpdatedTable,
                              message::NoteCaption, PromptIcon::Information);
    } else {
        const PromptMessage failed{message::LinkError, kErrorCaption, PromptIcon::Exclamation};
        session.prompt().show(failed);
        outcome.kind = sessionOutcome::Kind::LinkFailed;
        outcome.message = failed;
        if (result == basebandOffsets::UpdateResult::Inconsistent)
            outcome.detail = basebandOffsets::kInconsistentText;
    }
    session.changed();
    return outcome;
}

std::string basebandPiece::entry(int row) const {
    return m_offsets ? bboCode::text(m_offsets->newCode(m_shown, row)) : std::string();
}

std::vector<std::pair<std::string, std::string>> basebandPiece::readouts() const {
    std::vector<std::pair<std::string, std::string>> out{{"spacing", std::to_string(m_shown)}};
    if (m_offsets)
        for (int i = 0; i < m_offsets->rowCount(); ++i)
            out.emplace_back("default " + std::to_string(i + 1),
                             bboCode::text(m_offsets->defaultCode(m_shown, i)));
    return out;
}

}  // namespace vantrel

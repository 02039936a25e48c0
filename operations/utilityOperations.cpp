// The utilities' work with the radio.
#include "operations/utilityOperations.h"

#include <cctype>

#include "link/EnhancedSBEP.h"
#include "link/SBEPMessage.h"
#include "operations/radioOperations.h"
#include "operations/utilityRules.h"
#include "radio/RecordLayout.h"

namespace vantrel {

namespace {

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    while (!text.empty() && text.front() == ' ') text.erase(text.begin());
    return text;
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

// --- Serial number ----------------------------------------------------------------------------------------

serialProgramming::result serialProgramming::program(EnhancedSBEP& link, std::string_view expected,
                                                     std::string_view serial, bool verify,
                                                     std::string* readBack) {
    const std::string text(serial.substr(0, serialRule::Length));
    if (text.size() < serialRule::Length)
        return result::TooShort;
    // A radio swapped since its serial number was read would have a valid number overwritten.
    if (link.readSerialNo() != expected.substr(0, serialRule::Length))
        return result::OtherRadio;
    link.writeSerialNo(text.c_str());
    if (!verify)
        return result::Programmed;
    const std::string back = link.readSerialNo();
    if (readBack)
        *readBack = back;
    return back == text ? result::Programmed : result::NotReadBack;
}

// --- Temp comp --------------------------------------------------------------------------------------------

bool tempComp::write(EnhancedSBEP& link, const bytes& data) {
    receiveBuffer().clear();
    link.writeSoftpotBytes(tempCompRule::Softpot, tempCompRule::ProgramFunction, data.data(),
                           static_cast<unsigned>(data.size()));
    // The radio acknowledges a store it does not take and then answers "unsupported".
    const ReceiveBuffer& answer = receiveBuffer();
    return !(answer.dataReplyPresent() && answer.dataReplyUnsupported());
}

void tempComp::store(radioStorage& record, const bytes& data) {
    for (std::size_t i = 0; i < data.size(); ++i)
        record.setValue(row::Frequency, col::TempCompFirst + static_cast<int>(i), data[i]);
}

// --- Baseband offsets -------------------------------------------------------------------------------------

basebandUpdate::basebandUpdate(bboConfigFileModule& config) : m_config(config) {}

basebandUpdate::result basebandUpdate::prepare(EnhancedSBEP& link) {
    m_record.setModelNo(link.readModelNo());
    m_record.setSerialNo(link.readSerialNo());
    radioOperations().readBasebandOffsets(m_record, link);
    if (!m_record.isBboFromRadio() && !m_config.isLoaded())
        return result::NeedsConfig;
    m_match = m_config.matchRadio(m_record, link);
    if (m_match != bboMatchResult::Matched)
        return result::NotMatched;
    m_offsets.emplace(m_record);
    return m_offsets->load(link) ? result::Ok : result::LoadFailed;
}

std::vector<std::string> basebandUpdate::rowNames() const {
    std::vector<std::string> names;
    const std::vector<BboRow>& rows = m_record.getBboRows();
    for (int j = 0; j < m_offsets->rowCount(); ++j) names.push_back(trimmed(rows[std::size_t(j)].name));
    return names;
}

basebandUpdate::result basebandUpdate::readChecksum(EnhancedSBEP& link) {
    return m_offsets->readChecksum(link) ? result::Ok : result::ChecksumUnknown;
}

basebandUpdate::result basebandUpdate::choose(const std::string& name, int spacing, int code) {
    const std::vector<std::string> names = rowNames();
    int row = -1;
    for (int j = 0; j < int(names.size()); ++j)
        if (sameName(names[std::size_t(j)], trimmed(name)))
            row = j;
    if (row < 0)
        return result::NoSuchRow;
    for (int s = 0; s < bboCode::Spacings; ++s) {
        if (spacing >= 0 && spacing != s)
            continue;
        if (!m_offsets->choose(s, row, code))
            return result::EntryError;
    }
    return result::Ok;
}

basebandUpdate::result basebandUpdate::update(EnhancedSBEP& link, std::string* detail) {
    switch (m_offsets->update(link)) {
        case basebandOffsets::UpdateResult::Updated:
            break;
        case basebandOffsets::UpdateResult::Inconsistent:
            return result::Inconsistent;
        case basebandOffsets::UpdateResult::Failed:
        case basebandOffsets::UpdateResult::ChecksumUnknown:
            return result::UpdateFailed;
    }
    // What the radio holds now must be what was chosen.
    radioStorage again;
    again.setModelNo(m_record.modelNoBytes());
    radioOperations().readBasebandOffsets(again, link);
    if (again.isBboFromRadio() != m_record.isBboFromRadio() ||
        m_config.matchRadio(again, link) != bboMatchResult::Matched) {
        if (detail)
            *detail = "the radio could not be read back";
        return result::NotReadBack;
    }
    basebandOffsets check(again);
    if (!check.load(link)) {
        if (detail)
            *detail = "the radio could not be read back";
        return result::NotReadBack;
    }
    const std::vector<std::string> names = rowNames();
    for (int s = 0; s < bboCode::Spacings; ++s)
        for (int j = 0; j < m_offsets->rowCount(); ++j)
            if (check.defaultCode(s, j) != m_offsets->newCode(s, j)) {
                if (detail)
                    *detail = "the radio reads back " + bboCode::text(check.defaultCode(s, j)) + " for " +
                              names[std::size_t(j)] + " at " + kSpacingNames[s];
                return result::NotReadBack;
            }
    return result::Ok;
}

}  // namespace vantrel

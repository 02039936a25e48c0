// Baseband offsets of one radio: codes from the record or a codeplug table, choices, the update.
#include "operations/basebandOffsets.h"

#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "operations/serviceHistory.h"
#include "radio/RecordLayout.h"
#include "radio/radioStorage.h"
#include "radio/radiomodel.h"

namespace vantrel {

namespace bboCode {

namespace {
constexpr std::array<const char*, Count> kTexts = {
    "234 Hz",  "204 Hz",  "174 Hz",  "144 Hz",  "115 Hz", "86 Hz",  "57 Hz",  "28 Hz",
    "1500 Hz", "1370 Hz", "1215 Hz", "1066 Hz", "921 Hz", "781 Hz", "646 Hz", "512 Hz"};
constexpr std::array<int, Count> kListOrder = {7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8};
}  // namespace

std::string text(int code) {
    return code >= 0 && code < Count ? kTexts[static_cast<std::size_t>(code)] : "";
}

int fromText(const std::string& t) {
    for (int c = 0; c < Count; ++c)
        if (t == kTexts[static_cast<std::size_t>(c)])
            return c;
    return None;
}

const std::array<int, Count>& listOrder() {
    return kListOrder;
}

}  // namespace bboCode

namespace {

constexpr int kHighNibbleShift = 4;
constexpr int kHighestCode = bboCode::Count - 1;
constexpr std::uint32_t kTableAddressMask = 0xFFFF;
// The item whose low nibble is not one of the rows (kept as the radio has it).
constexpr int kLowKeptItem = 4;
constexpr int kLowKeptRow = 8;

bool validCode(int code) {
    return code >= 0 && code <= kHighestCode;
}

}  // namespace

basebandOffsets::basebandOffsets(radioStorage& record)
    : m_record(record),
      m_fromRadio(record.isBboFromRadio()),
      m_mainBandGroup(radiomodel().isMainBandGroup(record)) {
    m_rows = std::min<int>(static_cast<int>(record.getBboRows().size()), bboCode::MaxRows);
    for (auto& spacing : m_default) spacing.fill(bboCode::None);
    m_new = m_default;
}

int basebandOffsets::defaultCode(int spacing, int row) const {
    if (spacing < 0 || spacing >= bboCode::Spacings || row < 0 || row >= m_rows)
        return bboCode::None;
    return m_default[static_cast<std::size_t>(spacing)][static_cast<std::size_t>(row)];
}

int basebandOffsets::newCode(int spacing, int row) const {
    if (spacing < 0 || spacing >= bboCode::Spacings || row < 0 || row >= m_rows)
        return bboCode::None;
    return m_new[static_cast<std::size_t>(spacing)][static_cast<std::size_t>(row)];
}

std::uint8_t basebandOffsets::merge(std::uint8_t current, std::uint8_t mask, int code) {
    const auto kept = static_cast<std::uint8_t>(current & ~mask);
    if (mask == bboCode::LowNibbleMask)
        return static_cast<std::uint8_t>(code | kept);
    return static_cast<std::uint8_t>((code << kHighNibbleShift) | kept);
}

int basebandOffsets::extract(std::uint8_t byte, std::uint8_t mask) {
    int code = byte & mask;
    if (code > kHighestCode)
        code >>= kHighNibbleShift;
    return code;
}

std::uint32_t basebandOffsets::tableAddress() const {
    return static_cast<std::uint32_t>(m_record.bboBlock().tableAddress) & kTableAddressMask;
}

std::optional<pendingCodeplugUpdate> basebandOffsets::pendingFor(std::uint16_t radioChecksum) {
    const codeplugUpdateJournal journal(linkContext().programDirectory);
    const std::string serial = m_record.serialNoBytes();
    std::optional<pendingCodeplugUpdate> pending = journal.find(serial, tableAddress());
    // This update's own note still counts when the settings folder could not keep it.
    if (!pending && m_pending && m_pending->serial == serial && m_pending->tableAddress == tableAddress())
        pending = m_pending;
    if (pending && radioChecksum != pending->checksumBefore && radioChecksum != pending->checksumAfter) {
        // Written since by other means: what was noted says nothing about this codeplug any more.
        journal.forget(serial, tableAddress());
        m_pending.reset();
        pending.reset();
    }
    return pending;
}

void basebandOffsets::checkPendingUpdate() {
    m_interruptedFound = false;
    if (!m_checksumKnown || !m_table.isLoaded())
        return;
    const std::uint16_t radioChecksum = static_cast<std::uint16_t>(m_sum[0] << 8 | m_sum[1]);
    const std::optional<pendingCodeplugUpdate> pending = pendingFor(radioChecksum);
    if (!pending)
        return;
    // The checksum the loaded table needs, whatever part of the cut update reached the radio.
    const auto needed = static_cast<std::uint16_t>(pending->invariant - codeplugSum(m_table.buffer()));
    if (needed == radioChecksum) {
        codeplugUpdateJournal(linkContext().programDirectory)
            .forget(m_record.serialNoBytes(), tableAddress());
        return;
    }
    m_interruptedFound = true;
    m_sum[0] = static_cast<std::uint8_t>(needed >> 8);
    m_sum[1] = static_cast<std::uint8_t>(needed);
}

bool basebandOffsets::load(RadioProtocol& link) {
    if (m_fromRadio) {
        for (int s = 0; s < bboCode::Spacings; ++s) {
            for (int k = 0; k < static_cast<int>(bboCode::Items.size()); ++k) {
                const int byte = m_record.getValue(row::BasebandOffset, s * col::BasebandItemsPerSpacing + k);
                const int low = byte & bboCode::LowNibbleMask;
                const int high = (byte >> kHighNibbleShift) & bboCode::LowNibbleMask;
                auto& codes = m_default[static_cast<std::size_t>(s)];
                if (k == kLowKeptItem) {
                    codes[kLowKeptRow] = high;
                } else {
                    codes[static_cast<std::size_t>(2 * k)] = low;
                    codes[static_cast<std::size_t>(2 * k + 1)] = high;
                }
            }
        }
        m_new = m_default;
        return true;
    }
    if (!m_table.loadTable(link, tableAddress()))
        return false;
    const std::vector<BboRow>& rows = m_record.getBboRows();
    for (int s = 0; s < bboCode::Spacings; ++s) {
        for (int j = 0; j < m_rows; ++j) {
            const BboRow& r = rows[static_cast<std::size_t>(j)];
            std::uint8_t byte = 0;
            if (!m_table.getEntryByte(byte, 0, s, r.bytePosition))
                return false;
            m_default[static_cast<std::size_t>(s)][static_cast<std::size_t>(j)] = extract(byte, r.mask);
        }
    }
    m_new = m_default;
    return true;
}

bool basebandOffsets::readChecksum() {
    if (!m_mainBandGroup || m_fromRadio)
        return true;
    m_checksumKnown = codeplugAccess::readCodeplugChecksum(m_sum);
    checkPendingUpdate();
    return m_checksumKnown;
}

bool basebandOffsets::readChecksum(RadioProtocol& link) {
    if (!m_mainBandGroup || m_fromRadio)
        return true;
    m_checksumKnown = codeplugAccess::readCodeplugChecksum(m_sum, link);
    checkPendingUpdate();
    return m_checksumKnown;
}

bool basebandOffsets::choose(int spacing, int row, int code) {
    if (!validCode(code) || spacing < 0 || spacing >= bboCode::Spacings || row < 0 || row >= m_rows)
        return true;
    m_new[static_cast<std::size_t>(spacing)][static_cast<std::size_t>(row)] = code;
    if (m_fromRadio)
        return true;
    const BboRow& r = m_record.getBboRows()[static_cast<std::size_t>(row)];
    std::uint8_t current = 0;
    bool stored = m_table.getEntryByte(current, 0, spacing, r.bytePosition);
    if (stored) {
        const std::uint8_t byte = merge(current, r.mask, code);
        stored = m_mainBandGroup ? m_table.setEntryByteKeepSum(byte, 0, spacing, r.bytePosition, m_sum)
                                 : m_table.setEntryByte(byte, 0, spacing, r.bytePosition);
    }
    if (!stored)
        m_entryError = true;
    return stored;
}

basebandOffsets::UpdateResult basebandOffsets::update(EnhancedSBEP& link) {
    // Every update goes into the service history: each row's code per spacing before it and as the radio
    // holds it after (a failed update shows what reached the radio).
    const auto before = m_default;
    UpdateResult result = UpdateResult::Failed;
    const serviceHistory::atScopeExit history([&] { recordUpdate(before, result); });
    if (m_fromRadio)
        result = updateRadioHeld(link) ? UpdateResult::Updated : UpdateResult::Failed;
    else if (m_mainBandGroup && !m_checksumKnown)
        result = UpdateResult::ChecksumUnknown;
    else
        result = updateTable(link);
    return result;
}

void basebandOffsets::recordUpdate(
    const std::array<std::array<int, bboCode::MaxRows>, bboCode::Spacings>& before,
    UpdateResult result) const {
    if (!historySink())
        return;
    static constexpr const char* kSpacings[] = {"12.5 kHz", "20 kHz", "25 kHz"};
    std::vector<EventValue> values;
    const std::vector<BboRow>& rows = m_record.getBboRows();
    for (int s = 0; s < bboCode::Spacings; ++s)
        for (int j = 0; j < m_rows && j < static_cast<int>(rows.size()); ++j) {
            std::string name = rows[static_cast<std::size_t>(j)].name;
            while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
            values.push_back({name + " " + kSpacings[s], -1, -1,
                              before[static_cast<std::size_t>(s)][static_cast<std::size_t>(j)],
                              m_default[static_cast<std::size_t>(s)][static_cast<std::size_t>(j)]});
        }
    const bool updated = result == UpdateResult::Updated;
    std::string detail = result == UpdateResult::Inconsistent ? kInconsistentText
                         : result == UpdateResult::ChecksumUnknown
                             ? "the codeplug checksum is not known: nothing written"
                         : updated ? ""
                                   : "the radio failed part-way";
    serviceHistory::recordUtility("Baseband Offset Update", m_record.serialNoBytes(),
                                  m_record.modelNoBytes().substr(0, 15), std::move(values),
                                  updated ? eventOutcome::Ok : eventOutcome::Failed, detail);
}

bool basebandOffsets::updateRadioHeld(EnhancedSBEP& link) {
    for (int s = 0; s < bboCode::Spacings; ++s) {
        auto& fresh = m_new[static_cast<std::size_t>(s)];
        auto& defaults = m_default[static_cast<std::size_t>(s)];
        for (int k = 0; k < static_cast<int>(bboCode::Items.size()); ++k) {
            const int column = s * col::BasebandItemsPerSpacing + k;
            std::uint8_t byte = 0;
            if (k == kLowKeptItem) {
                if (!validCode(fresh[kLowKeptRow]))
                    return false;
                byte = static_cast<std::uint8_t>(
                    fresh[kLowKeptRow] << kHighNibbleShift |
                    (m_record.getValue(row::BasebandOffset, column) & bboCode::LowNibbleMask));
            } else {
                const int low = fresh[static_cast<std::size_t>(2 * k)];
                const int high = fresh[static_cast<std::size_t>(2 * k + 1)];
                if (!validCode(low) || !validCode(high))
                    return false;
                byte = static_cast<std::uint8_t>(high << kHighNibbleShift | low);
            }
            try {
                link.writeBBO(byte, bboCode::Items[static_cast<std::size_t>(k)],
                              static_cast<std::uint8_t>(bboCode::WriteIndexBase + s));
            } catch (const Exception&) {
                return false;
            }
            // Only what the radio took becomes the record's and the shown default.
            m_record.setValue(row::BasebandOffset, column, byte);
            if (k == kLowKeptItem) {
                defaults[kLowKeptRow] = fresh[kLowKeptRow];
            } else {
                defaults[static_cast<std::size_t>(2 * k)] = fresh[static_cast<std::size_t>(2 * k)];
                defaults[static_cast<std::size_t>(2 * k + 1)] = fresh[static_cast<std::size_t>(2 * k + 1)];
            }
        }
    }
    return true;
}

basebandOffsets::UpdateResult basebandOffsets::updateTable(EnhancedSBEP& link) {
    UpdateResult result = writeTable(link);
    try {
        link.resetRadio();
    } catch (const Exception&) {
        if (result == UpdateResult::Updated)
            result = UpdateResult::Failed;
    }
    if (result == UpdateResult::Updated)
        m_default = m_new;
    return result;
}

basebandOffsets::UpdateResult basebandOffsets::writeTable(EnhancedSBEP& link) {
    const codeplugUpdateJournal journal(linkContext().programDirectory);
    const std::string serial = m_record.serialNoBytes();
    std::uint8_t target[2] = {0, 0};
    if (m_mainBandGroup) {
        // What the radio holds now decides the checksum, not what was read at set-up: an earlier update
        // may have reached the radio since, in part or whole.
        std::uint8_t radioSum[2] = {0, 0};
        codeplugAccess now;
        if (!codeplugAccess::readCodeplugChecksum(radioSum, link) || !now.loadTable(link, tableAddress()))
            return UpdateResult::Failed;
        const auto radioChecksum = static_cast<std::uint16_t>(radioSum[0] << 8 | radioSum[1]);
        const std::optional<pendingCodeplugUpdate> pending = pendingFor(radioChecksum);
        const std::uint16_t invariant =
            pending ? pending->invariant
                    : static_cast<std::uint16_t>(radioChecksum + codeplugSum(now.buffer()));
        const auto checksum = static_cast<std::uint16_t>(invariant - codeplugSum(m_table.buffer()));
        target[0] = static_cast<std::uint8_t>(checksum >> 8);
        target[1] = static_cast<std::uint8_t>(checksum);
        // Noted before the first write: a cut between the table and its checksum is put right by the next
        // update, in this run or a later one.
        m_pending = pendingCodeplugUpdate{serial, tableAddress(), invariant, radioChecksum, checksum};
        journal.note(*m_pending);
    }
    // What the radio took is read back before anything counts as written.
    codeplugAccess check;
    if (!m_table.storeTable(link, tableAddress()) || !check.loadTable(link, tableAddress()) ||
        check.buffer() != m_table.buffer())
        return UpdateResult::Failed;
    if (!m_mainBandGroup)
        return UpdateResult::Updated;
    std::uint8_t back[2] = {0, 0};
    if (!codeplugAccess::writeCodeplugChecksum(target, link) ||
        !codeplugAccess::readCodeplugChecksum(back, link) || back[0] != target[0] || back[1] != target[1])
        return UpdateResult::Inconsistent;
    journal.forget(serial, tableAddress());
    m_pending.reset();
    m_sum[0] = target[0];
    m_sum[1] = target[1];
    m_interruptedFound = false;
    return UpdateResult::Updated;
}

}  // namespace vantrel

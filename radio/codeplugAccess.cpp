// Codeplug tables: header forms, positions, checksums, chunked loads and stores.
#include "radio/codeplugAccess.h"

#include <algorithm>
#include <array>
#include <new>

#include "link/Exceptions.h"
#include "link/RadioProtocol.h"
#include "link/SBEPMessage.h"
#include "link/cominit.h"

namespace vantrel {

namespace {

constexpr std::size_t kReplyAddressBytes = 3;

}  // namespace

bool codeplugAccess::readBytes(RadioProtocol& link, std::uint32_t address, unsigned count,
                               std::uint8_t* out) {
    if (count == 0 || count > codeplugTable::ReadChunk || address >= codeplugTable::AddressLimit)
        return false;
    std::array<std::uint8_t, sbep::ReplyBufferSize> frame{};
    link.readMemory(frame.data(), address, count);
    // Header: opcode nibble 0xF (the opcode follows), count nibble 0xF (a 16-bit count follows). The
    // count covers the payload and the checksum byte.
    if ((frame[0] >> 4) != sbep::ExtendedMarker || frame[1] != sbep::MemoryReadReply)
        return false;
    std::size_t header = 2;
    std::size_t counted = frame[0] & 0x0F;
    if (counted == sbep::ExtendedMarker) {
        counted = static_cast<std::size_t>(frame[2] << 8 | frame[3]);
        header = 4;
    }
    if (counted != kReplyAddressBytes + count + 1 || header + counted > frame.size())
        return false;
    const std::uint8_t* p = frame.data() + header;
    const std::uint32_t echoed =
        static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
    if (echoed != address)
        return false;
    std::copy(p + kReplyAddressBytes, p + kReplyAddressBytes + count, out);
    return true;
}

int codeplugAccess::headerSize() const {
    return m_longForm ? codeplugTable::LongHeader : codeplugTable::ShortHeader;
}

bool codeplugAccess::decodeHeader(RadioProtocol& link, std::uint32_t address) {
    std::uint8_t h[codeplugTable::LongHeader];
    if (!readBytes(link, address, codeplugTable::LongHeader, h))
        return false;
    m_tableAddress = address;
    m_longForm = h[0] & codeplugTable::LongFormBit;
    m_marker = h[0] & codeplugTable::MarkerBit;
    m_tableSum = h[0] & codeplugTable::TableChecksumBit;
    m_shape.clear();
    // Lengths are counted in 64 bits: a damaged header must not wrap round to a small table.
    std::uint64_t length = 0;
    const std::uint64_t room = codeplugTable::AddressLimit - address;
    if (!m_longForm) {
        m_entrySums = h[0] & codeplugTable::InnerChecksumBit;
        m_recordSums = false;
        m_entrySize = h[1];
        m_entriesPerRecord = h[2];
        m_recordSize = 0;
        m_records = 0;
        m_varying = false;
        RecordShape only;
        only.start = codeplugTable::ShortHeader;
        only.entries = m_entriesPerRecord;
        only.length = static_cast<std::uint32_t>(m_entriesPerRecord) * entryStride();
        m_shape.push_back(only);
        length = codeplugTable::ShortHeader + only.length;
    } else {
        m_recordSums = h[0] & codeplugTable::InnerChecksumBit;
        m_recordSize = h[1];
        m_records = h[2];
        m_entrySums = h[3] & codeplugTable::LongEntryChecksumBit;
        m_entrySize = h[4];
        m_entriesPerRecord = h[5];
        m_varying = m_recordSize == 0;
        const std::uint32_t recordSum = m_recordSums ? 1 : 0;
        if (!m_varying) {
            // Entries that would run past the record size belong to no record: they are not offered.
            const int fitting =
                entryStride() ? static_cast<int>(m_recordSize / entryStride()) : m_entriesPerRecord;
            for (int r = 0; r < m_records; ++r) {
                RecordShape s;
                s.start =
                    codeplugTable::LongHeader + static_cast<std::uint32_t>(r) * (m_recordSize + recordSum);
                s.length = static_cast<std::uint32_t>(m_recordSize) + recordSum;
                s.entries = std::min(m_entriesPerRecord, fitting);
                m_shape.push_back(s);
            }
            length = codeplugTable::LongHeader +
                     static_cast<std::uint64_t>(m_records) * (m_recordSize + recordSum);
        } else {
            length = codeplugTable::VaryingHeader;
            for (int r = 0; r < m_records; ++r) {
                std::uint8_t count = h[5];
                if (r > 0) {
                    if (length >= room ||
                        !readBytes(link, address + static_cast<std::uint32_t>(length), 1, &count))
                        return false;
                }
                RecordShape s;
                s.start = static_cast<std::uint32_t>(length);
                s.entries = count;
                s.length = 1 + count * entryStride() + recordSum;
                m_shape.push_back(s);
                length += s.length;
            }
        }
    }
    if (m_tableSum)
        length += 1;
    if (length > room)
        return false;
    m_tableLength = static_cast<std::uint32_t>(length);
    return true;
}

bool codeplugAccess::loadTable(RadioProtocol& link, std::uint32_t address) {
    // Whatever was loaded before is gone the moment a new load starts: a failed reload must not leave
    // the old table looking current.
    m_state = StateEmpty;
    m_buffer.clear();
    try {
        if (address >= codeplugTable::AddressLimit || !decodeHeader(link, address))
            return false;
        std::vector<std::uint8_t> table(m_tableLength);
        for (std::uint32_t done = 0; done < m_tableLength;) {
            const unsigned n = std::min<std::uint32_t>(codeplugTable::ReadChunk, m_tableLength - done);
            if (!readBytes(link, address + done, n, table.data() + done))
                return false;
            done += n;
        }
        // The count bytes read one by one must be those of the table read in chunks.
        if (m_varying) {
            for (const RecordShape& s : m_shape)
                if (table[s.start] != s.entries)
                    return false;
        }
        m_buffer = std::move(table);
    } catch (const Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_state = StateLoaded;
    return true;
}

bool codeplugAccess::storeTable(RadioProtocol& link, std::uint32_t address) {
    if (!isLoaded() || address >= codeplugTable::AddressLimit ||
        m_tableLength > codeplugTable::AddressLimit - address)
        return false;
    try {
        for (std::uint32_t done = 0; done < m_tableLength;) {
            const unsigned n = std::min<std::uint32_t>(codeplugTable::WriteChunk, m_tableLength - done);
            link.writeMemory(m_buffer.data() + done, address + done, n);
            done += n;
        }
    } catch (const Exception&) {
        return false;
    }
    return true;
}

long codeplugAccess::positionOf(int record, int entry, int byte) const {
    if (!isLoaded() || record < 0 || record >= static_cast<int>(m_shape.size()))
        return -1;
    const RecordShape& s = m_shape[static_cast<std::size_t>(record)];
    if (entry < 0 || entry >= s.entries || byte < 0 || byte >= m_entrySize)
        return -1;
    // A varying record starts with its count byte; the entries follow it.
    const std::uint32_t dataStart = m_varying ? s.start + 1 : s.start;
    const std::uint32_t position =
        dataStart + static_cast<std::uint32_t>(entry) * entryStride() + static_cast<std::uint32_t>(byte);
    if (position >= s.start + s.length || position >= m_tableLength - (m_tableSum ? 1 : 0))
        return -1;
    return static_cast<long>(position);
}

long codeplugAccess::checksumFor(std::uint32_t position) const {
    if (!isLoaded() || position >= m_tableLength || position < static_cast<std::uint32_t>(headerSize()))
        return -1;
    for (const RecordShape& s : m_shape) {
        if (position < s.start || position >= s.start + s.length)
            continue;
        const std::uint32_t dataStart = m_varying ? s.start + 1 : s.start;
        if (m_entrySums && entryStride() > 0 && position >= dataStart) {
            const std::uint32_t offset = position - dataStart;
            if (offset < static_cast<std::uint32_t>(s.entries) * entryStride()) {
                const std::uint32_t sum = dataStart + (offset / entryStride()) * entryStride() + m_entrySize;
                if (sum != position)
                    return sum;
            }
        }
        if (m_recordSums) {
            const std::uint32_t sum = s.start + s.length - 1;
            if (sum != position)
                return sum;
        }
        break;
    }
    if (m_tableSum && position != m_tableLength - 1)
        return static_cast<long>(m_tableLength - 1);
    return -1;
}

bool codeplugAccess::getEntryByte(std::uint8_t& out, int record, int entry, int byte) const {
    const long position = positionOf(record, entry, byte);
    if (position < 0)
        return false;
    out = m_buffer[static_cast<std::size_t>(position)];
    return true;
}

bool codeplugAccess::setEntryByte(std::uint8_t value, int record, int entry, int byte) {
    const long position = positionOf(record, entry, byte);
    if (position < 0)
        return false;
    std::uint8_t& target = m_buffer[static_cast<std::size_t>(position)];
    const long sum = checksumFor(static_cast<std::uint32_t>(position));
    if (sum >= 0) {
        m_checksumPosition = static_cast<std::uint32_t>(sum);
        std::uint8_t& checksum = m_buffer[static_cast<std::size_t>(sum)];
        checksum = static_cast<std::uint8_t>(checksum + target - value);
    } else if (hasAnyChecksum()) {
        return false;
    }
    target = value;
    return true;
}

bool codeplugAccess::setEntryByteKeepSum(std::uint8_t value, int record, int entry, int byte,
                                         std::uint8_t sum[2]) {
    const long position = positionOf(record, entry, byte);
    if (position < 0 || hasAnyChecksum())
        return false;
    std::uint8_t& target = m_buffer[static_cast<std::size_t>(position)];
    const auto moved = static_cast<std::uint16_t>((sum[0] << 8 | sum[1]) + target - value);
    sum[0] = static_cast<std::uint8_t>(moved >> 8);
    sum[1] = static_cast<std::uint8_t>(moved);
    target = value;
    return true;
}

bool codeplugAccess::readCodeplugChecksum(std::uint8_t out[2]) {
    try {
        cominit link;
        return readCodeplugChecksum(out, link);
    } catch (const Exception&) {
        return false;
    }
}

bool codeplugAccess::readCodeplugChecksum(std::uint8_t out[2], RadioProtocol& link) {
    try {
        return readBytes(link, codeplugTable::CodeplugChecksumAddress, 2, out);
    } catch (const Exception&) {
        return false;
    }
}

bool codeplugAccess::writeCodeplugChecksum(const std::uint8_t bytes[2], RadioProtocol& link) {
    try {
        link.writeMemory(bytes, codeplugTable::CodeplugChecksumAddress, 2);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

}  // namespace vantrel

// Codeplug tables and the codeplug checksum of the simulated radio.
#include "sim/SimCodeplug.h"

#include <stdexcept>

#include "sim/SimFrame.h"
#include "sim/SimProtocol.h"

namespace vantrel {

using namespace sim;

namespace {

uint8_t byteSize(size_t v, const char* what) {
    if (v > 255)
        throw std::invalid_argument(std::string("codeplug table: ") + what + " above 255");
    return static_cast<uint8_t>(v);
}

void appendEntry(std::vector<uint8_t>& out, const std::vector<uint8_t>& entry, int entrySize, bool checksum) {
    if (static_cast<int>(entry.size()) != entrySize)
        throw std::invalid_argument("codeplug table: an entry has " + std::to_string(entry.size()) +
                                    " bytes, the table's entry size is " + std::to_string(entrySize));
    out.insert(out.end(), entry.begin(), entry.end());
    if (checksum)
        out.push_back(simChecksum(entry.data(), entry.size()));
}

std::string hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v);
    return buf;
}

}  // namespace

std::vector<uint8_t> encodeCodeplugTable(const SimCodeplugTable& t) {
    std::vector<uint8_t> out;
    uint8_t flags = 0;
    if (t.tableChecksum)
        flags |= cptable::kTableChecksumBit;
    if (t.marker)
        flags |= cptable::kMarkerBit;
    const uint8_t entrySize = byteSize(static_cast<size_t>(t.entrySize), "entry size");
    if (t.entrySize < 1)
        throw std::invalid_argument("codeplug table: entry size below 1");
    if (!t.longForm) {
        if (t.records.size() != 1)
            throw std::invalid_argument("codeplug table: the short form holds one record");
        if (t.entryChecksums)
            flags |= cptable::kInnerChecksumBit;
        out = {flags, entrySize, byteSize(t.records[0].size(), "entry count")};
        for (const auto& e : t.records[0]) appendEntry(out, e, t.entrySize, t.entryChecksums);
    } else {
        flags |= cptable::kLongFormBit;
        if (t.recordChecksums)
            flags |= cptable::kInnerChecksumBit;
        if (t.records.empty())
            throw std::invalid_argument("codeplug table: no records");
        const size_t perRecord = t.records[0].size();
        const size_t recordSize = perRecord * (t.entrySize + (t.entryChecksums ? 1 : 0));
        out = {flags,
               t.varyingRecords ? uint8_t{0} : byteSize(recordSize, "record size"),
               byteSize(t.records.size(), "record count"),
               t.entryChecksums ? cptable::kLongEntryChecksumBit : uint8_t{0},
               entrySize,
               byteSize(perRecord, "entries per record")};
        // In the varying form header byte 5 is the first record's count byte.
        if (t.varyingRecords)
            out.pop_back();
        for (const auto& rec : t.records) {
            if (!t.varyingRecords && rec.size() != perRecord)
                throw std::invalid_argument("codeplug table: fixed records need equal entry counts");
            const size_t start = out.size();
            if (t.varyingRecords)
                out.push_back(byteSize(rec.size(), "entry count"));
            for (const auto& e : rec) appendEntry(out, e, t.entrySize, t.entryChecksums);
            if (t.recordChecksums)
                out.push_back(simChecksum(out.data() + start, out.size() - start));
        }
    }
    if (t.tableChecksum)
        out.push_back(simChecksum(out.data(), out.size()));
    return out;
}

std::string verifyCodeplugTable(const std::vector<uint8_t>& image, uint32_t address) {
    auto at = [&](size_t i) -> int { return address + i < image.size() ? image[address + i] : -1; };
    auto sumCheck = [&](size_t from, size_t to, const std::string& what) -> std::string {
        // Bytes from..to inclusive, the last being the checksum, must add up to 0xFF.
        unsigned sum = 0;
        for (size_t i = from; i <= to; ++i) {
            if (at(i) < 0)
                return what + ": beyond the codeplug";
            sum += static_cast<unsigned>(at(i));
        }
        if ((sum & 0xFF) == 0xFF)
            return {};
        const unsigned stored = static_cast<unsigned>(at(to));
        return what + ": checksum " + hex2(stored) + ", expected " + hex2((stored + 0xFF - sum) & 0xFF);
    };
    if (at(cptable::kLongHeader) < 0)
        return "table header beyond the codeplug";
    const uint8_t b0 = static_cast<uint8_t>(at(0));
    const bool tableSum = b0 & cptable::kTableChecksumBit;
    size_t pos = 0;
    if (!(b0 & cptable::kLongFormBit)) {
        const bool entrySums = b0 & cptable::kInnerChecksumBit;
        const int size = at(1), count = at(2);
        pos = cptable::kShortHeader;
        for (int e = 0; e < count; ++e) {
            if (entrySums) {
                std::string err = sumCheck(pos, pos + size, "entry " + std::to_string(e));
                if (!err.empty())
                    return err;
                pos += 1;
            }
            pos += size;
        }
    } else {
        const bool recordSums = b0 & cptable::kInnerChecksumBit;
        const int recordSize = at(1), records = at(2), entrySize = at(4);
        const bool entrySums = at(3) & cptable::kLongEntryChecksumBit;
        pos = recordSize == 0 ? cptable::kLongHeader - 1 : cptable::kLongHeader;
        for (int r = 0; r < records; ++r) {
            const size_t start = pos;
            int entries = recordSize == 0 ? at(pos) : at(5);
            if (entries < 0)
                return "record " + std::to_string(r) + ": beyond the codeplug";
            if (recordSize == 0)
                pos += 1;
            for (int e = 0; e < entries; ++e) {
                if (entrySums) {
                    std::string err =
                        sumCheck(pos, pos + entrySize,
                                 "entry " + std::to_string(e) + " of record " + std::to_string(r));
                    if (!err.empty())
                        return err;
                    pos += 1;
                }
                pos += entrySize;
            }
            if (recordSums) {
                std::string err = sumCheck(start, pos, "record " + std::to_string(r));
                if (!err.empty())
                    return err;
                pos += 1;
            }
        }
    }
    if (tableSum)
        return sumCheck(0, pos, "table");
    return {};
}

uint16_t codeplugChecksum(const std::vector<uint8_t>& image) {
    uint16_t sum = 0;
    for (size_t i = 0; i < image.size(); ++i)
        if (i != codeplug::ChecksumAddress && i != codeplug::ChecksumAddress + 1)
            sum = static_cast<uint16_t>(sum + image[i]);
    return static_cast<uint16_t>(0x10000 - sum);
}

bool codeplugChecksumHolds(const std::vector<uint8_t>& image) {
    if (image.size() < codeplug::ChecksumAddress + 2)
        return false;
    const uint16_t stored =
        static_cast<uint16_t>(image[codeplug::ChecksumAddress] << 8 | image[codeplug::ChecksumAddress + 1]);
    return stored == codeplugChecksum(image);
}

void storeCodeplugChecksum(std::vector<uint8_t>& image) {
    if (image.size() < codeplug::ChecksumAddress + 2)
        return;
    const uint16_t sum = codeplugChecksum(image);
    image[codeplug::ChecksumAddress] = static_cast<uint8_t>(sum >> 8);
    image[codeplug::ChecksumAddress + 1] = static_cast<uint8_t>(sum);
}

}  // namespace vantrel

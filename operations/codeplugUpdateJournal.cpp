// Codeplug table updates not yet confirmed by the radio, kept on disk so that a later run finishes them.
#include "operations/codeplugUpdateJournal.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

#include "link/regularFile.h"
#include "link/writeFileAtomically.h"

namespace vantrel {

namespace {

constexpr std::size_t kFileLimit = 64 * 1024;
constexpr const char* kHeading = "# vantrel: codeplug table updates the radio has not confirmed\n";
constexpr std::size_t kSerialLength = 10;

std::string hexOf(const std::string& bytes) {
    static const char* const digits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

std::optional<std::string> bytesOf(const std::string& hex) {
    if (hex.size() != 2 * kSerialLength)
        return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        if (std::sscanf(hex.c_str() + i, "%2x", &value) != 1)
            return std::nullopt;
        out += static_cast<char>(value);
    }
    return out;
}

bool sameUpdate(const pendingCodeplugUpdate& u, const std::string& serial, std::uint32_t tableAddress) {
    return u.serial == serial && u.tableAddress == tableAddress;
}

}  // namespace

std::uint16_t codeplugSum(const std::vector<std::uint8_t>& bytes) {
    std::uint16_t sum = 0;
    for (const std::uint8_t b : bytes) sum = static_cast<std::uint16_t>(sum + b);
    return sum;
}

std::vector<pendingCodeplugUpdate> codeplugUpdateJournal::readAll() const {
    std::vector<pendingCodeplugUpdate> updates;
    const RegularFileText file = readRegularFile(path(), kFileLimit);
    if (!file)
        return updates;
    std::istringstream lines(file.text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string serial;
        unsigned long address = 0, invariant = 0, before = 0, after = 0;
        if (!(fields >> serial >> address >> invariant >> before >> after) || invariant > 0xFFFF ||
            before > 0xFFFF || after > 0xFFFF || address > 0xFFFFFF)
            continue;
        const std::optional<std::string> bytes = bytesOf(serial);
        if (!bytes)
            continue;
        updates.push_back({*bytes, static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(invariant),
                           static_cast<std::uint16_t>(before), static_cast<std::uint16_t>(after)});
    }
    return updates;
}

bool codeplugUpdateJournal::writeAll(const std::vector<pendingCodeplugUpdate>& updates) const {
    if (updates.empty())
        return ::unlink(path().c_str()) == 0 || errno == ENOENT;
    std::string text = kHeading;
    for (const pendingCodeplugUpdate& u : updates)
        text += hexOf(u.serial) + " " + std::to_string(u.tableAddress) + " " + std::to_string(u.invariant) +
                " " + std::to_string(u.checksumBefore) + " " + std::to_string(u.checksumAfter) + "\n";
    return static_cast<bool>(writeFileAtomically(path(), text));
}

std::optional<pendingCodeplugUpdate> codeplugUpdateJournal::find(const std::string& serial,
                                                                 std::uint32_t tableAddress) const {
    for (const pendingCodeplugUpdate& u : readAll())
        if (sameUpdate(u, serial, tableAddress))
            return u;
    return std::nullopt;
}

bool codeplugUpdateJournal::note(const pendingCodeplugUpdate& update) const {
    std::vector<pendingCodeplugUpdate> updates = readAll();
    std::erase_if(updates, [&](const pendingCodeplugUpdate& u) {
        return sameUpdate(u, update.serial, update.tableAddress);
    });
    updates.push_back(update);
    return writeAll(updates);
}

bool codeplugUpdateJournal::forget(const std::string& serial, std::uint32_t tableAddress) const {
    std::vector<pendingCodeplugUpdate> updates = readAll();
    const auto removed = std::erase_if(
        updates, [&](const pendingCodeplugUpdate& u) { return sameUpdate(u, serial, tableAddress); });
    if (removed == 0)
        return true;
    return writeAll(updates);
}

}  // namespace vantrel

// The simulated radio's request handling, state and answer timing.
#include "sim/SimRadio.h"

#include <algorithm>
#include <cmath>

#include "sim/SimProtocol.h"

namespace vantrel {

using namespace sim;

namespace {

std::vector<uint8_t> bigEndian(int64_t value, int width) {
    std::vector<uint8_t> out;
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
}

int64_t fromBigEndian(std::vector<uint8_t>::const_iterator first, std::vector<uint8_t>::const_iterator last) {
    int64_t v = 0;
    for (auto it = first; it != last; ++it) v = (v << 8) | *it;
    return v;
}

std::string hex(unsigned v, int digits = 2) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
    return buf;
}

std::string pointName(int point) {
    return "F" + std::to_string(point + 1);
}

std::string setName(const SimSoftpotSpec& sp, int set) {
    switch (sp.rule) {
        case SimSetRule::Power:
            return set == 0 ? " high power" : " low power";
        case SimSetRule::Spacing:
            return set == 0 ? " 12.5 kHz" : set == 1 ? " 20 kHz" : " 25 kHz";
        case SimSetRule::VolumeMode:
            return set == 0 ? "" : " Brightline";
        case SimSetRule::None:
            break;
    }
    return "";
}

std::string where(const SimSoftpotSpec& sp, int set, int point) {
    return "softpot " + std::to_string(sp.number) + setName(sp, set) +
           (sp.perPoint ? " " + pointName(point) : "");
}

uint32_t address24(const std::vector<uint8_t>& p, size_t at) {
    return static_cast<uint32_t>(p[at]) << 16 | static_cast<uint32_t>(p[at + 1]) << 8 | p[at + 2];
}

}  // namespace

SimRadio::SimRadio(SimProfile profile)
    : m_profile(std::move(profile)), m_assembler(m_profile.timing.frameGapMs) {
    for (const SimFaultRule& r : m_profile.faults) m_faults.add(r);
    for (const SimCodeplugTable& t : m_profile.tables)
        m_tables.push_back({t.address, static_cast<uint32_t>(encodeCodeplugTable(t).size()), {}});
}

std::vector<SimOutput> SimRadio::receive(uint8_t byte, uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<SimOutput> out;
    if (m_disconnected)
        return out;
    const SimTiming& t = m_profile.timing;

    // The bus echoes every byte, one character time apart at the least.
    const uint64_t echoAt = std::max(nowMs + t.echoDelayMs, m_nextEchoMs);
    m_nextEchoMs = echoAt + 1;
    out.push_back({echoAt, {byte}, 0, false});

    std::optional<SimFrame> frame = m_assembler.feed(byte, nowMs);
    if (!m_assembler.dropped().empty()) {
        SimEvent e;
        e.atMs = nowMs;
        e.kind = SimEventKind::BadFrame;
        e.bytes = m_assembler.dropped();
        e.text = "incomplete frame dropped";
        m_transcript.add(e);
    }
    if (!frame)
        return out;

    SimEvent in;
    in.atMs = nowMs;
    in.kind = frame->checksumOk && frame->extended ? SimEventKind::FrameIn : SimEventKind::BadFrame;
    in.bytes = frame->raw;
    if (!frame->checksumOk) {
        in.text = "bad checksum, ignored";
        m_transcript.add(in);
        return out;
    }
    if (!frame->extended) {
        in.text = "not a request, ignored";
        m_transcript.add(in);
        return out;
    }
    ++m_requests;
    in.text = describeRequest(*frame);
    m_transcript.add(in);

    std::optional<uint8_t> first;
    if (!frame->payload.empty())
        first = frame->payload[0];
    std::optional<SimFaultRule> fault = m_faults.take(m_requests, frame->opcode, first);
    if (fault) {
        SimEvent f;
        f.atMs = nowMs;
        f.kind = SimEventKind::Fault;
        f.text = std::string("fault: ") + simFaultName(fault->kind) + " (request " +
                 std::to_string(m_requests) + ")";
        m_transcript.add(f);
    }
    const SimFaultKind kind = fault ? fault->kind : SimFaultKind::Silence;

    if (fault && kind == SimFaultKind::Disconnect) {
        m_disconnected = true;
        out.clear();
        out.push_back({nowMs, {}, 0, true});
        return out;
    }
    if (fault && kind == SimFaultKind::Silence)
        return out;

    uint64_t at = m_nextEchoMs - 1 + t.ackDelayMs;
    auto emit = [&](std::vector<uint8_t> bytes, uint32_t perByte, const std::string& text) {
        SimEvent e;
        e.atMs = at;
        e.kind = SimEventKind::FrameOut;
        e.bytes = bytes;
        e.text = text;
        m_transcript.add(e);
        const uint64_t length = bytes.size();
        out.push_back({at, std::move(bytes), perByte, false});
        at += std::max<uint64_t>(1, length * perByte);
    };
    if (fault && kind == SimFaultKind::Noise)
        emit(fault->noise, 1, "noise");
    if (fault && kind == SimFaultKind::Nak) {
        emit(encodeSimFrame(reply::Nak), 0, "negative acknowledge");
        return out;
    }

    Answer answer;
    if (fault && kind == SimFaultKind::Unsupported)
        answer = unsupported(frame->opcode, "refused on purpose");
    else
        answer = handle(*frame, nowMs);
    if (answer.silent)
        return out;
    if (answer.nak) {
        emit(encodeSimFrame(reply::Nak), 0, "negative acknowledge: " + answer.text);
        return out;
    }
    emit(encodeSimFrame(reply::Ack), 0, "acknowledge");
    if (answer.data.empty())
        return out;

    at += t.replyDelayMs > 0 ? t.replyDelayMs - 1 : 0;
    uint32_t perByte = t.replyPerByteMs;
    if (fault && kind == SimFaultKind::BadChecksum) {
        answer.data.back() ^= 0x5A;
        answer.text += " (checksum spoiled)";
    } else if (fault && kind == SimFaultKind::Truncated) {
        const size_t keep = answer.data.size() > fault->dropBytes ? answer.data.size() - fault->dropBytes : 1;
        answer.data.resize(keep);
        answer.text += " (cut short)";
    } else if (fault && kind == SimFaultKind::LateReply) {
        at += fault->delayMs;
        perByte = 0;
        answer.text += " (late)";
    }
    emit(std::move(answer.data), perByte, answer.text);
    return out;
}

SimRadio::Answer SimRadio::handle(const SimFrame& f, uint64_t nowMs) {
    const std::vector<uint8_t>& p = f.payload;
    switch (f.opcode) {
        case op::Reset:
            resetState(nowMs);
            return {};
        case op::ReadMemory:
            return onReadMemory(p);
        case op::WriteMemory:
            return onWriteMemory(p, nowMs);
        case op::WriteSerialNo: {
            if (p.size() != 1 + identity::kSerialLength)
                return {false, true, {}, "serial number needs 11 bytes"};
            m_profile.serialNo.assign(p.begin() + 1, p.end());
            noteState(nowMs, SimTopic::SerialNo, "serial number = \"" + m_profile.serialNo + "\"");
            return generic(f.opcode, p, "serial number written");
        }
        case op::Key: {
            if (p.size() != 1 || p[0] > key::KeyUp)
                return unsupported(f.opcode, "unknown key state");
            m_keyed = p[0] == key::KeyUp;
            noteState(nowMs, SimTopic::Key, m_keyed ? "keyed" : "dekeyed", -1, -1, -1, m_keyed ? 1 : 0);
            return generic(f.opcode, p, m_keyed ? "keyed" : "dekeyed");
        }
        case op::ReadTune:
            return tuningBlock();
        case op::AutoTune:
            return onAutoTune(p, nowMs);
        case op::Softpot:
            return onSoftpot(p, nowMs);
        case op::Channel: {
            if (p.size() != 3 && p.size() != 5)
                return {false, true, {}, "channel request needs 3 or 5 bytes"};
            m_channels.clear();
            for (size_t i = 1; i + 1 < p.size(); i += 2)
                m_channels.push_back(static_cast<uint16_t>(p[i] << 8 | p[i + 1]));
            std::string text = "channel";
            for (uint16_t c : m_channels) text += " " + std::to_string(c);
            SimEvent e;
            e.atMs = nowMs;
            e.topic = SimTopic::Channel;
            e.bytes.assign(p.begin() + 1, p.end());
            e.text = text;
            m_transcript.add(e);
            return generic(f.opcode, p, text);
        }
        case op::TestMode: {
            if (p.size() != 3)
                return {false, true, {}, "test mode needs 3 bytes"};
            m_testMode = std::array<uint8_t, 3>{p[0], p[1], p[2]};
            SimEvent e;
            e.atMs = nowMs;
            e.topic = SimTopic::TestMode;
            e.bytes = p;
            e.text = "test mode " + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " +
                     std::to_string(p[2]);
            m_transcript.add(e);
            return generic(f.opcode, p, e.text);
        }
        case op::Identity:
            return onIdentity(p);
        case op::Bbo:
            return onBbo(p, nowMs);
        default:
            return unsupported(f.opcode, "unknown request");
    }
}

SimRadio::Answer SimRadio::unsupported(uint8_t opcode, const std::string& why) const {
    return {false, false, encodeSimFrame(reply::Unsupported, {opcode}), "unsupported: " + why};
}

SimRadio::Answer SimRadio::generic(uint8_t opcode, const std::vector<uint8_t>& p,
                                   const std::string& text) const {
    std::vector<uint8_t> payload;
    if (!p.empty())
        payload.push_back(p[0]);
    return {false, false, encodeSimFrame(static_cast<uint8_t>(opcode | reply::kGenericBit), payload), text};
}

SimRadio::Answer SimRadio::softpotReply(int number, const std::vector<uint8_t>& valueBytes,
                                        const std::string& text) const {
    std::vector<uint8_t> payload{static_cast<uint8_t>(number)};
    payload.insert(payload.end(), valueBytes.begin(), valueBytes.end());
    return {false, false, encodeSimFrame(reply::Softpot, payload), text};
}

SimRadio::Answer SimRadio::onIdentity(const std::vector<uint8_t>& p) {
    if (p.size() != 1)
        return {false, true, {}, "identity request needs 1 byte"};
    std::vector<uint8_t> payload{p[0]};
    std::string text;
    switch (p[0]) {
        case identity::ModelNo:
            payload.insert(payload.end(), m_profile.modelNo.begin(), m_profile.modelNo.end());
            text = "model \"" + m_profile.modelNo + "\"";
            break;
        case identity::SerialNo:
            payload.insert(payload.end(), m_profile.serialNo.begin(), m_profile.serialNo.end());
            text = "serial \"" + m_profile.serialNo + "\"";
            break;
        case identity::PowerUp:
            payload.push_back(m_profile.powerUpStatus);
            text = "power-up status " + std::to_string(m_profile.powerUpStatus);
            break;
        case identity::IcVersion:
            payload.insert(payload.end(), m_profile.icVersion.begin(), m_profile.icVersion.end());
            text = "IC version";
            break;
        case identity::Uuid:
            payload.insert(payload.end(), m_profile.uuid.begin(), m_profile.uuid.end());
            text = "identifier";
            break;
        default:
            return unsupported(op::Identity, "identity sub-code " + hex(p[0]));
    }
    // The model and identifier replies carry the 16-bit count so their text starts at frame byte 5.
    return {false, false, encodeSimFrame(static_cast<uint8_t>(op::Identity | reply::kGenericBit), payload),
            text};
}

SimRadio::Answer SimRadio::tuningBlock() const {
    std::vector<uint8_t> frameBytes(tune::kFrameLength - 1, 0);
    auto put16 = [&](int at, uint16_t v) {
        frameBytes[at] = static_cast<uint8_t>(v >> 8);
        frameBytes[at + 1] = static_cast<uint8_t>(v);
    };
    put16(tune::Base, m_profile.base);
    frameBytes[tune::Option] = m_profile.option;
    for (int i = 0; i < softpot::kPointCount; ++i) {
        put16(tune::TxPoints + 2 * i, m_profile.txPoints[i]);
        put16(tune::RxPoints + 2 * i, m_profile.rxPoints[i]);
    }
    frameBytes[tune::TxDac] = m_profile.txDac[0];
    frameBytes[tune::TxDac + 1] = m_profile.txDac[1];
    frameBytes[tune::Procedure] = m_profile.procedure;
    frameBytes[tune::Parameter] = m_profile.parameter;
    const std::vector<uint8_t> payload(frameBytes.begin() + 4, frameBytes.end());
    return {false, false, encodeSimFrame(static_cast<uint8_t>(op::ReadTune | reply::kGenericBit), payload),
            "tuning block, procedure " + std::to_string(m_profile.procedure)};
}

int SimRadio::setIndex(const SimSoftpotSpec& sp) const {
    const int sets = static_cast<int>(sp.values.size());
    if (!m_testMode || sets <= 1)
        return 0;
    const auto& tm = *m_testMode;
    int set = 0;
    switch (sp.rule) {
        case SimSetRule::Power:
            set = tm[1] == testmode::PowerLow ? 1 : 0;
            break;
        case SimSetRule::Spacing:
            set = tm[2];
            break;
        case SimSetRule::VolumeMode:
            set = tm[0] == testmode::Brightline ? 1 : 0;
            break;
        case SimSetRule::None:
            break;
    }
    return std::clamp(set, 0, sets - 1);
}

int SimRadio::pointIndex(const SimSoftpotSpec& sp) const {
    if (!sp.perPoint)
        return 0;
    const auto& points = sp.side == SimSide::Tx ? m_profile.txPoints : m_profile.rxPoints;
    std::vector<uint16_t> order = m_channels;
    // A receive softpot follows the receive channel: the second of a pair, or the only one.
    if (sp.side == SimSide::Rx && order.size() == 2)
        std::swap(order[0], order[1]);
    for (uint16_t c : order)
        for (int i = 0; i < softpot::kPointCount; ++i)
            if (c != 0 && points[i] == c)
                return i;
    // Off the tuning points the radio uses the first point it has.
    for (int i = 0; i < softpot::kPointCount; ++i)
        if (points[i] != 0)
            return i;
    return 0;
}

int64_t SimRadio::currentValue(const SimSoftpotSpec& sp, int set, int point) const {
    auto it = m_live.find({sp.number, set, point});
    if (it != m_live.end())
        return it->second;
    return sp.values[set][sp.perPoint ? point : 0];
}

int64_t SimRadio::batteryMeasurement(const SimSoftpotSpec& battery) const {
    return m_profile.batterySupply ? *m_profile.batterySupply : currentValue(battery, 0, 0);
}

void SimRadio::program(SimSoftpotSpec& sp, int set, int point, int64_t value, uint64_t nowMs) {
    sp.values[set][sp.perPoint ? point : 0] = value;
    m_live.erase({sp.number, set, point});
    noteState(nowMs, SimTopic::ProgrammedValue,
              "program " + where(sp, set, point) + " = " + std::to_string(value), sp.number, set,
              sp.perPoint ? point : -1, value);
}

SimRadio::Answer SimRadio::onSoftpot(const std::vector<uint8_t>& p, uint64_t nowMs) {
    if (p.size() < 2)
        return {false, true, {}, "softpot request needs softpot and function"};
    const int number = p[0];
    const uint8_t fn = p[1];
    if (number == softpot::Rssi || number == softpot::RssiCal25)
        return onRssi(number, fn, p, nowMs);
    auto found = m_profile.softpots.find(number);
    if (found == m_profile.softpots.end() || !found->second.supported)
        return unsupported(op::Softpot, "softpot " + std::to_string(number));
    SimSoftpotSpec& sp = found->second;
    const int set = setIndex(sp);
    const int point = pointIndex(sp);
    const int64_t maxValue = sp.width >= 4 ? 0xFFFFFFFFLL : (1LL << (8 * sp.width)) - 1;
    const auto valueFirst = p.begin() + 2;

    switch (fn) {
        case function::Read: {
            const int64_t v = currentValue(sp, set, point);
            return softpotReply(number, bigEndian(v, sp.width),
                                where(sp, set, point) + " = " + std::to_string(v));
        }
        case function::Program:
        case function::SetLive: {
            if (p.size() < 3 || p.size() > 6)
                return {false, true, {}, "softpot write needs 1 to 4 value bytes"};
            if (fn == function::Program && m_profile.refuseSinglePointWrites.count(number))
                return unsupported(op::Softpot, "single-point write of softpot " + std::to_string(number));
            int64_t v = std::min(fromBigEndian(valueFirst, p.end()), maxValue);
            // Told to program its battery threshold, the radio keeps what it measures of its supply now.
            if (fn == function::Program && number == softpot::Battery)
                v = batteryMeasurement(sp);
            if (fn == function::Program) {
                program(sp, set, point, v, nowMs);
            } else {
                m_live[{number, set, point}] = v;
                m_lastLiveSoftpot = number;
                noteState(nowMs, SimTopic::LiveValue,
                          "live " + where(sp, set, point) + " = " + std::to_string(v), number, set,
                          sp.perPoint ? point : -1, v);
            }
            return softpotReply(number, {valueFirst, p.end()}, where(sp, set, point) + " written");
        }
        case function::ReadTable: {
            std::vector<uint8_t> bytes;
            if (number == softpot::Battery) {
                // The battery read answers the measured level, then the supply measurement.
                bytes = {m_profile.batteryLevel, static_cast<uint8_t>(batteryMeasurement(sp))};
                return softpotReply(number, bytes, "battery level and supply measurement");
            }
            if (!m_profile.tableRead)
                return unsupported(op::Softpot, "multi-value read");
            const int count = sp.perPoint ? softpot::kPointCount : 1;
            for (int i = 0; i < count; ++i) {
                const auto v = bigEndian(currentValue(sp, set, i), sp.width);
                bytes.insert(bytes.end(), v.begin(), v.end());
            }
            return softpotReply(number, bytes,
                                "softpot " + std::to_string(number) + setName(sp, set) + " table");
        }
        case function::ProgramTable: {
            if (!m_profile.tableWrite)
                return unsupported(op::Softpot, "multi-value write");
            const size_t n = p.size() - 2;
            if (!sp.perPoint) {
                if (n < 1 || n > 4)
                    return {false, true, {}, "softpot write needs 1 to 4 value bytes"};
                program(sp, set, 0, std::min(fromBigEndian(valueFirst, p.end()), maxValue), nowMs);
            } else {
                const size_t step = n == static_cast<size_t>(softpot::kPointCount * sp.width) ? sp.width
                                    : n == static_cast<size_t>(softpot::kPointCount)          ? 1
                                                                                              : 0;
                if (step == 0)
                    return {false, true, {}, "table write of " + std::to_string(n) + " bytes"};
                for (int i = 0; i < softpot::kPointCount; ++i) {
                    auto from = valueFirst + static_cast<long>(i * step);
                    program(sp, set, i, fromBigEndian(from, from + static_cast<long>(step)), nowMs);
                }
            }
            return softpotReply(number, {valueFirst, p.end()},
                                "softpot " + std::to_string(number) + " table written");
        }
        default:
            return unsupported(op::Softpot, "softpot function " + std::to_string(fn));
    }
}

SimRadio::Answer SimRadio::onRssi(int number, uint8_t fn, const std::vector<uint8_t>& p, uint64_t nowMs) {
    if (!m_profile.rssi)
        return unsupported(op::Softpot, "no RSSI softpots");
    if (number == softpot::Rssi && fn == function::ReadTable) {
        const auto& v = *m_profile.rssi;
        return softpotReply(number, {v.begin(), v.end()}, "RSSI values");
    }
    if (fn == function::Read) {
        std::array<uint8_t, softpot::kRssiBytes> v =
            number == softpot::Rssi ? m_profile.rssiCalDac26 : m_profile.rssiCalDac25;
        if (number == softpot::Rssi && m_rfDriven) {
            // The detector reads the input through the front end filter, best at each point's peak.
            int64_t reading = inputRssi();
            if (const SimSoftpotSpec* fe = m_profile.softpot(softpot::FrontEndFilter); fe && fe->supported) {
                const int point = pointIndex(*fe);
                const int64_t off = currentValue(*fe, 0, point) - m_profile.bench.frontEndPeak[point];
                reading -= static_cast<int64_t>(std::lround(m_profile.bench.frontEndPenalty * std::abs(off)));
            }
            v[0] = static_cast<uint8_t>(std::clamp<int64_t>(reading, 0, 255));
        } else if (number == softpot::Rssi && !m_profile.calDacReadings.empty()) {
            v[0] = m_profile.calDacReadings[m_calDacReads++ % m_profile.calDacReadings.size()];
        }
        return softpotReply(number, {v.begin(), v.end()}, "RSSI calibration DAC " + std::to_string(number));
    }
    if (number == softpot::Rssi && fn == function::Program) {
        // Threshold n (0..2) is taken at the signal level now on the input.
        if (p.size() != 3 || p[2] >= softpot::kRssiBytes)
            return {false, true, {}, "RSSI threshold needs one value 0 to 2"};
        const uint8_t level = inputRssi();
        (*m_profile.rssi)[p[2]] = level;
        noteState(nowMs, SimTopic::ProgrammedValue,
                  "RSSI threshold " + std::to_string(p[2] + 1) + " = " + std::to_string(level), number, -1,
                  p[2], level);
        return softpotReply(number, {p[2]}, "RSSI threshold taken");
    }
    if (number == softpot::Rssi && fn == function::ProgramTable && m_profile.tableWrite) {
        const size_t n = p.size() - 2;
        if (n < 1 || n > static_cast<size_t>(softpot::kRssiBytes))
            return {false, true, {}, "RSSI write of " + std::to_string(n) + " bytes"};
        std::copy(p.begin() + 2, p.end(), m_profile.rssi->begin());
        noteState(nowMs, SimTopic::ProgrammedValue, "program RSSI " + hexBytes({p.begin() + 2, p.end()}),
                  number);
        return softpotReply(number, {p.begin() + 2, p.end()}, "RSSI written");
    }
    return unsupported(op::Softpot, "RSSI function " + std::to_string(fn));
}

SimRadio::Answer SimRadio::onAutoTune(const std::vector<uint8_t>& p, uint64_t nowMs) {
    if (p.size() != 1)
        return {false, true, {}, "auto-tune needs the softpot number"};
    auto found = m_profile.softpots.find(p[0]);
    if (found == m_profile.softpots.end() || !found->second.supported)
        return unsupported(op::AutoTune, "auto-tune of softpot " + std::to_string(p[0]));
    const SimSoftpotSpec& sp = found->second;
    const int set = setIndex(sp);
    const int point = pointIndex(sp);
    // Without a profile answer the radio settles on its stored value; 0 says tuning failed.
    int64_t v = sp.autoTune.empty() ? sp.values[set][sp.perPoint ? point : 0] : sp.autoTune[point];
    if (m_rfDriven && (sp.number == softpot::AutoSquelch || sp.number == softpot::PaVoltageLimit)) {
        // Auto squelch needs the generator's signal on the receive channel, and its level moves the
        // answer; the PA voltage limit run keys at every point in turn and only needs the signal applied.
        const bool signal = m_rfInput && (sp.number == softpot::PaVoltageLimit ||
                                          std::fabs(m_rfInput->first - channelHz(rxChannel())) <=
                                              m_profile.bench.bandwidthHz);
        if (!signal)
            v = 0;
        else if (v != 0 && sp.number == softpot::AutoSquelch)
            v = std::clamp<int64_t>(
                v + std::lround((m_rfInput->second + 110.0) * m_profile.bench.squelchPerDb), 1, 255);
    }
    if (v != 0)
        m_live[{sp.number, set, point}] = v;
    noteState(nowMs, SimTopic::AutoTune,
              "auto-tune " + where(sp, set, point) + (v ? " settled on " + std::to_string(v) : " failed"),
              sp.number, set, sp.perPoint ? point : -1, v);
    return softpotReply(sp.number, bigEndian(v, sp.width), "auto-tuned " + std::to_string(v));
}

SimRadio::Answer SimRadio::onReadMemory(const std::vector<uint8_t>& p) {
    if (p.size() != 4)
        return {false, true, {}, "memory read needs count and address"};
    const uint32_t count = p[0];
    const uint32_t at = address24(p, 1);
    if (count == 0 || at + count > m_profile.codeplug.size())
        return unsupported(op::ReadMemory, "read of " + std::to_string(count) + " bytes at " + hex(at, 6));
    std::vector<uint8_t> payload(p.begin() + 1, p.end());
    payload.insert(payload.end(), m_profile.codeplug.begin() + at, m_profile.codeplug.begin() + at + count);
    return {false, false, encodeSimFrame(reply::MemoryData, payload),
            std::to_string(count) + " bytes at " + hex(at, 6)};
}

SimRadio::Answer SimRadio::onWriteMemory(const std::vector<uint8_t>& p, uint64_t nowMs) {
    if (p.size() < 3)
        return {false, true, {}, "memory write needs an address"};
    const uint32_t at = address24(p, 0);
    const std::vector<uint8_t> addr(p.begin(), p.begin() + 3);
    const size_t count = p.size() - 3;
    bool refused = at + count > m_profile.codeplug.size();
    for (const auto& [lo, hi] : m_profile.readOnly)
        if (count && at <= hi && at + count - 1 >= lo)
            refused = true;
    if (refused)
        return {false, false, encodeSimFrame(reply::MemoryRefused, addr), "write refused at " + hex(at, 6)};
    // Bytes inside a guarded table wait in its staged copy; the write that completes the table is taken
    // only when all its checksums hold, else it is refused and the table stays as it was.
    std::vector<uint8_t> image = m_profile.codeplug;
    std::copy(p.begin() + 3, p.end(), image.begin() + at);
    for (GuardedTable& t : m_tables) {
        if (count == 0 || at >= t.address + t.length || at + count <= t.address)
            continue;
        // A store starts at the table's first byte; a refused table stays refused until then, so a
        // retry of its last chunk cannot slip the old bytes in as a success.
        if (t.staged.empty() || at == t.address)
            t.staged.assign(m_profile.codeplug.begin() + t.address,
                            m_profile.codeplug.begin() + t.address + t.length);
        for (uint32_t a = std::max(at, t.address); a < std::min<uint32_t>(at + count, t.address + t.length);
             ++a)
            t.staged[a - t.address] = image[a];
        if (at + count < t.address + t.length) {
            // Held: the codeplug keeps the old table until the last byte arrives.
            std::copy(m_profile.codeplug.begin() + t.address,
                      m_profile.codeplug.begin() + t.address + t.length, image.begin() + t.address);
            continue;
        }
        std::copy(t.staged.begin(), t.staged.end(), image.begin() + t.address);
        const std::string wrong = verifyCodeplugTable(image, t.address);
        if (!wrong.empty()) {
            SimEvent e;
            e.atMs = nowMs;
            e.kind = SimEventKind::Fault;
            e.text = "table at " + hex(t.address, 6) + " refused: " + wrong;
            m_transcript.add(e);
            return {false, false, encodeSimFrame(reply::MemoryRefused, addr),
                    "table write refused: " + wrong};
        }
        t.staged.clear();
    }
    m_profile.codeplug = std::move(image);
    if (count) {
        SimEvent e;
        e.atMs = nowMs;
        e.topic = SimTopic::Memory;
        e.address = at;
        e.bytes.assign(p.begin() + 3, p.end());
        e.text = "memory " + hex(at, 6) + " = " + hexBytes(e.bytes);
        m_transcript.add(e);
    }
    return {false, false, encodeSimFrame(reply::MemoryWritten, addr), "written at " + hex(at, 6)};
}

SimRadio::Answer SimRadio::onBbo(const std::vector<uint8_t>& p, uint64_t nowMs) {
    if (!m_profile.bbo)
        return unsupported(op::Bbo, "no baseband offsets");
    if (p.size() != bbo::kReadPayload && p.size() != bbo::kWritePayload)
        return {false, true, {}, "baseband offset request needs 2 or 3 bytes"};
    const uint8_t item = p[0];
    const auto pos = std::find(std::begin(bbo::Items), std::end(bbo::Items), item);
    const int spacing = p.size() == bbo::kReadPayload ? p[1] - 1 : p[1] - bbo::kWriteIndexBase;
    if (pos == std::end(bbo::Items) || spacing < 0 || spacing >= bbo::kSpacingCount)
        return unsupported(op::Bbo, "item " + std::to_string(item) + " index " + hex(p[1]));
    const int k = static_cast<int>(pos - std::begin(bbo::Items));
    uint8_t& value = (*m_profile.bbo)[spacing][k];
    if (p.size() == bbo::kWritePayload) {
        value = p[2];
        SimEvent e;
        e.atMs = nowMs;
        e.topic = SimTopic::Bbo;
        e.address = item;
        e.point = spacing;
        e.value = value;
        e.text = "baseband offset item " + std::to_string(item) + " spacing " + std::to_string(spacing) +
                 " = " + hex(value);
        m_transcript.add(e);
    }
    return {false, false, encodeSimFrame(reply::Bbo, {item, value}),
            "baseband offset item " + std::to_string(item) + " = " + hex(value)};
}

void SimRadio::resetState(uint64_t nowMs) {
    m_keyed = false;
    m_testMode.reset();
    m_channels.clear();
    m_live.clear();
    noteState(nowMs, SimTopic::Reset, "reset: test mode left, dekeyed, live values dropped");
}

void SimRadio::noteState(uint64_t nowMs, SimTopic topic, std::string text, int softpot, int set, int point,
                         int64_t value) {
    SimEvent e;
    e.atMs = nowMs;
    e.topic = topic;
    e.text = std::move(text);
    e.softpot = softpot;
    e.set = set;
    e.point = point;
    e.value = value;
    m_transcript.add(e);
}

std::string SimRadio::describeRequest(const SimFrame& f) const {
    const auto& p = f.payload;
    auto b = [&](size_t i) { return i < p.size() ? std::to_string(p[i]) : std::string("?"); };
    switch (f.opcode) {
        case op::Reset:
            return "reset";
        case op::ReadMemory:
            return p.size() == 4 ? "read " + b(0) + " bytes at " + hex(address24(p, 1), 6) : "read memory";
        case op::WriteMemory:
            return p.size() >= 3
                       ? "write " + std::to_string(p.size() - 3) + " bytes at " + hex(address24(p, 0), 6)
                       : "write memory";
        case op::WriteSerialNo:
            return "write serial number";
        case op::Key:
            return p.size() == 1 && p[0] == key::KeyUp ? "key up" : "dekey";
        case op::ReadTune:
            return "read tuning block";
        case op::AutoTune:
            return "auto-tune softpot " + b(0);
        case op::Softpot: {
            static const char* names[] = {"read", "program", "set live", "read table", "program table"};
            const std::string fn = p.size() > 1 && p[1] < 5 ? names[p[1]] : "function " + b(1);
            return fn + " softpot " + b(0);
        }
        case op::Channel:
            return "select channel";
        case op::TestMode:
            return "test mode " + b(0) + ", " + b(1) + ", " + b(2);
        case op::Identity: {
            if (p.empty())
                return "identity";
            switch (p[0]) {
                case identity::ModelNo:
                    return "read model number";
                case identity::SerialNo:
                    return "read serial number";
                case identity::PowerUp:
                    return "read power-up status";
                case identity::IcVersion:
                    return "read IC version";
                case identity::Uuid:
                    return "read identifier";
            }
            return "identity " + hex(p[0]);
        }
        case op::Bbo:
            return p.size() == 3 ? "write baseband offset item " + b(0) : "read baseband offset item " + b(0);
    }
    return "request " + hex(f.opcode);
}

SimProfile SimRadio::profile() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile;
}

void SimRadio::addFault(const SimFaultRule& rule) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.add(rule);
}

void SimRadio::clearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
}

void SimRadio::setTiming(const SimTiming& timing) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_profile.timing = timing;
}

bool SimRadio::keyed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_keyed;
}

std::optional<std::array<uint8_t, 3>> SimRadio::testMode() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_testMode;
}

std::vector<uint16_t> SimRadio::channels() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_channels;
}

int64_t SimRadio::programmedValue(int number, int set, int point) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const SimSoftpotSpec* sp = m_profile.softpot(number);
    if (!sp || set < 0 || set >= static_cast<int>(sp->values.size()))
        return 0;
    const auto& values = sp->values[set];
    return point >= 0 && point < static_cast<int>(values.size()) ? values[point] : 0;
}

std::optional<int64_t> SimRadio::liveValue(int number, int set, int point) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_live.find({number, set, point});
    if (it == m_live.end())
        return std::nullopt;
    return it->second;
}

std::string SimRadio::serialNo() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile.serialNo;
}

std::vector<uint8_t> SimRadio::codeplug() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile.codeplug;
}

bool SimRadio::codeplugChecksumValid() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return codeplugChecksumHolds(m_profile.codeplug);
}

std::optional<uint8_t> SimRadio::bboByte(int spacing, int itemPosition) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_profile.bbo || spacing < 0 || spacing >= bbo::kSpacingCount || itemPosition < 0 ||
        itemPosition >= bbo::kItemCount)
        return std::nullopt;
    return (*m_profile.bbo)[spacing][itemPosition];
}

double SimRadio::outputWatts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return outputWattsLocked();
}

double SimRadio::channelHz(uint16_t channel) const {
    // The frequency base counts 25 kHz steps and a channel 5 kHz steps above it.
    return (static_cast<double>(m_profile.base) * 25.0 + channel * 5.0) * 1000.0;
}

uint16_t SimRadio::txChannel() const {
    if (!m_channels.empty())
        return m_channels[0];
    for (uint16_t c : m_profile.txPoints)
        if (c != 0)
            return c;
    return 0;
}

uint16_t SimRadio::rxChannel() const {
    if (m_channels.size() == 2)
        return m_channels[1];
    if (m_channels.size() == 1)
        return m_channels[0];
    for (uint16_t c : m_profile.rxPoints)
        if (c != 0)
            return c;
    return txChannel();
}

uint8_t SimRadio::inputRssi() const {
    if (!m_rfDriven)
        return m_profile.rssiLevel;
    const SimBenchModel& b = m_profile.bench;
    const double floor = b.rssiAtMinus120 * 0.5;
    if (!m_rfInput || std::fabs(m_rfInput->first - channelHz(rxChannel())) > b.bandwidthHz)
        return static_cast<uint8_t>(std::lround(floor));
    const double rssi = b.rssiAtMinus120 + (m_rfInput->second + 120.0) * b.rssiPerDb;
    return static_cast<uint8_t>(std::clamp(std::lround(rssi), std::lround(floor), 255L));
}

std::optional<double> SimRadio::carrierHz() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_keyed)
        return std::nullopt;
    double hz = channelHz(txChannel());
    if (const SimSoftpotSpec* warp = m_profile.softpot(softpot::RefOscWarp); warp && warp->supported)
        hz += static_cast<double>(currentValue(*warp, 0, 0) - m_profile.bench.exactWarp) *
              m_profile.bench.hzPerWarpStep;
    return hz;
}

std::optional<std::pair<double, double>> SimRadio::deviation() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_keyed)
        return std::nullopt;
    if (!m_testMode)
        return std::make_pair(0.0, 0.0);
    const SimDeviationModel* chosen = nullptr;
    for (const SimDeviationModel& m : m_profile.bench.deviation) {
        if (m.mode != (*m_testMode)[0])
            continue;
        // Two signalling systems share a test mode: the one being tuned is the one last set live.
        if (!chosen || m.softpot == m_lastLiveSoftpot)
            chosen = &m;
    }
    if (!chosen)
        return std::make_pair(0.0, 0.0);
    const SimSoftpotSpec* sp = m_profile.softpot(chosen->softpot);
    if (!sp || !sp->supported)
        return std::make_pair(0.0, 0.0);
    const int64_t value = currentValue(*sp, setIndex(*sp), pointIndex(*sp));
    return std::make_pair(chosen->curve.at(value), chosen->toneHz);
}

double SimRadio::supplyAmps() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const SimBenchModel& b = m_profile.bench;
    // PA bias test mode: the amplifier runs without drive and draws only its bias currents, keyed or not
    // (the bias is tuned on a portable that is never keyed).
    if (m_testMode && (*m_testMode)[0] == 9) {
        double amps = b.idleAmps;
        for (const auto& [number, curve] : b.biasAmps) {
            const SimSoftpotSpec* sp = m_profile.softpot(number);
            if (sp && sp->supported)
                amps += curve.at(currentValue(*sp, setIndex(*sp), pointIndex(*sp)));
        }
        return amps;
    }
    if (!m_keyed)
        return b.idleAmps;
    return b.idleAmps + outputWattsLocked() * b.ampsPerWatt;
}

void SimRadio::setSupplyVolts(std::optional<double> volts) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const SimBenchModel& b = m_profile.bench;
    const double measured = volts ? *volts * b.measurePerVolt + b.measureOffset : 0.0;
    m_profile.batterySupply = static_cast<uint8_t>(std::clamp(std::lround(measured), 0L, 255L));
}

void SimRadio::setRfInput(std::optional<std::pair<double, double>> hzAndDbm) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rfDriven = true;
    m_rfInput = hzAndDbm;
}

double SimRadio::outputWattsLocked() const {
    if (!m_keyed)
        return 0.0;
    const SimPowerModel& model = m_profile.power;
    const SimSoftpotSpec* sp = m_profile.softpot(model.softpot);
    // A radio without the power softpot has nothing that drives its amplifier.
    if (!sp || !sp->supported)
        return 0.0;
    const int set = setIndex(*sp);
    const int point = pointIndex(*sp);
    return model.watts(currentValue(*sp, set, point), point);
}

unsigned SimRadio::requestCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool SimRadio::disconnected() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_disconnected;
}

}  // namespace vantrel

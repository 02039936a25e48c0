// Every data reply a caller takes must be the data reply of that very request: refusals and stray
// replies never reach the caller or the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "LinkFixture.h"
#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "radio/radioStorage.h"
#include "radio/recordSupportNotes.h"

namespace vantrel::test {

namespace {

constexpr uint8_t kUntouched = 0xEE;

class DataReplyCheck : public LinkFixture {
  protected:
    DataReplyCheck() {
        sbep.attachPort(port.get());
        std::fill(std::begin(buffer), std::end(buffer), kUntouched);
    }
    bool bufferUntouched() const {
        return std::all_of(std::begin(buffer), std::end(buffer), [](uint8_t b) { return b == kUntouched; });
    }
    EnhancedSBEP sbep;
    radioStorage record;
    recordSupportNotes notes{record};
    uint8_t buffer[50] = {};
};

template <typename Data>
Bytes bytesOf(const Data& data) {
    return Bytes(data.begin(), data.end());
}

/// One read: its request opcode, the reply a radio gives it, the data the caller must get from that
/// reply (for the memory read: the raw frame's leading bytes), and a reply of another request that must
/// not pass for it.
struct Read {
    const char* name;
    uint8_t opcode;
    std::function<Bytes(EnhancedSBEP&, uint8_t*)> call;
    Bytes good;
    Bytes data;
    Bytes stray;
};

std::vector<Read> reads() {
    Bytes model{0x00};
    model.insert(model.end(), 16, 'M');
    Bytes uuid{0x0F};
    uuid.insert(uuid.end(), 16, 'U');
    Bytes tune(40);
    for (size_t i = 0; i < tune.size(); ++i) tune[i] = static_cast<uint8_t>(i + 1);
    return {
        {"serial number", 0x23, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readSerialNo()); },
         frame(0xA3, {0x01, 'S', 'N', '0', '0', '0', '0', '0', '0', '0', '1'}),
         Bytes{'S', 'N', '0', '0', '0', '0', '0', '0', '0', '1'},
         frame(0xA3, {0x00, 'S', 'N', '0', '0', '0', '0', '0', '0', '0', '1'})},
        {"model number", 0x23, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readModelNo()); },
         frame(0xA3, model), Bytes(16, 'M'), frame(0x8A, model)},
        {"unique identifier", 0x23, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readUUID()); },
         frame(0xA3, uuid), Bytes(16, 'U'), frame(0xA3, {0x0F, 1, 2, 3})},
        {"IC version", 0x23, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readICVersion()); },
         frame(0xA3, {0x0E, 1, 2, 3, 4}), Bytes{1, 2, 3, 4}, frame(0xA3, {0x01, 1, 2, 3, 4})},
        {"power-up status", 0x23, [](EnhancedSBEP& l, uint8_t*) { return Bytes{l.radioPowerUp()}; },
         frame(0xA3, {0x05, 32}), Bytes{32}, frame(0x88, {0x05, 0})},
        {"tuning block", 0x1B, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readTune()); },
         frame(0x9B, tune), tune, frame(0x9B, Bytes(12, 1))},
        {"temp comp", 0x20, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readTempComp()); },
         frame(0x8A, {0x01, 1, 2, 3, 4}), Bytes{1, 2, 3, 4}, frame(0x8A, {0x02, 1, 2, 3, 4})},
        {"RSSI", 0x20, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readRSSI()); },
         frame(0x8A, {26, 1, 2, 3}), Bytes{1, 2, 3}, frame(0xA0, {26, 1, 2, 3})},
        {"calibration DAC 26", 0x20, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readRSSICalDac()); },
         frame(0x8A, {26, 4, 5, 6}), Bytes{4, 5, 6}, frame(0x8A, {25, 1, 2, 3})},
        {"calibration DAC 25", 0x20, [](EnhancedSBEP& l, uint8_t*) { return bytesOf(l.readRSSICalDac25()); },
         frame(0x8A, {25, 7, 8, 9}), Bytes{7, 8, 9}, frame(0x8A, {25, 1})},
        {"baseband offset", 0x28, [](EnhancedSBEP& l, uint8_t*) { return Bytes{l.readBBO(10, 2)}; },
         frame(0x88, {10, 0x5A}), Bytes{0x5A}, frame(0x88, {5, 0x5A})},
        {"memory", 0x11,
         [](EnhancedSBEP& l, uint8_t* b) {
             l.readMemory(b, 0x0002FE, 2);
             return Bytes(b, b + 10);
         },
         frame(0x80, {0x00, 0x02, 0xFE, 7, 8}), frame(0x80, {0x00, 0x02, 0xFE, 7, 8}),
         frame(0x80, {0x00, 0x02, 0xFF, 7, 8})},
    };
}

}  // namespace

TEST_F(DataReplyCheck, EveryReadTakesItsOwnReplyAndNothingElse) {
    for (const Read& r : reads()) {
        SCOPED_TRACE(r.name);
        {
            // The radio's own answer reaches the caller whole.
            LinkFixture::radio.script({ackThen(r.good)});
            std::fill(std::begin(buffer), std::end(buffer), kUntouched);
            const Bytes data = r.call(sbep, buffer);
            ASSERT_GE(data.size(), r.data.size());
            EXPECT_EQ(Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(r.data.size())), r.data);
        }
        {
            // A refusal fails at once and hands nothing over.
            const size_t before = LinkFixture::radio.frames().size();
            LinkFixture::radio.script({ackThen(frame(0x86, {r.opcode}))});
            std::fill(std::begin(buffer), std::end(buffer), kUntouched);
            EXPECT_THROW(r.call(sbep, buffer), UnsupportedMessage);
            EXPECT_TRUE(bufferUntouched());
            EXPECT_EQ(LinkFixture::radio.frames().size(), before + 1);
        }
        {
            // A reply of another request (other sub-code, number, address, kind or length) is retried and
            // never handed over.
            for (int i = 0; i < 4; ++i) LinkFixture::radio.script({ackThen(r.stray)});
            std::fill(std::begin(buffer), std::end(buffer), kUntouched);
            EXPECT_THROW(r.call(sbep, buffer), BadReply);
            EXPECT_TRUE(bufferUntouched());
        }
    }
}

TEST_F(DataReplyCheck, ARefusalReadSeparatelyIsARefusalToo) {
    Answer late{Bytes{kAck}};
    late.later = frame(0x86, {0x20});
    late.laterDelayMs = 10600;  // after the data-reply window of the exchange
    LinkFixture::radio.script(late);
    EXPECT_THROW(sbep.readTempComp(), UnsupportedMessage);
}

TEST_F(DataReplyCheck, AnAcknowledgeWithoutDataFailsOnce) {
    LinkFixture::radio.fallback({Bytes{kAck}});
    try {
        sbep.readSerialNo();
        FAIL() << "no data reply passed";
    } catch (const TimeoutOnReceive& e) {
        EXPECT_NE(e.describe().find("the acknowledge, but no data reply"), std::string::npos) << e.describe();
    }
    EXPECT_EQ(LinkFixture::radio.frames().size(), 1u);
}

TEST_F(DataReplyCheck, RefusedWritesThatMustNotPassAsDoneFail) {
    struct Write {
        const char* name;
        std::function<void(EnhancedSBEP&)> call;
        bool fails;
    };
    const Write writes[] = {
        {"baseband offset", [](EnhancedSBEP& l) { l.writeBBO(0xF5, 5, 0x82); }, true},
        {"serial number", [](EnhancedSBEP& l) { l.writeSerialNo("SN00000001"); }, true},
        {"key up", [](EnhancedSBEP& l) { l.keyUp(); }, true},
        {"dekey", [](EnhancedSBEP& l) { l.dekey(); }, true},
        // Live and release writes go to softpots a radio may lack; the noted writes tell refusals.
        {"live softpot", [](EnhancedSBEP& l) { l.writeSoftpot(2, 2, 128, 1); }, false},
        {"test mode", [](EnhancedSBEP& l) { l.setTestMode(1, 128, 2); }, false},
    };
    for (const Write& w : writes) {
        SCOPED_TRACE(w.name);
        LinkFixture::radio.script({ackThen(frame(0x86, {0x19}))});
        if (w.fails)
            EXPECT_THROW(w.call(sbep), UnsupportedMessage);
        else
            EXPECT_NO_THROW(w.call(sbep));
    }
}

TEST_F(DataReplyCheck, SoftpotRepliesOfAnotherKindNeitherSetTheFlagNorGiveAValue) {
    struct Case {
        const char* name;
        Bytes reply;
    };
    const Case cases[] = {
        {"identity reply", frame(0xA3, {0x05, 0x77})},
        {"another softpot", frame(0x8A, {0x06, 0x77})},
        {"no value byte", frame(0x8A, {0x05})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkFixture::radio.fallback({ackThen(c.reply)});
        record.markUnsupported(5);
        uint32_t value = 1234;
        EXPECT_THROW(sbep.readSoftpotNoted(5, value, notes, 5), BadReply);
        EXPECT_EQ(value, 1234u);
        EXPECT_FALSE(record.isSupported(5));
        EXPECT_THROW(sbep.autoTune(5, value, notes, 5), BadReply);
        EXPECT_EQ(value, 1234u);
        EXPECT_FALSE(record.isSupported(5));
    }
}

TEST_F(DataReplyCheck, ATableReadMustCarryTheValuesTheCallerTakes) {
    LinkFixture::radio.fallback({ackThen(frame(0x8A, {0x0A, 11, 22, 33}))});
    record.markUnsupported(20);
    EXPECT_THROW(sbep.readSoftpotTable(10, notes, 20, 7), BadReply);
    EXPECT_FALSE(record.isSupported(20));
    LinkFixture::radio.fallback({ackThen(frame(0x8A, {0x0A, 11, 22, 33, 44, 55, 66, 77}))});
    sbep.readSoftpotTable(10, notes, 20, 7);
    EXPECT_TRUE(record.isSupported(20));
    EXPECT_EQ(sbep.softpotTableByte(7), 77);
}

}  // namespace vantrel::test

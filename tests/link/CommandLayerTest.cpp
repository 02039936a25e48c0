// The request catalogue and the command layer against a scripted radio.
#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "link/EnhancedSBEP.h"
#include "link/Exceptions.h"
#include "link/SBEPRequests.h"
#include "radio/radioStorage.h"
#include "radio/recordSupportNotes.h"

namespace vantrel::test {

using Bytes = std::vector<uint8_t>;

class CommandLayer : public LinkFixture {
  protected:
    CommandLayer() { sbep.attachPort(port.get()); }
    // The payload of the n-th frame the program sent (after header and opcode, without checksum).
    Bytes payloadOf(size_t n) {
        const Bytes& f = radio.frames().at(n);
        size_t header = ((f[0] & 0x0F) == 0xF) ? 4 : 2;
        return Bytes(f.begin() + header, f.end() - 1);
    }
    uint8_t opcodeOf(size_t n) { return radio.frames().at(n)[1]; }
    EnhancedSBEP sbep;
    radioStorage record;
    recordSupportNotes notes{record};
    uint8_t buffer[50] = {};
};

TEST_F(CommandLayer, RequestBytesOfTheCatalogue) {
    // Each request gets the data reply of its own kind; a reply of another request is no answer.
    const Bytes plain = ackThen(frame(0xA3, {0x00}));
    for (int i = 0; i < 6; ++i) radio.script({plain});
    radio.script({ackThen(frame(0x88, {5, 0x21}))});
    for (int i = 0; i < 3; ++i) radio.script({plain});
    Bytes tune(40, 0);
    radio.script({ackThen(frame(0x9B, tune))});
    radio.script({ackThen(frame(0x8A, {0x01, 1, 2, 3, 4}))});
    radio.script({ackThen(frame(0x8A, {25, 1, 2, 3}))});
    radio.script({ackThen(frame(0xA3, {0x05, 0}))});
    sbep.keyUp();
    sbep.dekey();
    sbep.setChannel(0x1234, 2);
    sbep.setChannelPair(0x0102, 2, 0x0304, 2);
    sbep.setTestMode(1, 128, 2);
    sbep.writeBBO(0xA1, 0xB2, 0xC3);
    sbep.readBBO(5, 1);
    sbep.writeSoftpot(18, 2, 200, 1);
    sbep.writeSoftpot(17, 1, 0x0203, 2);
    sbep.writeSerialNo("123ABC4567");
    sbep.readTune();
    sbep.readTempComp();
    sbep.readRSSICalDac25();
    sbep.radioPowerUp();
    const Bytes keyUp{0xF2, 0x19, 0x01, 0xF3};
    const Bytes dekey{0xF2, 0x19, 0x00, 0xF4};
    EXPECT_EQ(radio.frames()[0], keyUp);
    EXPECT_EQ(radio.frames()[1], dekey);
    EXPECT_EQ(payloadOf(2), (Bytes{0x00, 0x12, 0x34}));
    EXPECT_EQ(radio.frames()[2][0], 0xF4);
    EXPECT_EQ(payloadOf(3), (Bytes{0x00, 0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(payloadOf(4), (Bytes{1, 128, 2}));
    EXPECT_EQ(payloadOf(5), (Bytes{0xB2, 0xC3, 0xA1}));
    EXPECT_EQ(opcodeOf(6), 0x28);
    EXPECT_EQ(payloadOf(6), (Bytes{5, 1}));
    EXPECT_EQ(opcodeOf(7), 0x20);
    EXPECT_EQ(payloadOf(7), (Bytes{0x12, 0x02, 0xC8}));
    EXPECT_EQ(payloadOf(8), (Bytes{17, 1, 0x02, 0x03}));
    EXPECT_EQ(opcodeOf(9), 0x18);
    EXPECT_EQ(payloadOf(9), (Bytes{0x00, '1', '2', '3', 'A', 'B', 'C', '4', '5', '6', '7'}));
    EXPECT_EQ(payloadOf(10), (Bytes{0x00}));
    EXPECT_EQ(opcodeOf(10), 0x1B);
    EXPECT_EQ(payloadOf(11), (Bytes{0x01, 0x00, 0x00}));
    EXPECT_EQ(payloadOf(12), (Bytes{25, 0x00}));
    EXPECT_EQ(payloadOf(13), (Bytes{0x05}));
}

TEST_F(CommandLayer, NothingIsSentWithoutAPort) {
    EnhancedSBEP detached;
    uint32_t v;
    EXPECT_THROW(detached.keyUp(), GeneralCommunicationError);
    EXPECT_THROW(detached.readSoftpot(3, v), GeneralCommunicationError);
    EXPECT_THROW(detached.readMemory(buffer, 0, 6), GeneralCommunicationError);
    EXPECT_TRUE(line.sent().empty());
}

TEST_F(CommandLayer, ReadSoftpotTakesTheReplyRightAfterTheAcknowledge) {
    radio.script({ackThen(frame(0x8A, {0x03, 0x5A}))});
    uint32_t value = 0;
    EXPECT_EQ(sbep.readSoftpot(3, value), 1u);
    EXPECT_EQ(value, 0x5Au);
}

TEST_F(CommandLayer, ReadSoftpotReadSeparately) {
    Answer a{Bytes{kAck}};
    a.later = frame(0x8A, {0x11, 0x01, 0x2C});
    a.laterDelayMs = 10600;  // after the data-reply window of the exchange
    radio.script(a);
    uint32_t value = 0;
    EXPECT_EQ(sbep.readSoftpot(0x11, value), 2u);
    EXPECT_EQ(value, 300u);
}

TEST_F(CommandLayer, UnsupportedSoftpotIsNotRetried) {
    radio.fallback({ackThen(frame(0x86, {0x20}))});
    uint32_t value = 0;
    EXPECT_THROW(sbep.readSoftpot(3, value), UnsupportedMessage);
    EXPECT_EQ(radio.frames().size(), 1u);
}

TEST_F(CommandLayer, SoftpotReplyForAnotherSoftpotIsABadReply) {
    radio.fallback({ackThen(frame(0x8A, {0x04, 0x5A}))});
    uint32_t value = 0;
    EXPECT_THROW(sbep.readSoftpot(3, value), BadReply);
    EXPECT_EQ(radio.frames().size(), 4u);
}

TEST_F(CommandLayer, NotedReadWidthFollowsTheFlag) {
    radio.script({ackThen(frame(0x8A, {0x02, 0x01, 0x02}))});
    radio.script({ackThen(frame(0x8A, {0x1D, 0x01, 0x02, 0x03, 0x04}))});
    radio.script({ackThen(frame(0x8A, {0x05, 0x77, 0x99}))});
    uint32_t v = 0;
    EXPECT_EQ(sbep.readSoftpotNoted(2, v, notes, 2), 2u);
    EXPECT_EQ(v, 0x0102u);
    EXPECT_EQ(sbep.readSoftpotNoted(0x1D, v, notes, 20), 4u);
    EXPECT_EQ(v, 0x01020304u);
    EXPECT_EQ(sbep.readSoftpotNoted(5, v, notes, 5), 1u);
    EXPECT_EQ(v, 0x77u);
}

TEST_F(CommandLayer, UnsupportedClearsExactlyTheNamedFlag) {
    radio.fallback({ackThen(frame(0x86, {0x20}))});
    for (int flag : {8, 18, 19}) {
        radioStorage r;
        recordSupportNotes rNotes(r);
        for (int f = 2; f <= 28; ++f) r.markSupported(f);
        uint32_t v = 1234;
        EXPECT_EQ(sbep.readSoftpotNoted(6, v, rNotes, flag), 0u);
        EXPECT_EQ(v, 1234u);  // no value
        for (int f = 2; f <= 28; ++f)
            EXPECT_EQ(r.isSupported(f), f != flag) << "flag " << f << " after " << flag;
    }
}

TEST_F(CommandLayer, DataReplyMarksTheFlagSupported) {
    record.markUnsupported(19);
    radio.script({ackThen(frame(0x8A, {0x0A, 0x33}))});
    uint32_t v = 0;
    sbep.readSoftpotNoted(10, v, notes, 19);
    EXPECT_TRUE(record.isSupported(19));
}

TEST_F(CommandLayer, RefusedNotedWriteClearsFlag27WhateverSoftpot) {
    radio.fallback({ackThen(frame(0x86, {0x20}))});
    sbep.writeSoftpotNoted(notes, 4, 1, 90, 1);
    EXPECT_FALSE(record.isSupported(27));
    EXPECT_TRUE(record.isSupported(4));
    const uint8_t table[7] = {1, 2, 3, 4, 5, 6, 7};
    sbep.writeSoftpotBytesNoted(notes, 4, 4, table, 7);
    EXPECT_FALSE(record.isSupported(21));
    EXPECT_EQ(payloadOf(1), (Bytes{4, 4, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(CommandLayer, TableReadLeavesThePayloadForTheCaller) {
    radio.script({ackThen(frame(0x8A, {0x0A, 11, 22, 33, 44, 55, 66, 77}))});
    sbep.readSoftpotTable(10, notes, 20);
    EXPECT_TRUE(record.isSupported(20));
    EXPECT_EQ(sbep.softpotTableByte(0), 10);
    EXPECT_EQ(sbep.softpotTableByte(2), 22);
    EXPECT_EQ(sbep.softpotTableByte(7), 77);
    EXPECT_EQ(payloadOf(0), (Bytes{0x0A, 0x03, 0x00}));
}

TEST_F(CommandLayer, FourteenByteTableUsesTheExtendedCount) {
    Bytes payload{17};
    for (uint8_t i = 1; i <= 14; ++i) payload.push_back(i);
    radio.script({ackThen(frame(0x8A, payload))});
    sbep.readSoftpotTable(17, notes, 20);
    EXPECT_EQ(sbep.softpotTableByte(1), 1);
    EXPECT_EQ(sbep.softpotTableByte(14), 14);
}

TEST_F(CommandLayer, AutoTuneReturnsTheTunedValue) {
    radio.script({ackThen(frame(0x8A, {0x19, 0x42}))});
    uint32_t v = 0;
    EXPECT_EQ(sbep.autoTune(0x19, v, notes, 25), 1u);
    EXPECT_EQ(v, 0x42u);
    EXPECT_EQ(opcodeOf(0), 0x1F);
    EXPECT_EQ(payloadOf(0), (Bytes{0x19}));
}

TEST_F(CommandLayer, ReadMemoryLeavesTheRawFrame) {
    radio.script({ackThen(frame(0x80, {0x00, 0x02, 0xFE, 1, 2, 3, 4, 5, 6}))});
    sbep.readMemory(buffer, 0x0002FE, 6);
    EXPECT_EQ(payloadOf(0), (Bytes{6, 0x00, 0x02, 0xFE}));
    EXPECT_EQ(buffer[1], 0x80);
    EXPECT_EQ(buffer[5], 1);
    EXPECT_EQ(buffer[10], 6);
    EXPECT_EQ(radio.frames().size(), 1u);
}

TEST_F(CommandLayer, ReadBBOWithoutOffsets) {
    // The probe takes a refusal or any other kind of reply as "no offsets"; a read after the probe said
    // yes takes nothing but the 0x88 reply of its own item.
    radio.script({ackThen(frame(0x28, {0x05, 0x00}))});
    radio.script({ackThen(frame(0x86, {0x28}))});
    radio.script({ackThen(frame(0x88, {0x05, 0x37}))});
    EXPECT_EQ(sbep.probeBBO(5, 1), std::nullopt);
    EXPECT_EQ(sbep.probeBBO(5, 1), std::nullopt);
    EXPECT_EQ(sbep.probeBBO(5, 1), std::optional<uint8_t>(0x37));
    radio.fallback({ackThen(frame(0x88, {0x00, 0x37}))});
    EXPECT_THROW(sbep.readBBO(5, 1), BadReply);
}

TEST_F(CommandLayer, MemoryWriteConfirmedByItsAddress) {
    radio.script({ackThen(frame(0x84, {0x00, 0x01, 0x00}))});
    const uint8_t data[3] = {9, 8, 7};
    sbep.writeMemory(data, 0x100, 3);
    EXPECT_EQ(radio.frames().size(), 1u);
    EXPECT_EQ(payloadOf(0), (Bytes{0x00, 0x01, 0x00, 9, 8, 7}));
}

TEST_F(CommandLayer, MemoryWriteRefusalIsNotASuccess) {
    radio.fallback({ackThen(frame(0x85, {0x00, 0x01, 0x00}))});
    const uint8_t data[1] = {9};
    EXPECT_THROW(sbep.writeMemory(data, 0x100, 1), BadWrite);
}

TEST_F(CommandLayer, MemoryWriteNotYetDoneIsDrainedNotFailed) {
    // 0xFFFFFF: the radio has not finished the chunk; an empty request linked to it follows until
    // the radio stops pointing at the pending chunk.
    radio.script({ackThen(frame(0x84, {0xFF, 0xFF, 0xFF}))});
    radio.fallback({ackThen(frame(0x84, {0x00, 0x00, 0x00}))});
    const uint8_t data[2] = {5, 6};
    EXPECT_NO_THROW(sbep.writeMemory(data, 0x100, 2));
    ASSERT_EQ(radio.frames().size(), 2u);
    EXPECT_EQ(payloadOf(1), (Bytes{0x00, 0x00, 0x00}));
}

TEST_F(CommandLayer, RefusalNamingTheLinkedChunkResendsIt) {
    const uint8_t a[1] = {1}, b[1] = {2};
    SBEPWriteRequest previous(0x100, a, 1);
    SBEPWriteRequest current(0x200, b, 1);
    current.setLink(&previous);
    radio.script({ackThen(frame(0x84, {0x00, 0x01, 0x00}))});
    EXPECT_EQ(current.handleWriteFailure(BadWrite(0x100), *port), 1);
    ASSERT_EQ(radio.frames().size(), 1u);
    EXPECT_EQ(payloadOf(0), (Bytes{0x00, 0x01, 0x00, 1}));
    EXPECT_EQ(current.handleWriteFailure(BadWrite(0x200), *port), 0);
    EXPECT_EQ(current.handleWriteFailure(TimeoutOnReceive(), *port), 0);
    current.setLink(&previous);
    EXPECT_THROW(current.handleWriteFailure(BadWrite(0x300), *port), BadReply);
}

TEST_F(CommandLayer, MemoryWriteResendLoopIsBounded) {
    radio.fallback({ackThen(frame(0x84, {0xFF, 0xFF, 0xFF}))});
    const uint8_t data[1] = {5};
    EXPECT_THROW(sbep.writeMemory(data, 0x100, 1), GeneralCommunicationError);
    EXPECT_LE(radio.frames().size(), 1u + EnhancedSBEP::MaxLinkedResends);
}

TEST_F(CommandLayer, LargeWritesGoInChunks) {
    radio.fallback({ackThen(frame(0x84, {0x00, 0x00, 0x00}))});
    sbep.setChunkSize(16);
    // Each chunk is confirmed by its own address.
    Bytes data(40, 0xAB);
    radio.script({ackThen(frame(0x84, {0x00, 0x10, 0x00}))});
    radio.script({ackThen(frame(0x84, {0x00, 0x10, 0x10}))});
    radio.script({ackThen(frame(0x84, {0x00, 0x10, 0x20}))});
    sbep.writeMemory(data.data(), 0x1000, 40);
    ASSERT_EQ(radio.frames().size(), 3u);
    EXPECT_EQ(payloadOf(2).size(), 3u + 8u);
}

}  // namespace vantrel::test

// Where a frame ends: waits end when what they wait for is in; silence inside a frame cuts it.
#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "link/Exceptions.h"
#include "link/SBEPMessage.h"

namespace vantrel::test {

using CharacterTiming = LinkFixture;

// At 9600 bit/s one character takes 1.04 ms; the port counts silence in whole 1 ms periods. A wait
// tolerates `limit` periods without a new byte: bytes that keep within it make one whole frame, ready
// the moment its last byte is in; one period more and the frame is cut there.
struct GapCase {
    uint32_t limit;  // silence tolerated, in character periods
    uint32_t gapMs;  // from one byte to the next
    bool whole;
};

TEST_F(CharacterTiming, BytesWithinTheSilenceLimitMakeAFrameThatEndsAtItsLastByte) {
    const GapCase cases[] = {
        {1, 1, true},   {1, 2, false},  // the echo check's limit: one character period
        {10, 10, true}, {10, 11, false}, {250, 250, true}, {250, 251, false},
    };
    for (const GapCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "limit " << c.limit << ", gap " << c.gapMs);
        port->purgeInput();
        const uint64_t first = clock.now() + 3;
        line.deliver(Bytes{0xF2, 0x23, 0x01, 0xE9, 0x50}, first, c.gapMs);
        clock.advanceTo(first);
        const uint64_t start = clock.now();
        if (c.whole) {
            port->waitForBytes(5, c.limit);
            EXPECT_EQ(clock.now() - start, 4u * c.gapMs);  // not a moment after the fifth byte
            EXPECT_EQ(port->bytesWaiting(), 5u);
        } else {
            EXPECT_THROW(port->waitForBytes(5, c.limit), TimeoutOnReceive);
            EXPECT_EQ(clock.now() - start, c.limit);  // cut after the first byte
            EXPECT_EQ(port->bytesWaiting(), 1u);
        }
        clock.advanceTo(first + 5 * c.gapMs);
    }
}

TEST_F(CharacterTiming, BytesAlreadyInCostNoTime) {
    line.deliver(Bytes{1, 2, 3}, clock.now());
    EXPECT_EQ(elapsed([&] { EXPECT_EQ(port->waitForBytes(3, 10), 0u); }), 0u);
    EXPECT_EQ(elapsed([&] { EXPECT_EQ(port->readByte(10), 1); }), 0u);
    EXPECT_EQ(elapsed([&] { EXPECT_EQ(port->readWord16(10), 0x0203); }), 0u);
}

// The exchange: the radio answers while the program pauses after the frame, so a request costs its
// pause; a data reply still arriving after the pause ends the exchange with its last byte.
TEST_F(CharacterTiming, AnExchangeEndsWithTheLastByteOfItsReply) {
    const Bytes reply = frame(0x23, {0x01, 'S', 'N', '1'});  // 7 bytes, complete at its checksum
    // The radio starts answering 3 ms after the frame: the acknowledge, then the reply's bytes `gap`
    // apart, the last one 7 gaps after the acknowledge.
    const struct {
        uint32_t gapMs;
        uint64_t expectedMs;
    } cases[] = {
        {1, 175},            // at the line's pace: all in during the pause after the frame
        {40, 3 + 7 * 40},    // slower: the exchange ends with the checksum byte at 283 ms
        {250, 3 + 7 * 250},  // the longest silence a reply may keep inside
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "gap " << c.gapMs);
        Answer a{ackThen(reply)};
        a.perByteMs = c.gapMs;
        radio.script(a);
        SBEPMessage identity{0x23, {0x01}};
        uint8_t buffer[50] = {};
        EXPECT_EQ(elapsed([&] { identity.sendInto(*port, buffer); }), c.expectedMs);
        EXPECT_EQ(identity.attempts(), 1u);
        EXPECT_TRUE(std::equal(reply.begin(), reply.end(), buffer));
    }
}

TEST_F(CharacterTiming, SilenceBeyondTheLimitInsideAReplyCutsItAndIsNotRetried) {
    Answer a{ackThen(frame(0x23, {0x01, 'S', 'N', '1'}))};
    a.perByteMs = 251;
    radio.script(a);
    SBEPMessage identity{0x23, {0x01}};
    uint8_t buffer[50] = {};
    EXPECT_THROW(identity.sendInto(*port, buffer), ReplyLengthError);
    EXPECT_EQ(identity.attempts(), 1u);
}

TEST_F(CharacterTiming, AByteAfterACompleteReplyIsNotPartOfIt) {
    const Bytes reply = frame(0x23, {0x01, 'A'});
    Answer a{ackThen(reply)};
    a.later = Bytes{0x00};
    a.laterDelayMs = 200;  // after the pause: the reply was complete before it came
    radio.script(a);
    SBEPMessage identity{0x23, {0x01}};
    uint8_t buffer[50] = {};
    EXPECT_EQ(elapsed([&] { identity.sendInto(*port, buffer); }), 175u);
    EXPECT_EQ(buffer[3], 'A');
}

TEST_F(CharacterTiming, AResetEndsWithItsAcknowledge) {
    radio.fallback({Bytes{kAck}});
    SBEPMessage reset{0x10, {}};
    EXPECT_EQ(elapsed([&] { reset.send(*port); }), 110u);
    EXPECT_EQ(reset.attempts(), 1u);
}

TEST(IdleSlice, LateWakeUpsShortenTheSliceUntilTheyStop) {
    SystemClock clock;
    EXPECT_EQ(clock.idleSliceMs(), kIdleSliceMs);
    clock.noteWake(5, 9);  // three ticks late beyond the tick's own rounding
    EXPECT_EQ(clock.idleSliceMs(), 2u);
    clock.noteWake(5, 40);  // never below one millisecond
    EXPECT_EQ(clock.idleSliceMs(), 1u);
    for (int i = 0; i < 20; ++i) clock.noteWake(5, 5);
    EXPECT_EQ(clock.idleSliceMs(), kIdleSliceMs);
}

}  // namespace vantrel::test

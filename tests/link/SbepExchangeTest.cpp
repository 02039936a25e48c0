// The exchange: echo, acknowledge, data reply, retries and their time-outs, in virtual time.
#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "link/Exceptions.h"
#include "link/LinkContext.h"
#include "link/SBEPMessage.h"

namespace vantrel::test {

using Bytes = std::vector<uint8_t>;

class SbepExchange : public LinkFixture {
  protected:
    SBEPMessage identity{0x23, {0x01}};
    uint8_t buffer[50] = {};
};

TEST_F(SbepExchange, CopiesTheDataReplyThatCameWithTheAcknowledge) {
    Bytes reply = frame(0x23, {0x01, 'S', 'N', '1'});
    radio.script({ackThen(reply)});
    identity.sendInto(*port, buffer);
    EXPECT_EQ(identity.attempts(), 1u);
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), buffer));
    EXPECT_EQ(buffer[3], 'S');
    EXPECT_EQ(radio.frames().size(), 1u);
    EXPECT_EQ(radio.frames()[0], (Bytes{0xF2, 0x23, 0x01, 0xE9}));
}

TEST_F(SbepExchange, RetriesFourTimesOnSilenceThenTimesOut) {
    radio.echo = false;
    uint64_t t = elapsed([&] { EXPECT_THROW(identity.sendInto(*port, buffer), TimeoutOnReceive); });
    EXPECT_EQ(identity.attempts(), 4u);
    EXPECT_EQ(radio.frames().size(), 4u);
    // Each attempt: the 175 ms pause after sending, then 10 character times for the echo.
    EXPECT_GE(t, 4u * 185);
    EXPECT_LE(t, 4u * 200);
}

// A user interface paints from the idle hook: no stretch of an exchange may go without it, the pauses
// after each frame included, and cutting the waits up must not change how long they take.
TEST_F(SbepExchange, TheIdleHookRunsThroughEveryPauseAndWait) {
    std::vector<uint64_t> calls;
    LinkContext context = linkContext();
    context.idleHook = [&] { calls.push_back(clock.now()); };
    ScopedLinkContext scoped(context);

    auto longestGap = [&](uint64_t start, uint64_t end) {
        uint64_t longest = 0, last = start;
        for (uint64_t t : calls) {
            longest = std::max(longest, t - last);
            last = t;
        }
        return std::max(longest, end - last);
    };

    // A reply that trickles in, then an exchange that times out four times (echo included: write).
    Answer slow{Bytes{kAck}};
    slow.later = frame(0x23, {0x01, 'S', 'N', '1'});
    slow.laterDelayMs = 300;
    radio.script(slow);
    uint64_t start = clock.now();
    identity.sendInto(*port, buffer);
    EXPECT_EQ(buffer[3], 'S');
    EXPECT_LE(longestGap(start, clock.now()), kIdleSliceMs);

    calls.clear();
    radio.echo = false;
    start = clock.now();
    SBEPMessage again{0x23, {0x01}};
    EXPECT_THROW(again.sendInto(*port, buffer), TimeoutOnReceive);
    const uint64_t t = clock.now() - start;
    EXPECT_LE(longestGap(start, clock.now()), kIdleSliceMs);
    EXPECT_GE(t, 4u * 185);
    EXPECT_LE(t, 4u * 200);
}

TEST_F(SbepExchange, UnsupportedWithTheAcknowledgeIsLeftToTheCaller) {
    // Identity callers test the reply's opcode byte themselves.
    radio.fallback({ackThen(frame(0x86, {0x23}))});
    identity.sendInto(*port, buffer);
    EXPECT_EQ(buffer[1], 0x86);
    EXPECT_EQ(radio.frames().size(), 1u);
}

TEST_F(SbepExchange, UnsupportedReplyAfterAPauseIsStillUnsupported) {
    Answer a{Bytes{kAck}};
    a.later = frame(0x86, {0x23});
    a.laterDelayMs = 11000;  // beyond the data-reply window: read separately
    radio.script(a);
    EXPECT_THROW(identity.sendInto(*port, buffer), UnsupportedMessage);
    EXPECT_EQ(buffer[1], 0x86);
}

TEST_F(SbepExchange, NegativeAcknowledgeIsRetriedThenRaised) {
    radio.fallback({Bytes{0x60}});
    EXPECT_THROW(identity.sendInto(*port, buffer), MessageNotAcknowledged);
    EXPECT_EQ(identity.attempts(), 4u);
}

TEST_F(SbepExchange, NakThenSuccessOnTheSecondAttempt) {
    radio.script({Bytes{0x60}});
    radio.script({ackThen(frame(0x23, {0x01, 'A'}))});
    identity.sendInto(*port, buffer);
    EXPECT_EQ(identity.attempts(), 2u);
    EXPECT_EQ(buffer[3], 'A');
}

TEST_F(SbepExchange, AcknowledgedWithoutDataReplyWaitsTheLongWindow) {
    radio.fallback({Bytes{kAck}});
    SBEPMessage keyUp{0x19, {0x01}};
    uint64_t t = elapsed([&] { keyUp.send(*port); });
    EXPECT_EQ(keyUp.attempts(), 1u);
    // 110 ms pause, then about 10250 character times for a data reply, then 250 for a late one.
    EXPECT_GE(t, 110u + 10250u);
    EXPECT_LE(t, 110u + 10250u + 260u + 20u);
}

TEST_F(SbepExchange, ResetGetsNoDataReplyWait) {
    radio.fallback({Bytes{kAck}});
    SBEPMessage reset{0x10, {}};
    uint64_t t = elapsed([&] { reset.send(*port); });
    EXPECT_LT(t, 110u + 300u);
    EXPECT_EQ(radio.frames()[0], (Bytes{0xF1, 0x10, 0xFE}));
}

TEST_F(SbepExchange, DataReplyLongerThanDeclaredIsACommError) {
    Bytes reply = frame(0x23, {0x01, 'A'});
    reply.push_back(0x00);  // a stray byte after the reply
    radio.fallback({ackThen(reply)});
    EXPECT_THROW(identity.sendInto(*port, buffer), ReplyLengthError);
    EXPECT_EQ(radio.frames().size(), 1u);  // never retried
}

TEST_F(SbepExchange, ReplyStillArrivingIsCollectedNotRejected) {
    // The data reply trickles in one byte every 3 ms: its length must not be judged half-way.
    Bytes reply = frame(0x23, {0x05, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    Answer a{ackThen(reply)};
    a.perByteMs = 3;
    radio.script(a);
    SBEPMessage powerUp{0x23, {0x05}};
    powerUp.sendInto(*port, buffer);
    EXPECT_EQ(powerUp.attempts(), 1u);
    EXPECT_EQ(buffer[3], 0x20);
}

TEST_F(SbepExchange, CorruptedDataReplyWithTheAcknowledgeIsRetried) {
    Bytes bad = frame(0x23, {0x01, 'X'});
    bad[3] ^= 0x40;  // corrupt the value, keep the length
    radio.script({ackThen(bad)});
    radio.script({ackThen(frame(0x23, {0x01, 'Y'}))});
    identity.sendInto(*port, buffer);
    EXPECT_EQ(identity.attempts(), 2u);
    EXPECT_EQ(buffer[3], 'Y');
}

TEST_F(SbepExchange, EchoThatStopsHalfWayIsATimeout) {
    // Echo only the first byte of each frame.
    struct HalfEcho : LinePeer {
        void onHostByte(uint8_t b, uint64_t now, VirtualLine& l) override {
            if (count++ % 4 == 0)
                l.deliver(&b, 1, now + 1);
        }
        unsigned count = 0;
    } half;
    line.setPeer(&half);
    EXPECT_THROW(identity.sendInto(*port, buffer), TimeoutOnReceive);
    EXPECT_EQ(identity.attempts(), 4u);
}

}  // namespace vantrel::test

// SBEP frame building and reply reading.
#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "link/Exceptions.h"
#include "link/SBEPMessage.h"

namespace vantrel::test {

using Bytes = std::vector<uint8_t>;

struct FrameCase {
    uint8_t opcode;
    Bytes payload;
    Bytes expected;
};

class SbepFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(SbepFrame, EncodesHeaderCountAndChecksum) {
    const FrameCase& c = GetParam();
    EXPECT_EQ(sbep::buildFrame(c.opcode, c.payload.data(), c.payload.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, SbepFrame,
    ::testing::Values(FrameCase{0x19, {0x01}, {0xF2, 0x19, 0x01, 0xF3}},  // key up
                      FrameCase{0x19, {0x00}, {0xF2, 0x19, 0x00, 0xF4}},  // dekey
                      FrameCase{0x10, {}, {0xF1, 0x10, 0xFE}},      // reset: extended opcode, no payload
                      FrameCase{0x05, {}, {0x50}},                  // lone header
                      FrameCase{0x03, {0xAA}, {0x32, 0xAA, 0x23}},  // short opcode with data
                      FrameCase{0x20, Bytes(13, 0),
                                [] {
                                    Bytes f{0xFE, 0x20};
                                    f.insert(f.end(), 13, 0);
                                    f.push_back(uint8_t(0xFF - ((0xFE + 0x20) & 0xFF)));
                                    return f;
                                }()},
                      FrameCase{0x20, Bytes(14, 1), [] {
                                    Bytes f{0xFF, 0x20, 0x00, 0x0F};
                                    f.insert(f.end(), 14, 1);
                                    unsigned s = 0;
                                    for (uint8_t b : f) s += b;
                                    f.push_back(uint8_t(0xFF - (s & 0xFF)));
                                    return f;
                                }()}));

TEST(SbepFrameChecksum, AllBytesSumToFF) {
    Bytes f = sbep::buildFrame(0x23, Bytes{0x05}.data(), 1);
    unsigned s = 0;
    for (uint8_t b : f) s += b;
    EXPECT_EQ(s & 0xFF, 0xFFu);
}

using SbepReplyReading = LinkFixture;

TEST_F(SbepReplyReading, AcceptsAGoodFrameAndDecodesItsFields) {
    line.deliver(frame(0x8A, {0x03, 0x12, 0x34}), clock.now() + 1);
    SBEPReply r = readReplyFrame(*port, 250, 250, ReplyAcceptance::expect(0x8A));
    EXPECT_EQ(r.opcode(), 0x8A);
    ASSERT_EQ(r.dataLength(), 3u);
    EXPECT_EQ(r.data()[0], 0x03);
    EXPECT_EQ(r.data()[2], 0x34);
}

TEST_F(SbepReplyReading, ExtendedCountFrame) {
    Bytes payload(20, 7);
    line.deliver(frame(0x80, payload), clock.now() + 1);
    SBEPReply r = readReplyFrame(*port, 250, 250, ReplyAcceptance::any());
    EXPECT_EQ(r.dataLength(), 20u);
}

TEST_F(SbepReplyReading, WrongChecksumIsABadReply) {
    Bytes f = frame(0x8A, {0x03, 0x12});
    f.back() ^= 0x01;
    line.deliver(f, clock.now() + 1);
    EXPECT_THROW(readReplyFrame(*port, 250, 250, ReplyAcceptance::any()), BadReply);
}

TEST_F(SbepReplyReading, LoneAcknowledgeHasNoChecksum) {
    line.deliver(Bytes{0x50}, clock.now() + 1);
    EXPECT_EQ(readReplyFrame(*port, 250, 250, ReplyAcceptance::any()).opcode(), 5);
}

TEST_F(SbepReplyReading, OpcodeRules) {
    line.deliver(frame(0x86, {0x20}), clock.now() + 1);
    EXPECT_THROW(readReplyFrame(*port, 250, 250, ReplyAcceptance::expect(0x8A)), BadReply);
    port->purgeInput();
    line.deliver(frame(0x84, {0, 0, 0}), clock.now() + 1);
    EXPECT_NO_THROW(readReplyFrame(*port, 250, 250, ReplyAcceptance::expect(0x8A)));
    port->purgeInput();
    line.deliver(frame(0x84, {0, 0, 0}), clock.now() + 1);
    EXPECT_THROW(readReplyFrame(*port, 250, 250, ReplyAcceptance::list({0x8A, 0x86})), BadReply);
}

TEST_F(SbepReplyReading, TruncatedFrameTimesOut) {
    Bytes f = frame(0x8A, {0x03, 0x12, 0x34});
    f.pop_back();
    line.deliver(f, clock.now() + 1);
    EXPECT_THROW(readReplyFrame(*port, 250, 250, ReplyAcceptance::any()), TimeoutOnReceive);
}

}  // namespace vantrel::test

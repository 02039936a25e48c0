// The serial port: fixed line settings, waits in character times, reads, line error mapping.
#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "link/CharacterTimer.h"
#include "link/Exceptions.h"

namespace vantrel::test {

using SerialPort = LinkFixture;

TEST_F(SerialPort, RunsAtFixedSettingsWhateverIsRequested) {
    port->configure(19200, 2, 7, 2);
    EXPECT_EQ(port->lineRate(), 9600u);
    EXPECT_EQ(port->dataBits(), 8);
    EXPECT_EQ(port->parity(), 0);
    EXPECT_EQ(port->stopBits(), 0);
    EXPECT_FALSE(port->settings().dtr);
    EXPECT_FALSE(port->settings().rts);
    EXPECT_DOUBLE_EQ(port->bitsPerCharacter(), 10.0);
    EXPECT_DOUBLE_EQ(port->characterTime(), 10.0 / 9600.0);
}

TEST_F(SerialPort, DataBitsOutsideFourToEightAreRefused) {
    EXPECT_THROW(port->setDataBits(3), CharacterSizeSettingError);
    EXPECT_THROW(port->setDataBits(9), CharacterSizeSettingError);
    EXPECT_NO_THROW(port->setDataBits(7));
    EXPECT_EQ(port->dataBits(), 8);
}

TEST_F(SerialPort, EmptyReadReturnsZeroAndLeavesTheMarkerByte) {
    uint8_t b[4] = {0, 0, 0, 0};
    EXPECT_EQ(port->read(b, 4), 0);
    EXPECT_EQ(b[0], 0x14);
}

TEST_F(SerialPort, WaitForBytesTimesOutAfterTheSilenceLimit) {
    uint64_t t = elapsed([&] { EXPECT_THROW(port->waitForBytes(5, 10), TimeoutOnReceive); });
    EXPECT_GE(t, 10u);
    EXPECT_LE(t, 12u);
}

TEST_F(SerialPort, TricklingBytesKeepTheWaitGoing) {
    // Five bytes, 8 ms apart: never 10 ms of silence, so the wait lasts about 40 ms and succeeds.
    std::vector<uint8_t> bytes{1, 2, 3, 4, 5};
    line.deliver(bytes, clock.now() + 8, 8);
    uint64_t t = elapsed([&] { port->waitForBytes(5, 10); });
    EXPECT_GE(t, 40u);
    EXPECT_EQ(port->bytesWaiting(), 5u);
}

TEST_F(SerialPort, SilenceBetweenTrickledBytesStillTimesOut) {
    std::vector<uint8_t> first{1, 2};
    line.deliver(first, clock.now() + 5, 5);
    line.deliver(std::vector<uint8_t>{3}, clock.now() + 40);
    EXPECT_THROW(port->waitForBytes(3, 10), TimeoutOnReceive);
}

TEST_F(SerialPort, PurgeDiscardsWhatArrived) {
    line.deliver(std::vector<uint8_t>{1, 2, 3}, clock.now());
    EXPECT_EQ(port->bytesWaiting(), 3u);
    port->purgeInput();
    EXPECT_EQ(port->bytesWaiting(), 0u);
}

TEST_F(SerialPort, ReadWord16IsBigEndian) {
    line.deliver(std::vector<uint8_t>{0x12, 0x34}, clock.now() + 1);
    EXPECT_EQ(port->readWord16(10), 0x1234);
}

TEST_F(SerialPort, LineErrorsSurfaceOnTheNextRead) {
    line.deliver(std::vector<uint8_t>{1}, clock.now());
    line.raiseLineErrors(lineError::Framing);
    EXPECT_EQ(port->bytesWaiting(), 1u);
    uint8_t b;
    EXPECT_THROW(port->read(&b, 1), FramingError);
}

TEST_F(SerialPort, PulledCableIsAGeneralFailure) {
    line.disconnect();
    EXPECT_THROW(port->bytesWaiting(), GeneralCommunicationError);
}

TEST(LineErrorMapping, FollowsTheTableOrder) {
    EXPECT_NO_THROW(throwLineError(0));
    EXPECT_THROW(throwLineError(-12), BaudRateSettingError);
    EXPECT_THROW(throwLineError(-11), CharacterSizeSettingError);
    EXPECT_THROW(throwLineError(lineError::Break | lineError::Framing), BreakDetected);
    EXPECT_THROW(throwLineError(lineError::Framing | lineError::Overrun), FramingError);
    EXPECT_THROW(throwLineError(lineError::Overrun | lineError::Parity), OverrunError);
    EXPECT_THROW(throwLineError(lineError::Parity | lineError::ReceiveOverflow), ParityError);
    EXPECT_THROW(throwLineError(lineError::ReceiveOverflow), InputBufferFull);
    EXPECT_THROW(throwLineError(lineError::TransmitFull), OutputBufferFull);
    EXPECT_THROW(throwLineError(0x0400), GeneralCommunicationError);
}

TEST(CharacterTimer, KeepsAnAbsoluteScheduleAcrossTheTickWrap) {
    VirtualClock clock(0xFFFFFFF0u);
    CharacterTimer timer(clock, 10.0 / 9600.0);
    EXPECT_EQ(timer.periodMs(), 1u);
    timer.waitPeriods(5);
    EXPECT_EQ(clock.now(), 6u);
    clock.sleep(3);  // late: the next deadline is still counted from the previous one
    timer.waitPeriods(5);
    EXPECT_EQ(clock.now(), 11u);
    timer.waitPeriods(20);  // crosses the wrap of the tick counter
    EXPECT_EQ(clock.now(), 31u);
}

}  // namespace vantrel::test

// The link monitor: every frame on the line decoded into words a support engineer reads.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/LinkTap.h"

namespace vantrel {

/// One line of the monitor.
struct linkEvent {
    enum class Kind {
        Port,     ///< port opened or closed
        Request,  ///< a frame the program sent
        Echo,     ///< the program's own bytes back from the shared bus
        Ack,      ///< the radio's acknowledge
        Nak,      ///< the radio's negative acknowledge
        Reply,    ///< a data reply
        Retry,    ///< the same request sent again
        Silence,  ///< a request the radio never acknowledged
        Noise,    ///< bytes that make no frame
        Note,     ///< what the program says (a failure, an operation starting)
    };
    uint32_t ms = 0;  ///< line time since the monitor started
    Kind kind = Kind::Note;
    std::string text;

    /// "  1234 ms  -> softpot 0 live 105   [F3 20 00 02 69 51]"
    std::string format() const;
};

/// Decodes the bytes a LinkTap hears into linkEvents. Its frame reader and its table of requests are
/// its own: nothing is shared with the link's framing, so a fault there shows here. Keeps the newest
/// `capacity` events; a listener hears each event as it is added (the monitor window follows live).
class linkMonitor : public LinkTap {
  public:
    explicit linkMonitor(size_t capacity = 50000);

    void portOpened(uint32_t ms, const std::string& name) override;
    void portClosed(uint32_t ms) override;
    void byteSent(uint32_t ms, uint8_t byte) override;
    void bytesReceived(uint32_t ms, const uint8_t* bytes, size_t count) override;

    /// Adds a line of the program's own (a failure message, an operation's name).
    void note(const std::string& text);
    /// Program version and radio identity for the head of a saved trace (the identity defaults to what
    /// the radio answered to the identity requests the monitor heard).
    void setHeader(const std::string& version, const std::string& serial, const std::string& model);

    const std::deque<linkEvent>& events() const { return m_events; }
    /// Called with every new event (may be empty).
    std::function<void(const linkEvent&)> listener;

    /// The whole trace as plain text: the head, then one line per event.
    std::string text() const;
    /// Writes text() to `path`; false (nothing half written is left under that name) on failure.
    bool save(const std::string& path) const;

    /// The meaning of one request frame's opcode and payload ("key up", "channel pair tx 3 rx 3").
    static std::string describeRequest(uint8_t opcode, const std::vector<uint8_t>& payload);
    /// The meaning of one reply frame ("softpot 0 = 105", "unsupported: softpot request").
    static std::string describeReply(uint8_t opcode, const std::vector<uint8_t>& payload);

  private:
    struct Frame {
        uint8_t opcode = 0;
        std::vector<uint8_t> payload;
        std::vector<uint8_t> bytes;
        bool checksumGood = true;
    };
    /// Collects bytes into frames by the header's opcode and count nibbles.
    class FrameReader {
      public:
        /// Feeds one byte; true when a frame is complete (then take()).
        bool feed(uint8_t byte);
        Frame take();
        bool empty() const { return m_bytes.empty(); }
        std::vector<uint8_t> pending() const { return m_bytes; }
        void clear() { m_bytes.clear(); }

      private:
        size_t expected() const;
        std::vector<uint8_t> m_bytes;
    };

    void add(uint32_t ms, linkEvent::Kind kind, std::string text);
    void requestComplete(uint32_t ms, const Frame& frame);
    void replyByte(uint32_t ms, uint8_t byte);
    uint32_t since(uint32_t ms) const;
    void noteIdentity(const std::vector<uint8_t>& payload);

    size_t m_capacity;
    std::deque<linkEvent> m_events;
    bool m_started = false;
    uint32_t m_origin = 0;
    FrameReader m_sent;
    FrameReader m_received;
    std::vector<uint8_t> m_echoExpected;  ///< bytes of our own still to come back
    std::vector<uint8_t> m_lastRequest;
    bool m_awaitingAck = false;
    bool m_lastFailed = false;  ///< the last request went unanswered, was refused or answered garbled
    uint32_t m_lastRequestMs = 0;
    std::string m_version;
    std::string m_serial;
    std::string m_model;
    std::string m_heardSerial;  ///< from the radio's own identity replies
    std::string m_heardModel;
};

}  // namespace vantrel

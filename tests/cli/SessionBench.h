// The session's test rig: the simulated radio on a virtual line, and requests scripted in virtual time.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "../support/ScratchDirectory.h"
#include "cli/CliApp.h"
#include "cli/SessionInput.h"
#include "cli/StopSignal.h"
#include "link/LinkContext.h"
#include "link/VirtualLine.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel::test {

/// Whether the radio's last events leave it dekeyed and out of test mode: a reset came after the last
/// key-up (or it was never keyed).
inline bool endedDekeyedAndReset(SimRadio& radio) {
    const std::vector<SimEvent> all = radio.transcript().entries();
    std::optional<std::size_t> lastKeyUp, lastReset;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].kind != SimEventKind::State)
            continue;
        if (all[i].topic == SimTopic::Key && all[i].value == 1)
            lastKeyUp = i;
        if (all[i].topic == SimTopic::Reset)
            lastReset = i;
    }
    return lastReset && (!lastKeyUp || *lastReset > *lastKeyUp) && !radio.keyed() && !radio.testMode();
}

/// Requests as a script sends them: lines, silences (the virtual clock runs on) and stop signals.
class ScriptedInput : public SessionInput {
  public:
    explicit ScriptedInput(vantrel::Clock& clock) : m_clock(clock) {}

    ScriptedInput& line(std::string text) {
        m_items.push_back({std::move(text), 0, 0});
        return *this;
    }
    ScriptedInput& request(const nlohmann::json& request) { return line(request.dump()); }
    /// The script says nothing for `ms` milliseconds of virtual time.
    ScriptedInput& silence(std::uint32_t ms) {
        m_items.push_back({{}, ms, 0});
        return *this;
    }
    /// Runs `action` (a fault to inject, say) when the session asks for the next request here.
    ScriptedInput& then(std::function<void()> action) {
        m_items.push_back({{}, 0, 0, std::move(action)});
        return *this;
    }
    /// SIGINT, SIGTERM or SIGHUP arrives while the session waits.
    ScriptedInput& signal(int number) {
        m_items.push_back({{}, 0, number});
        return *this;
    }
    /// The reader of the answers goes away while the session waits.
    ScriptedInput& outputGone() {
        m_items.push_back({{}, 0, 0, {}, true});
        return *this;
    }

    Event next(std::string& text, std::optional<std::uint32_t> timeoutMs) override {
        while (!m_items.empty()) {
            Item& item = m_items.front();
            if (item.silenceMs != 0) {
                const std::uint32_t step = timeoutMs ? std::min(*timeoutMs, item.silenceMs) : item.silenceMs;
                m_clock.sleep(step);
                item.silenceMs -= step;
                if (item.silenceMs == 0)
                    m_items.pop_front();
                if (timeoutMs && step == *timeoutMs)
                    return Event::Timeout;
                continue;
            }
            if (item.action) {
                const std::function<void()> action = std::move(item.action);
                m_items.pop_front();
                action();
                continue;
            }
            if (item.outputGone) {
                m_items.pop_front();
                return Event::OutputGone;
            }
            if (item.signal != 0) {
                stopSignal::note(item.signal);
                m_items.pop_front();
                return Event::Stop;
            }
            text = item.text;
            m_items.pop_front();
            return Event::Line;
        }
        return Event::End;
    }

  private:
    struct Item {
        std::string text;
        std::uint32_t silenceMs;
        int signal;
        std::function<void()> action = {};
        bool outputGone = false;
    };
    vantrel::Clock& m_clock;  // the line clock (a test may also name a wall clock Clock)
    std::deque<Item> m_items;
};

/// Standard output whose reader goes away after `lines` lines: later writes fail as on a closed pipe.
class ClosingOutput : public std::streambuf {
  public:
    explicit ClosingOutput(std::size_t lines) : m_left(lines) {}
    const std::string& text() const { return m_text; }

  protected:
    int_type overflow(int_type c) override {
        if (m_left == 0 || traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::eof();
        m_text.push_back(traits_type::to_char_type(c));
        if (c == '\n')
            --m_left;
        return c;
    }

  private:
    std::size_t m_left;
    std::string m_text;
};

/// What one session printed and answered.
struct SessionRun {
    int exit = -1;
    std::vector<nlohmann::json> answers;
    std::string err;
};

/// The simulated radio behind COM1 of a virtual line in virtual time.
class SessionBench {
  public:
    explicit SessionBench(SimProfile profile = SimProfile::defaults())
        : line(clock),
          opener(line, 1),
          radio(std::move(profile)),
          peer(radio),
          input(clock),
          m_context(LinkContext{dir.path().string(), &opener, &clock, {}}) {
        line.setPeer(&peer);
    }
    ~SessionBench() { stopSignal::note(0); }

    /// Runs `vantrel-cli session --port 1` (and `extra` arguments) on the scripted input; with
    /// `linesRead`, the reader of the answers goes away after that many.
    SessionRun run(const std::vector<std::string>& extra = {},
                   std::optional<std::size_t> linesRead = std::nullopt) {
        std::ostringstream plain, err;
        ClosingOutput closing(linesRead.value_or(0));
        std::ostream closingStream(&closing);
        std::ostream& out = linesRead ? closingStream : plain;
        std::istringstream in;
        CliApp app(dir.path().string(), CliIo{out, err, in, false, false, -1, &input});
        std::vector<std::string> args = {"session", "--port", "1"};
        args.insert(args.end(), extra.begin(), extra.end());
        SessionRun result;
        result.exit = app.run(args);
        std::istringstream lines(linesRead ? closing.text() : plain.str());
        for (std::string text; std::getline(lines, text);)
            result.answers.push_back(nlohmann::json::parse(text));
        result.err = err.str();
        stopSignal::note(0);
        return result;
    }

    /// The radio's state changes of one topic, in order.
    std::vector<SimEvent> states(SimTopic topic) {
        return radio.transcript().filter(SimEventKind::State, topic);
    }
    /// Whether the radio's last events leave it dekeyed and reset: a reset came after the last key-up.
    bool endedDekeyedAndReset() { return test::endedDekeyedAndReset(radio); }

    ScratchDirectory dir;
    VirtualClock clock;
    VirtualLine line;
    VirtualPortOpener opener;
    SimRadio radio;
    SimPeer peer;
    ScriptedInput input;

  private:
    ScopedLinkContext m_context;
};

inline std::string errorCode(const nlohmann::json& answer) {
    return answer.value("error", nlohmann::json::object()).value("code", std::string());
}

}  // namespace vantrel::test

// Test bench: the simulated radio on a virtual line, a COM.INI in a scratch directory, decoded requests.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "link/LinkContext.h"
#include "link/RF_CommunicationSetup.h"
#include "link/VirtualLine.h"
#include "operations/ProgressSink.h"
#include "sim/SimFrame.h"
#include "sim/SimPeer.h"
#include "sim/SimProfile.h"
#include "sim/SimRadio.h"

namespace vantrel::test {

/// Records every progress call as "text" or "=percent".
class RecordingProgress : public ProgressSink {
  public:
    void SetText(const std::string& text) override { calls.push_back(text); }
    void SetPercentDone(int percent) override {
        calls.push_back("=" + std::to_string(percent));
        percents.push_back(percent);
    }
    std::vector<std::string> calls;
    std::vector<int> percents;
};

inline SimProfile profileNamed(const std::string& name) {
    return SimProfile::load(std::filesystem::path(VANTREL_SIM_TEST_PROFILES) / (name + ".json"));
}

/// A profile from JSON text on top of the defaults.
inline SimProfile profileFrom(const std::string& json) {
    return SimProfile::fromJson(json, "test");
}

/// The simulated radio behind COM1 of a virtual line, in virtual time.
class SimBench {
  public:
    explicit SimBench(SimProfile profile)
        : m_dir(makeDir()),
          line(clock),
          opener(line),
          radio(std::move(profile)),
          peer(radio),
          m_context(LinkContext{m_dir.string(), &opener, &clock, {}}) {
        comIni::write(m_dir.string(), 1);
        line.setPeer(&peer);
    }
    ~SimBench() {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    /// Every well-formed request so far, compactly: "T 1 0 2" test mode, "C 1000 2000" channel pair,
    /// "c 2000" one channel, "S 0/3" softpot 0 function 3 (with value bytes after a colon for writes),
    /// "A 6" auto-tune, "I 5" identity, "B 5 1" offsets, "M 2" memory read, "X" reset, "K 1" keying.
    std::vector<std::string> requests() const {
        std::vector<std::string> out;
        for (const SimEvent& e : const_cast<SimRadio&>(radio).transcript().filter(SimEventKind::FrameIn)) {
            SimFrameAssembler assembler;
            std::optional<SimFrame> f;
            for (uint8_t b : e.bytes) f = assembler.feed(b, 0);
            if (f)
                out.push_back(describe(*f));
        }
        return out;
    }

    /// The requests that start with one of the given letters.
    std::vector<std::string> requests(const std::string& kinds) const {
        std::vector<std::string> out;
        for (const std::string& r : requests())
            if (kinds.find(r[0]) != std::string::npos)
                out.push_back(r);
        return out;
    }

    VirtualClock clock;

  private:
    static std::filesystem::path makeDir() {
        static int counter = 0;
        auto dir = std::filesystem::temp_directory_path() /
                   ("vantrel-ops-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(dir);
        return dir;
    }

    static std::string describe(const SimFrame& f) {
        const std::vector<uint8_t>& p = f.payload;
        const auto at = [&](size_t i) { return i < p.size() ? std::to_string(p[i]) : std::string("?"); };
        const auto word = [&](size_t i) {
            return i + 1 < p.size() ? std::to_string((p[i] << 8) | p[i + 1]) : "?";
        };
        switch (f.opcode) {
            case 0x10:
                return "X";
            case 0x11:
                return "M " + std::to_string((p[1] << 16) | (p[2] << 8) | p[3]);
            case 0x19:
                return "K " + at(0);
            case 0x1B:
                return "U";
            case 0x1F:
                return "A " + at(0);
            case 0x20: {
                std::string s = "S " + at(0) + "/" + at(1);
                if (p.size() > 2 && (p[1] == 1 || p[1] == 2 || p[1] == 4)) {
                    s += ":";
                    for (size_t i = 2; i < p.size(); ++i) s += " " + std::to_string(p[i]);
                }
                return s;
            }
            case 0x21:
                return p.size() >= 5 ? "C " + word(1) + " " + word(3) : "c " + word(1);
            case 0x22:
                return "T " + at(0) + " " + at(1) + " " + at(2);
            case 0x23:
                return "I " + at(0);
            case 0x28:
                return "B " + at(0) + " " + at(1);
            default:
                return "? " + std::to_string(f.opcode);
        }
    }

    std::filesystem::path m_dir;

  public:
    VirtualLine line;
    VirtualPortOpener opener;
    SimRadio radio;
    SimPeer peer;

  private:
    ScopedLinkContext m_context;
};

}  // namespace vantrel::test

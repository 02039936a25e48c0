// The tuning engine the session drives (a stand-in until the core has one).
#pragma once

#if __has_include("operations/tuningEngine.h")
#include "operations/tuningEngine.h"
#else
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

class EnhancedSBEP;
class radioStorage;

struct procedureInfo {
    std::string name;
    std::string title;
    int commandId = 0;
};
inline const std::vector<procedureInfo>& procedureNames() {
    static const std::vector<procedureInfo> none;
    return none;
}
enum class engineRefusal { None, UnknownName, NotOnThisRadio, NotScriptable };
struct valueRefused : std::exception {
    std::string text;
    std::string caption;
    const char* what() const noexcept override { return text.c_str(); }
};
class tuningEngine {
  public:
    static constexpr const char* kKeyedElsewhereText =
        "The radio is keyed up at another point: dekey it before sending a value here.";
    static constexpr const char* kUnsupportedRowText = "This point is not used on this radio.";
    static constexpr const char* kNoSuchRowText = "There is no such point on this procedure.";
    static constexpr const char* kNoPttText = "This procedure does not key the transmitter.";
    int currentValue(int) const { return 0; }
    struct pointInfo {
        int row = 0;
        int point = 0;
        std::string label;
        double frequencyMhz = 0;
        bool supported = false;
        int minimum = 0, maximum = 0;
        int recordValue = 0;
    };
    struct programResult {
        bool ok = true;
        std::string refusedText;
        std::vector<int> programmedRows;
    };
    virtual ~tuningEngine() = default;
    const std::vector<pointInfo>& points() const { return m_points; }
    bool keys() const { return false; }
    bool liveWhileDekeyed() const { return false; }
    void open(EnhancedSBEP&) {}
    void selectRow(int, EnhancedSBEP&) {}
    void key(EnhancedSBEP&) {}
    void dekey(EnhancedSBEP&) {}
    bool keyed() const { return false; }
    int selectedRow() const { return 0; }
    void live(int, int, EnhancedSBEP&) {}
    programResult program(const std::vector<std::optional<int> >&, EnhancedSBEP&) { return {}; }
    bool close(EnhancedSBEP&) { return true; }

  private:
    std::vector<pointInfo> m_points;
};
inline std::unique_ptr<tuningEngine> makeEngine(const std::string&, radioStorage&,
                                                engineRefusal* refusal = nullptr,
                                                std::string* text = nullptr) {
    if (refusal)
        *refusal = engineRefusal::UnknownName;
    if (text)
        *text = "no such procedure";
    return nullptr;
}

}  // namespace vantrel
#endif

// The screen test bench.
#include "ScreenBench.h"

#include <cxxabi.h>

#include <QCoreApplication>
#include <cstdlib>

#include "app/ProcedureCatalogue.h"
#include "link/RF_CommunicationSetup.h"
#include "operations/ProgressSink.h"
#include "radio/ModelTable.h"
#include "sim/SimFrame.h"
#include "sim/SimProtocol.h"

namespace vantrel::test {

namespace {

QString describe(const SimFrame& f) {
    const std::vector<uint8_t>& p = f.payload;
    const auto at = [&](size_t i) { return i < p.size() ? QString::number(p[i]) : QStringLiteral("?"); };
    const auto word = [&](size_t i) {
        return i + 1 < p.size() ? QString::number((p[i] << 8) | p[i + 1]) : QStringLiteral("?");
    };
    switch (f.opcode) {
        case sim::op::Reset:
            return QStringLiteral("X");
        case sim::op::Key:
            return QStringLiteral("K ") + at(0);
        case sim::op::Softpot: {
            QString s = QStringLiteral("S ") + at(0) + QLatin1Char('/') + at(1);
            if (p.size() > 2) {
                s += QLatin1Char(':');
                for (size_t i = 2; i < p.size(); ++i) s += QLatin1Char(' ') + QString::number(p[i]);
            }
            return s;
        }
        case sim::op::Channel:
            return p.size() >= 5 ? QStringLiteral("C ") + word(1) + QLatin1Char(' ') + word(3)
                                 : QStringLiteral("c ") + word(1);
        case sim::op::TestMode:
            return QStringLiteral("T ") + at(0) + QLatin1Char(' ') + at(1) + QLatin1Char(' ') + at(2);
        case sim::op::Identity:
            return QStringLiteral("I ") + at(0);
        case sim::op::AutoTune:
            return QStringLiteral("A ") + at(0);
        default:
            return QStringLiteral("? ") + QString::number(f.opcode);
    }
}

}  // namespace

ScreenBench::ScreenBench(SimProfile profile) : radio(std::move(profile)) {
    line.setPeer(&peer);
    LinkContext context;
    context.programDirectory = dir.path().toStdString();
    context.opener = &opener;
    context.clock = &clock;
    m_context.emplace(context);
    RF_CommunicationSetup::forgetRememberedPort();
    comIni::write(dir.path().toStdString(), 1);
    NullProgress progress;
    operations.readRadio(record, progress);
    mark();
}

ScreenBench::~ScreenBench() = default;

void settle() {
    QCoreApplication::sendPostedEvents();
}

std::string ScreenBench::unqualified(const char* mangled) {
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = plain ? plain : mangled;
    std::free(plain);
    const size_t colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

screenEnvironment ScreenBench::environment(const std::string& screenClass) {
    screenEnvironment e;
    for (const ProcedureEntry& p : procedureCatalogue()) {
        if (screenClass == p.screenClass) {
            e.identity = identityFor(p.commandId, record);
            break;
        }
    }
    e.record = &record;
    e.operations = &operations;
    e.openScreenCode = &code;
    e.prompt = &prompt;
    e.readRadio = [this] {
        ++reads;
        NullProgress progress;
        operations.readRadioCommand(record, progress);
    };
    return e;
}

void ScreenBench::mark() {
    m_mark = radio.transcript().filter(SimEventKind::FrameIn).size();
    prompt.clear();
}

QStringList ScreenBench::requests() const {
    QStringList out;
    const std::vector<SimEvent> frames =
        const_cast<SimRadio&>(radio).transcript().filter(SimEventKind::FrameIn);
    for (size_t i = m_mark; i < frames.size(); ++i) {
        SimFrameAssembler assembler;
        std::optional<SimFrame> f;
        for (uint8_t b : frames[i].bytes) f = assembler.feed(b, 0);
        if (f)
            out << describe(*f);
    }
    return out;
}

QStringList ScreenBench::messages() const {
    QStringList out;
    for (const PromptMessage& m : prompt.shown()) out << QString::fromStdString(m.caption + "|" + m.text);
    return out;
}

void ScreenBench::silence(std::uint8_t opcode, std::optional<std::uint8_t> firstByte) {
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.opcode = opcode;
    rule.firstByte = firstByte;
    rule.times = 0;
    radio.addFault(rule);
}

void ScreenBench::silenceFromRequest(unsigned count) {
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.atRequest = radio.requestCount() + count;
    rule.times = 0;
    radio.addFault(rule);
}

SimProfile portableWithPoints(std::vector<std::uint16_t> txPoints) {
    SimProfile p = SimProfile::named("portable");
    for (size_t i = 0; i < p.txPoints.size(); ++i) p.txPoints[i] = i < txPoints.size() ? txPoints[i] : 0;
    return p;
}

SimProfile portableOfSeries(const std::string& series, const std::string& tail) {
    SimProfile p = SimProfile::named("portable");
    std::string code = std::string(1, defaultModelTable().formPortable) + series + tail;
    code.resize(sim::identity::kModelLength, ' ');
    p.modelNo = code;
    return p;
}

}  // namespace vantrel::test

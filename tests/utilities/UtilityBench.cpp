// The utility test bench.
#include "UtilityBench.h"

#include <stdlib.h>

#include <QFile>

#include "link/RF_CommunicationSetup.h"
#include "operations/ProgressSink.h"
#include "sim/SimFrame.h"
#include "sim/SimProtocol.h"

namespace vantrel::test {

namespace {

QString describe(const SimFrame& f) {
    const std::vector<uint8_t>& p = f.payload;
    const auto at = [&](size_t i) { return i < p.size() ? QString::number(p[i]) : QStringLiteral("?"); };
    switch (f.opcode) {
        case sim::op::Reset:
            return QStringLiteral("X");
        case sim::op::ReadMemory:
            return QStringLiteral("M");
        case sim::op::WriteMemory:
            return QStringLiteral("P");
        case sim::op::WriteSerialNo:
            return QStringLiteral("W");
        case sim::op::Softpot: {
            QString s = QStringLiteral("S ") + at(0) + QLatin1Char('/') + at(1);
            if (p.size() > 2 && p[1] != 0) {
                s += QLatin1Char(':');
                for (size_t i = 2; i < p.size(); ++i) s += QLatin1Char(' ') + QString::number(p[i]);
            }
            return s;
        }
        case sim::op::Identity:
            return QStringLiteral("I ") + at(0);
        case sim::op::Bbo:
            return QStringLiteral("B ") + at(0) + QLatin1Char(' ') + at(1);
        default:
            return QStringLiteral("? ") + QString::number(f.opcode);
    }
}

}  // namespace

UtilityBench::UtilityBench(const std::string& profile, bool withConfig) : radio(SimProfile::named(profile)) {
    line.setPeer(&peer);
    // Data files are looked up in the XDG data folders too: only the bench's own ones count.
    setenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("xdg-home")).toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_DIRS", dir.filePath(QStringLiteral("xdg-share")).toLocal8Bit().constData(), 1);
    LinkContext context;
    context.programDirectory = dir.path().toStdString();
    context.opener = &opener;
    context.clock = &clock;
    m_context.emplace(context);
    RF_CommunicationSetup::forgetRememberedPort();
    comIni::write(dir.path().toStdString(), 1);
    if (withConfig)
        QFile::copy(QStringLiteral(VANTREL_SIM_PROFILES "/bbo.cfg"), dir.filePath(QStringLiteral("bbo.cfg")));
    NullProgress progress;
    operations.readRadio(record, progress);
    mark();
}

UtilityBench::~UtilityBench() = default;

screenEnvironment UtilityBench::environment() {
    screenEnvironment e;
    e.record = &record;
    e.operations = &operations;
    e.openScreenCode = &code;
    e.prompt = &prompt;
    e.readRadio = [this] {
        ++reads;
        NullProgress progress;
        operations.readRadioCommand(record, progress);
    };
    e.programDirectory = dir.path();
    e.bboConfig = &config;
    return e;
}

void UtilityBench::mark() {
    m_mark = radio.transcript().filter(SimEventKind::FrameIn).size();
    prompt.clear();
}

QStringList UtilityBench::requests() const {
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

QStringList UtilityBench::messages() const {
    QStringList out;
    for (const PromptMessage& m : prompt.shown()) out << QString::fromStdString(m.caption + "|" + m.text);
    return out;
}

void UtilityBench::silenceFromRequest(unsigned count) {
    SimFaultRule rule;
    rule.kind = SimFaultKind::Silence;
    rule.atRequest = radio.requestCount() + count;
    rule.times = 0;
    radio.addFault(rule);
}

}  // namespace vantrel::test

// The simulated radio's transcript.
#include "sim/SimTranscript.h"

#include <cstdio>

#include "sim/SimFrame.h"

namespace vantrel {

void SimTranscript::add(SimEvent event) {
    std::function<void(const SimEvent&)> listener;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        listener = m_listener;
        if (m_capacity > 0) {
            if (m_events.size() >= m_capacity) {
                m_events.pop_front();
                ++m_dropped;
            }
            m_events.push_back(listener ? event : std::move(event));
        } else {
            ++m_dropped;
        }
    }
    if (listener)
        listener(event);
}

void SimTranscript::setCapacity(std::size_t events) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_capacity = events;
    while (m_events.size() > m_capacity) {
        m_events.pop_front();
        ++m_dropped;
    }
}

std::size_t SimTranscript::capacity() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_capacity;
}

std::size_t SimTranscript::dropped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

std::vector<SimEvent> SimTranscript::entries() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_events.begin(), m_events.end()};
}

std::vector<SimEvent> SimTranscript::filter(SimEventKind kind, SimTopic topic) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<SimEvent> out;
    for (const SimEvent& e : m_events)
        if (e.kind == kind && (topic == SimTopic::None || e.topic == topic))
            out.push_back(e);
    return out;
}

void SimTranscript::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
}

void SimTranscript::setListener(std::function<void(const SimEvent&)> listener) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listener = std::move(listener);
}

std::string SimTranscript::format(const SimEvent& e) {
    const char* mark = "  ";
    switch (e.kind) {
        case SimEventKind::FrameIn:
            mark = "<-";
            break;
        case SimEventKind::FrameOut:
            mark = "->";
            break;
        case SimEventKind::BadFrame:
            mark = "!!";
            break;
        case SimEventKind::Fault:
            mark = "**";
            break;
        case SimEventKind::State:
            mark = "==";
            break;
    }
    char time[32];
    std::snprintf(time, sizeof time, "%10.3f s", static_cast<double>(e.atMs) / 1000.0);
    std::string line = std::string(time) + "  " + mark + "  ";
    if (e.kind == SimEventKind::State)
        return line + e.text;
    std::string bytes = hexBytes(e.bytes);
    if (bytes.size() < 24)
        bytes.resize(24, ' ');
    return line + bytes + "  " + e.text;
}

std::string SimTranscript::formatAll() const {
    std::string out;
    for (const SimEvent& e : entries()) out += format(e) + "\n";
    return out;
}

}  // namespace vantrel

// The bench instrument's live reading beside the keyed point of a tuning screen: watts, the carrier's
// error in Hz, the deviation, or the supply current, refreshed while keyed and blank while dekeyed.
#pragma once

#include <QLabel>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "instruments/BenchConfig.h"

namespace vantrel {

class TTuningScreen;

/// The reading runs on a thread of its own, so a slow or dead instrument never holds the screen or its
/// exchanges with the radio; the screen's state is only looked at, never changed.
class TBenchReading : public QLabel {
  public:
    /// Adds the reading to a screen whose procedure an instrument of the bench measures (transmit power,
    /// reference oscillator warp, deviation, PA bias); answers nullptr and adds nothing otherwise, or when
    /// no instrument serves the role (bench.conf in the settings folder, VANTREL_BENCH_<ROLE>).
    static TBenchReading* attachTo(TTuningScreen& screen);

    /// The role a procedure's softpot is measured with; nullopt when none.
    static std::optional<Role> roleForSoftpot(int softpot);

    TBenchReading(TTuningScreen& screen, Role role, RoleConfig config, InstrumentContext context);
    ~TBenchReading() override;

    /// Takes the screen's state now (the timer does this every quarter second).
    void follow();
    /// Waits up to `ms` for the next reading to be shown (for tests); true when one came.
    bool waitForReading(int ms);

  private:
    struct Request {
        bool keyed = false;
        double expectedHz = 0;
        unsigned generation = 0;
    };
    void run();
    QString measure(double expectedHz);
    void showResult(unsigned generation, const QString& text, bool failed);

    TTuningScreen& m_screen;
    Role m_role;
    RoleConfig m_config;
    InstrumentContext m_context;
    QTimer m_timer;
    bool m_keyed = false;
    int m_row = -1;
    QString m_prefix;  ///< "Meter at F3: "

    std::mutex m_mutex;
    std::condition_variable m_wake;
    Request m_request;
    bool m_stop = false;
    std::atomic<unsigned> m_shown{0};
    // Only the thread touches the instruments.
    std::unique_ptr<PowerMeter> m_meter;
    std::unique_ptr<FrequencyCounter> m_counter;
    std::unique_ptr<ModulationAnalyser> m_analyser;
    std::unique_ptr<PowerSupply> m_supply;
    std::thread m_thread;
};

}  // namespace vantrel

// The station's sense of time: "now" as a date-time (days since 1899-12-30,
// fractions for the time of day) and timers that fire on that time. The real
// clock follows the system time and drives its timers by the Qt event loop;
// the virtual clock stands still until told to advance, so hours of
// emulation run in moments and always the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace doravo {

constexpr double MSecsPerDay = 86400000.0;
constexpr double SecsPerDay = 86400.0;

// A repeating timer created by a clock. Created disabled; enabling starts a
// fresh interval. The handler runs on the thread of the clock.
class TSiteTimer {
public:
    virtual ~TSiteTimer() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual int Interval() const = 0;
};

class TSiteClock {
public:
    virtual ~TSiteClock() = default;
    virtual double Now() const = 0;
    // The timers must not outlive the clock.
    virtual std::unique_ptr<TSiteTimer> CreateTimer(int intervalMs, std::function<void()> onTimer) = 0;
};

class TRealClock : public TSiteClock {
public:
    double Now() const override;
    std::unique_ptr<TSiteTimer> CreateTimer(int intervalMs, std::function<void()> onTimer) override;
};

class TVirtualClock : public TSiteClock {
public:
    explicit TVirtualClock(double start);
    ~TVirtualClock() override;

    double Now() const override;
    std::unique_ptr<TSiteTimer> CreateTimer(int intervalMs, std::function<void()> onTimer) override;

    // Moves time forward by ms, firing every timer that falls due on the way,
    // in the order of their due times (creation order on ties); while a
    // handler runs, Now() is its due time.
    void Advance(int64_t ms);
    int64_t ElapsedMs() const { return elapsedMs_; }

private:
    class TVirtualTimer;
    friend class TVirtualTimer;

    double start_;
    int64_t elapsedMs_ = 0;
    std::vector<TVirtualTimer*> timers_;
};

} // namespace doravo

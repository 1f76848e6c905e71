#include "SiteClock.h"

#include <QDateTime>
#include <QTimer>
#include <algorithm>

namespace doravo {

namespace {

// Days between the date-time origin 1899-12-30 and the Unix epoch.
constexpr double UnixEpochDays = 25569.0;

class TQtTimer : public TSiteTimer {
public:
    TQtTimer(int intervalMs, std::function<void()> onTimer)
    {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, std::move(onTimer));
    }
    void SetEnabled(bool enabled) override
    {
        if (enabled)
            timer_.start();
        else
            timer_.stop();
    }
    bool Enabled() const override { return timer_.isActive(); }
    int Interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

} // namespace

double TRealClock::Now() const
{
    // Local time, as the station shows it.
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 localMs = now.toMSecsSinceEpoch() + qint64(now.offsetFromUtc()) * 1000;
    return UnixEpochDays + double(localMs) / MSecsPerDay;
}

std::unique_ptr<TSiteTimer> TRealClock::CreateTimer(int intervalMs, std::function<void()> onTimer)
{
    return std::make_unique<TQtTimer>(intervalMs, std::move(onTimer));
}

class TVirtualClock::TVirtualTimer : public TSiteTimer {
public:
    TVirtualTimer(TVirtualClock& clock, int intervalMs, std::function<void()> onTimer)
        : clock_(clock)
        , interval_(std::max(intervalMs, 1))
        , onTimer_(std::move(onTimer))
    {
        clock_.timers_.push_back(this);
    }
    ~TVirtualTimer() override { std::erase(clock_.timers_, this); }

    void SetEnabled(bool enabled) override
    {
        if (enabled && !enabled_)
            due_ = clock_.elapsedMs_ + interval_;
        enabled_ = enabled;
    }
    bool Enabled() const override { return enabled_; }
    int Interval() const override { return interval_; }

    TVirtualClock& clock_;
    int interval_;
    std::function<void()> onTimer_;
    bool enabled_ = false;
    int64_t due_ = 0;
};

TVirtualClock::TVirtualClock(double start)
    : start_(start)
{
}

TVirtualClock::~TVirtualClock() = default;

double TVirtualClock::Now() const
{
    return start_ + double(elapsedMs_) / MSecsPerDay;
}

std::unique_ptr<TSiteTimer> TVirtualClock::CreateTimer(int intervalMs, std::function<void()> onTimer)
{
    return std::make_unique<TVirtualTimer>(*this, intervalMs, std::move(onTimer));
}

void TVirtualClock::Advance(int64_t ms)
{
    const int64_t end = elapsedMs_ + std::max<int64_t>(ms, 0);
    for (;;) {
        // Handlers may create, enable, disable or destroy timers, so the next
        // one is looked for afresh every time.
        TVirtualTimer* next = nullptr;
        for (TVirtualTimer* timer : timers_) {
            if (!timer->enabled_ || timer->due_ > end)
                continue;
            // Strictly earlier: on ties the timer created first runs first.
            if (!next || timer->due_ < next->due_)
                next = timer;
        }
        if (!next)
            break;
        elapsedMs_ = next->due_;
        next->due_ += next->interval_;
        next->onTimer_();
    }
    elapsedMs_ = end;
}

} // namespace doravo

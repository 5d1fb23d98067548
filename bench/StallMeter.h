#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// The longest gap between two ticks of a 1 ms timer: while a handler runs, no tick is dispatched.
class StallMeter {
public:
    StallMeter() {
        ticks_.setTimerType(Qt::PreciseTimer);
        ticks_.setInterval(1);
        QObject::connect(&ticks_, &QTimer::timeout, [this] {
            longestMs_ = std::max(longestMs_, static_cast<double>(sinceLastTick_.nsecsElapsed()) / 1e6);
            sinceLastTick_.restart();
        });
        sinceLastTick_.start();
        ticks_.start();
    }
    double longestMs() const { return longestMs_; }

private:
    QTimer ticks_;
    QElapsedTimer sinceLastTick_;
    double longestMs_ = 0;
};

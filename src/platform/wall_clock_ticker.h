#pragma once

#include <QTimer>

#include "platform/ticker.h"

namespace pelora {

// Stand-in until the wall-clock beat lands: a precise repeating Qt timer.
class WallClockTicker final : public Ticker {
public:
    WallClockTicker() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kInterval);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_onTick) m_onTick();
        });
    }
    void start(std::function<void()> onTick) override {
        m_onTick = std::move(onTick);
        m_timer.start();
    }
    void stop() override {
        m_timer.stop();
        m_onTick = nullptr;
    }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_onTick;
};

}  // namespace pelora

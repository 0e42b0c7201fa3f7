#pragma once

#include <QObject>

// The meter's one-second timer that needs no wake-up of its own: it fires with each tick of the
// meter's clock, which comes once a second. A meter that is otherwise idle then wakes once a
// second rather than twice. The end-of-call probe that it drives logs the same call as one on a
// timer of its own would: that timer, a second apart too, would also fire before the next tick.
class TickTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool isActive() const { return m_active; }
    void start() { m_active = true; }
    void stop() { m_active = false; }
    // Called at every tick of the clock.
    void tick() {
        if (m_active)
            emit timeout();
    }

signals:
    void timeout();

private:
    bool m_active = false;
};

#pragma once

#include "Platform.h"

#include <QMap>
#include <QTimer>
#include <functional>

// Whether the time of day matches an alarm pattern "hh:mm:ss" in which "?" stands for any digit.
bool MatchesAlarmPattern(const QString& pattern, const QTime& time);

// The alarm clock on the real-time clock. It wakes at each whole second of the wall clock and
// delivers one event per second: when the program was held up, every second it missed comes as
// an event of its own, one per timer callback, so each runs its whole tick. After a gap longer
// than MaxCatchUpSeconds (a suspended machine), or a clock set back by more than that, it carries
// on from the present instead; a clock set back by less delivers nothing until it has caught up.
class RealTimeAlarm : public AlarmClock {
    Q_OBJECT
public:
    static constexpr qint64 MaxCatchUpSeconds = 60;

    // `now` gives the wall clock in milliseconds since the epoch.
    explicit RealTimeAlarm(QObject* parent = nullptr, std::function<qint64()> now = {});

    void setPattern(int alarm, const QString& pattern) override;

    // Delivers the next due second, if any, and arms the timer for the one after.
    void deliverDue();

private:
    void arm();
    QTime localTime(qint64 second);

    std::function<qint64()> m_now;
    QMap<int, QString> m_patterns;
    qint64 m_lastSecond = 0;
    // The offset of local time from UTC in the minute m_offsetMinute, counted from the epoch.
    qint64 m_offsetMinute = -1;
    int m_offset = 0;
    QTimer m_timer;
};

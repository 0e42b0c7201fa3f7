#include "RealTimeAlarm.h"

#include <QDateTime>
#include <QPointer>
#include <cstdlib>

bool MatchesAlarmPattern(const QString& pattern, const QTime& time) {
    const QString now = time.toString(QStringLiteral("hh:mm:ss"));
    if (pattern.size() != now.size())
        return false;
    for (qsizetype i = 0; i < now.size(); ++i)
        if (pattern[i] != now[i] && !(pattern[i] == u'?' && now[i].isDigit()))
            return false;
    return true;
}

RealTimeAlarm::RealTimeAlarm(QObject* parent, std::function<qint64()> now)
    : AlarmClock(parent),
      m_now(now ? std::move(now) : [] { return QDateTime::currentMSecsSinceEpoch(); }) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RealTimeAlarm::deliverDue);
}

void RealTimeAlarm::setPattern(int alarm, const QString& pattern) {
    if (m_patterns.isEmpty())
        m_lastSecond = m_now() / 1000;
    m_patterns.insert(alarm, pattern);
    arm();
}

void RealTimeAlarm::deliverDue() {
    const qint64 current = m_now() / 1000;
    // Far off in either direction (a suspended machine, a clock set back): carry on from now.
    if (std::abs(current - m_lastSecond) > MaxCatchUpSeconds)
        m_lastSecond = current - 1;
    if (current > m_lastSecond) {
        ++m_lastSecond;
        const QTime time = localTime(m_lastSecond);
        // A copy: a handler may arm another pattern. A handler may also end the window that
        // owns this clock, so nothing of it is touched once it is gone.
        const QMap<int, QString> patterns = m_patterns;
        const QPointer<RealTimeAlarm> alive(this);
        for (auto it = patterns.cbegin(); it != patterns.cend(); ++it) {
            if (MatchesAlarmPattern(it.value(), time))
                emit Alarm(it.key(), time);
            if (!alive)
                return;
        }
    }
    arm();
}

QTime RealTimeAlarm::localTime(qint64 second) {
    // Each conversion looks at the system's time zone file. No zone changes its offset from UTC
    // within a minute, so once a minute is enough.
    const qint64 minute = second / 60;
    if (minute != m_offsetMinute) {
        m_offsetMinute = minute;
        m_offset = QDateTime::fromSecsSinceEpoch(minute * 60).offsetFromUtc();
    }
    constexpr qint64 Day = 24 * 60 * 60;
    const qint64 ofDay = ((second + m_offset) % Day + Day) % Day;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ofDay * 1000));
}

void RealTimeAlarm::arm() {
    if (m_patterns.isEmpty())
        return;
    const qint64 now = m_now();
    const qint64 next = (m_lastSecond + 1) * 1000;
    m_timer.start(static_cast<int>(std::clamp<qint64>(next - now, 0, 1000)));
}

#include "WindowTest.h"
#include "platform/RealTimeAlarm.h"

#include <QDateTime>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

// The clock of the meter: one event per second of the wall clock, missed seconds made up one by
// one, no second counted twice.
class RealTimeAlarmTest : public QObject {
    Q_OBJECT
private:
    // Milliseconds since the epoch, moved by the test.
    qint64 m_now = 0;
    QList<QTime> m_events;

    RealTimeAlarm* newAlarm(QObject* parent = nullptr) {
        auto* alarm = new RealTimeAlarm(parent, [this] { return m_now; });
        connect(alarm, &AlarmClock::Alarm, this, [this](int identifier, const QTime& time) {
            QCOMPARE(identifier, 1);
            m_events << time;
        });
        return alarm;
    }
    static QTime timeOf(qint64 second) { return QDateTime::fromSecsSinceEpoch(second).time(); }

private slots:
    void init() {
        m_now = 1'700'000'000'500;
        m_events.clear();
    }

    void deliversEachSecondOnce() {
        const std::unique_ptr<RealTimeAlarm> alarm(newAlarm());
        alarm->setPattern(1, u"??:??:??"_s);
        alarm->deliverDue();
        QVERIFY(m_events.isEmpty());
        m_now += 500;
        alarm->deliverDue();
        alarm->deliverDue();
        QCOMPARE(m_events, QList<QTime>{timeOf(1'700'000'001)});
        m_now += 999;
        alarm->deliverDue();
        QCOMPARE(m_events.size(), 1);
        m_now += 1;
        alarm->deliverDue();
        QCOMPARE(m_events, (QList<QTime>{timeOf(1'700'000'001), timeOf(1'700'000'002)}));
    }

    void makesUpMissedSecondsOneEventAtATime() {
        const std::unique_ptr<RealTimeAlarm> alarm(newAlarm());
        alarm->setPattern(1, u"??:??:??"_s);
        m_now += 5'000;
        for (int i = 1; i <= 5; ++i) {
            alarm->deliverDue();
            QCOMPARE(m_events.size(), i);
            QCOMPARE(m_events.last(), timeOf(1'700'000'000 + i));
        }
        alarm->deliverDue();
        QCOMPARE(m_events.size(), 5);
    }

    void carriesOnFromNowAfterALongGap_data() {
        QTest::addColumn<qint64>("jump");
        QTest::newRow("a suspended machine") << qint64(3'600'000);
        QTest::newRow("a clock set back") << qint64(-3'600'000);
    }
    void carriesOnFromNowAfterALongGap() {
        QFETCH(qint64, jump);
        const std::unique_ptr<RealTimeAlarm> alarm(newAlarm());
        alarm->setPattern(1, u"??:??:??"_s);
        m_now += jump;
        alarm->deliverDue();
        alarm->deliverDue();
        QCOMPARE(m_events, QList<QTime>{timeOf((m_now) / 1000)});
    }

    void makesUpAMinuteOfMissedSeconds() {
        const std::unique_ptr<RealTimeAlarm> alarm(newAlarm());
        alarm->setPattern(1, u"??:??:??"_s);
        m_now += RealTimeAlarm::MaxCatchUpSeconds * 1000;
        for (int i = 0; i < 100; ++i)
            alarm->deliverDue();
        QCOMPARE(m_events.size(), RealTimeAlarm::MaxCatchUpSeconds);
    }

    // The events carry the local time, also as the clocks go forward or back.
    void followsTheTimeZoneThroughDaylightSavingChanges_data() {
        QTest::addColumn<qint64>("change");
        QTest::addColumn<QStringList>("times");
        QTest::newRow("forward") << qint64(1'774'746'000)
                                 << QStringList{u"02:59:58"_s, u"02:59:59"_s, u"04:00:00"_s,
                                                u"04:00:01"_s};
        QTest::newRow("back") << qint64(1'792'890'000)
                              << QStringList{u"03:59:58"_s, u"03:59:59"_s, u"03:00:00"_s,
                                             u"03:00:01"_s};
    }
    void followsTheTimeZoneThroughDaylightSavingChanges() {
        QFETCH(qint64, change);
        QFETCH(QStringList, times);
        const QByteArray zone = qgetenv("TZ");
        const bool hadZone = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "Europe/Helsinki");
        const auto restore = qScopeGuard([&] {
            if (hadZone)
                qputenv("TZ", zone);
            else
                qunsetenv("TZ");
        });
        m_now = (change - 3) * 1000 + 500;
        const std::unique_ptr<RealTimeAlarm> alarm(newAlarm());
        alarm->setPattern(1, u"??:??:??"_s);
        QStringList delivered;
        for (int i = 0; i < times.size(); ++i) {
            m_now += 1000;
            alarm->deliverDue();
            delivered << m_events.last().toString(u"hh:mm:ss");
        }
        QCOMPARE(delivered, times);
    }

    // The meter's tick lets pending events run, and one of them may end the meter, which owns
    // its clock: the clock must not touch itself once its event has returned.
    void survivesItsOwnerEndingInItsEvent() {
        auto* owner = new QObject;
        RealTimeAlarm* alarm = newAlarm(owner);
        connect(alarm, &AlarmClock::Alarm, owner, [owner] { delete owner; });
        alarm->setPattern(1, u"??:??:??"_s);
        m_now += 1'000;
        alarm->deliverDue();
        QCOMPARE(m_events.size(), 1);
    }
};

ORVALIN_TEST_MAIN(RealTimeAlarmTest)
#include "tst_realtimealarm.moc"

#include "WindowTest.h"
#include "platform/LinuxPlatform.h"
#include "platform/Phonebook.h"
#include "platform/RealTimeAlarm.h"
#include "platform/SimulatedDialUp.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class PlatformTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString writePhonebook(const QByteArray& text) {
        const QString path = m_dir.filePath(QStringLiteral("puhelinluettelo.conf"));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text);
        return path;
    }

    // The state texts reported until Done, and the final state code.
    static QStringList dialAndRecord(SimulatedDialUp& dialer, int* finalCode) {
        QStringList texts;
        QObject context;
        QObject::connect(&dialer, &DialUp::Progress, &context,
                         [&](int) { texts << dialer.StateText(); });
        QSignalSpy done(&dialer, &DialUp::Done);
        dialer.Dial();
        if (!texts.isEmpty() || done.count() != 0)
            texts << QStringLiteral("<event inside Dial>");
        done.wait(5000);
        *finalCode = dialer.StateCode();
        return texts;
    }

private slots:
    void readsAPhonebookAndReportsItsBadLinesOnce() {
        const Phonebook book = Phonebook::parse(
            QStringLiteral(
                "; Orvalinin puhelinluettelo\n"
                "[Dialer Kotiyhteys]\n"
                "Modem = demo\n"
                "Phone = 0600 12345\n"
                "Demo Outcomes = busy, no answer, state 12 Odd State, connect ; kommentti\n"
                "Demo Step = 10\n"
                "Demo Duration = 0\n"
                "Demo Port = 3\n"
                "tämä ei ole asetus\n"
                "Demo Port = 9\n"
                "Demo Outcomes = busy, ringing\n"
                "Colour = blue\n"
                "[Modem0]\n"
                "Phone = 1\n"
                "[Dialer Työ]\n"
                "Demo Step = nopea\n"),
            QStringLiteral("luettelo.conf"));
        QCOMPARE(book.entries.size(), 2);
        const PhonebookEntry& home = book.entries[0];
        QCOMPARE(home.name, QStringLiteral("Kotiyhteys"));
        QCOMPARE(home.phone, QStringLiteral("0600 12345"));
        QCOMPARE(home.outcomes.size(), 4);
        QCOMPARE(home.outcomes[2].kind, DemoOutcome::Kind::State);
        QCOMPARE(home.outcomes[2].stateCode, 12);
        QCOMPARE(home.outcomes[2].stateText, QStringLiteral("Odd State"));
        QCOMPARE(home.stepMilliseconds, 10);
        QCOMPARE(home.durationSeconds, 0);
        QCOMPARE(home.port, 3);
        QCOMPARE(book.entries[1].name, QStringLiteral("Työ"));
        QCOMPARE(book.entries[1].stepMilliseconds, 300);
        const QList<int> badLines = {9, 10, 11, 12, 13, 14, 16};
        QCOMPARE(book.problems.size(), badLines.size());
        for (qsizetype i = 0; i < badLines.size(); ++i)
            QVERIFY2(book.problems[i].startsWith(
                         QStringLiteral("luettelo.conf, rivi %1:").arg(badLines[i])),
                     qPrintable(book.problems[i]));
    }

    void offersBuiltInEntriesWithoutAPhonebook() {
        const Phonebook book = Phonebook::load(m_dir.filePath(QStringLiteral("puuttuu.conf")));
        QVERIFY(book.problems.isEmpty());
        QVERIFY(book.entries.size() >= 2);
        for (const PhonebookEntry& entry : book.entries)
            QVERIFY(entry.name.startsWith(QStringLiteral("Demo ")));
    }

    void playsTheStatesOfEachAttemptAndRepeatsTheLastOutcome() {
        SimulatedDialUp dialer(writePhonebook("[Dialer Koti]\nDemo Outcomes = busy, connect\n"
                                              "Demo Step = 0\nDemo Duration = 0\nDemo Port = 2\n"));
        QCOMPARE(dialer.EntryCount(), 1);
        QCOMPARE(dialer.EntryAt(0), QStringLiteral("Koti"));
        dialer.setEntry(QStringLiteral("Koti"));
        int code = 0;
        QCOMPARE(dialAndRecord(dialer, &code),
                 (QStringList{QStringLiteral("Open Port"), QStringLiteral("Port Opened"),
                              QStringLiteral("Connect Device"),
                              QStringLiteral("Disconnected - Line Busy")}));
        QVERIFY(code != StateConnected);
        QVERIFY(!dialer.holdsPort(2));
        QCOMPARE(
            dialAndRecord(dialer, &code),
            (QStringList{QStringLiteral("Open Port"), QStringLiteral("Port Opened"),
                         QStringLiteral("Connect Device"), QStringLiteral("Device Connected"),
                         QStringLiteral("All Devices Connected"),
                         QStringLiteral("Start Authentication"), QStringLiteral("Logon Network")}));
        QCOMPARE(code, StateConnected);
        QVERIFY(dialer.holdsPort(2));
        QVERIFY(!dialer.holdsPort(1));
        dialAndRecord(dialer, &code);
        QCOMPARE(code, StateConnected);
        // Choosing the entry again starts its outcomes from the first.
        dialer.setEntry(QStringLiteral("Koti"));
        QVERIFY(dialAndRecord(dialer, &code).contains(QStringLiteral("Disconnected - Line Busy")));
    }

    void aConnectionDropsAfterItsDurationAndFreesThePort() {
        SimulatedDialUp dialer(writePhonebook(
            "[Dialer Koti]\nDemo Outcomes = connect\nDemo Step = 0\nDemo Duration = 1\n"));
        dialer.setEntry(QStringLiteral("Koti"));
        int code = 0;
        dialAndRecord(dialer, &code);
        QVERIFY(dialer.holdsPort(1));
        QSignalSpy progress(&dialer, &DialUp::Progress);
        QVERIFY(progress.wait(3000));
        QCOMPARE(dialer.StateText(), QStringLiteral("Disconnected"));
        QVERIFY(!dialer.holdsPort(1));
    }

    void hangingUpEndsTheCallWithoutFurtherEvents() {
        SimulatedDialUp dialer(writePhonebook("[Dialer Koti]\nDemo Step = 20\n"));
        dialer.setEntry(QStringLiteral("Koti"));
        QSignalSpy progress(&dialer, &DialUp::Progress);
        QSignalSpy done(&dialer, &DialUp::Done);
        dialer.Dial();
        dialer.HangUp();
        QTest::qWait(200);
        QCOMPARE(progress.count(), 0);
        QCOMPARE(done.count(), 0);
    }

    void matchesAlarmPatterns_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("matches");
        QTest::newRow("every second") << "??:??:??" << QTime(23, 59, 59) << true;
        QTest::newRow("on the hour") << "??:00:00" << QTime(7, 0, 0) << true;
        QTest::newRow("not on the hour") << "??:00:00" << QTime(7, 0, 1) << false;
        QTest::newRow("exact") << "12:34:56" << QTime(12, 34, 56) << true;
        QTest::newRow("too short") << "??:??" << QTime(1, 2, 3) << false;
    }
    void matchesAlarmPatterns() {
        QCOMPARE(MatchesAlarmPattern(cell("pattern"), cell<QTime>("time")), cell<bool>("matches"));
    }

    void namesTheDaysInFinnish_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("weekday");
        const char* names[] = {"maanantai", "tiistai",  "keskiviikko", "torstai",
                               "perjantai", "lauantai", "sunnuntai"};
        for (int i = 0; i < 7; ++i)
            QTest::newRow(names[i]) << QDate(2026, 12, 7).addDays(i) << QString::fromUtf8(names[i]);
    }
    void namesTheDaysInFinnish() { QCOMPARE(FinnishWeekday(cell<QDate>("date")), cell("weekday")); }

    void writesTheHourAndTheLongDateInFinnish() {
        QCOMPARE(FinnishHour(QDateTime(QDate(2026, 12, 8), QTime(7, 5))), QStringLiteral("07"));
        QCOMPARE(FinnishHour(QDateTime(QDate(2026, 12, 8), QTime(23, 59))), QStringLiteral("23"));
        QCOMPARE(FinnishLongDate(QDate(2026, 12, 8)), QStringLiteral("8. joulukuuta 2026"));
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"

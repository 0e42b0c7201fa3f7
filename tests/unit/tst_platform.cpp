#include "WindowTest.h"
#include "platform/LinuxPlatform.h"
#include "platform/ModemDialUp.h"
#include "platform/Phonebook.h"
#include "platform/RealTimeAlarm.h"
#include "platform/SimulatedDialUp.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void write(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList list(std::initializer_list<const char*> items) {
    QStringList texts;
    for (const char* item : items)
        texts << QString::fromUtf8(item);
    return texts;
}

// The state texts a call reports until Done, then "=" and the final state code.
QStringList dialAndRecord(DialUp& dialer, int timeout = 10000) {
    QStringList texts;
    QObject context;
    QObject::connect(&dialer, &DialUp::Progress, &context,
                     [&](int) { texts << dialer.StateText(); });
    QSignalSpy done(&dialer, &DialUp::Done);
    dialer.Dial();
    if (!texts.isEmpty() || done.count() != 0)
        texts << QStringLiteral("<event inside Dial>");
    done.wait(timeout);
    texts << QStringLiteral("=%1").arg(dialer.StateCode());
    return texts;
}

const QStringList Dialing = {QStringLiteral("Open Port"), QStringLiteral("Port Opened"),
                             QStringLiteral("Connect Device")};
const QStringList Connecting =
    Dialing + QStringList{QStringLiteral("Device Connected"),
                          QStringLiteral("All Devices Connected"),
                          QStringLiteral("Start Authentication"), QStringLiteral("Logon Network")};

// A Hayes modem on a pseudo-terminal, reached through a link in the folder, answering each
// dial with the next of its results.
struct FakeModem {
    QString link;
    QString received;
    QProcess process;

    FakeModem(const QTemporaryDir& dir, const QStringList& results)
        : link(dir.filePath(QStringLiteral("modem"))),
          received(dir.filePath(QStringLiteral("received"))) {
        QFile::remove(received);
        QFile::remove(link);
        process.start(
            QStringLiteral("python3"),
            QStringList{QStringLiteral(ORVALIN_TEST_SUPPORT "/fake_modem.py"), link, received} +
                results);
        for (int i = 0; i < 100 && !QFileInfo(link).exists(); ++i)
            QTest::qWait(20);
    }
    ~FakeModem() {
        process.terminate();
        process.waitForFinished();
    }
};

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    // A modem dialer on the fake modem, whose calls run the stand-in pppd with this scenario;
    // its locks are kept in the test's folder.
    std::unique_ptr<ModemDialUp> modemDialer(const QByteArray& keys,
                                             const QByteArray& scenario = "up 3600") {
        qputenv("FAKE_PPPD_SCENARIO", scenario);
        qputenv("FAKE_PPPD_RECORD", QFile::encodeName(path("pppd")));
        QFile::remove(path("pppd"));
        QDir().mkpath(path("lock"));
        const Phonebook book = Phonebook::parse(
            QString::fromUtf8(
                "[Dialer Modeemi]\nModem = " + QFile::encodeName(path("modem")) +
                "\nPhone = 0600 1\nDial Prefix = 9,\nPPPD Path = " ORVALIN_TEST_SUPPORT
                "/fake_pppd.py\n" +
                keys),
            QStringLiteral("luettelo.conf"));
        auto dialer = std::make_unique<ModemDialUp>(
            book, ModemSystem{path("lock"), path("peers"), path("ppp"), m_dir.path()});
        dialer->setEntry(QStringLiteral("Modeemi"));
        dialer->setUserName(QStringLiteral("kokeilija"));
        dialer->setPassword(QStringLiteral("kaalisalaatti"));
        return dialer;
    }

    bool probe(int port = 1) {
        DeviceSerialPort serial([this](int) { return path("modem"); }, path("lock"));
        return serial.setPort(port) && serial.open() && serial.close();
    }

private slots:
    void readsTheOwnPhonebookAndReportsItsBadLinesOnce() {
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
                "Demo Step = nopea\n"
                "Password = salainen\n"
                "[Dialer Kotiyhteys]\n"
                "Phone = 2\n"
                "[Com Ports]\n"
                "Com2 = /dev/ttyACM0\n"
                "Com3 = ttyUSB0\n"),
            QStringLiteral("luettelo.conf"));
        QCOMPARE(book.entries.size(), 2);
        const PhonebookEntry& home = book.entries[0];
        QCOMPARE(home.name, QStringLiteral("Kotiyhteys"));
        QCOMPARE(home.phone, QStringLiteral("0600 12345"));
        QVERIFY(home.isDemo());
        QCOMPARE(home.outcomes.size(), 4);
        QCOMPARE(home.outcomes[2].kind, DemoOutcome::Kind::State);
        QCOMPARE(home.outcomes[2].stateCode, 12);
        QCOMPARE(home.outcomes[2].stateText, QStringLiteral("Odd State"));
        QCOMPARE(home.stepMilliseconds, 10);
        QCOMPARE(home.durationSeconds, 0);
        QCOMPARE(home.port, 3);
        QCOMPARE(book.entries[1].name, QStringLiteral("Työ"));
        QCOMPARE(book.entries[1].stepMilliseconds, 300);
        QCOMPARE(book.comDevice(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(book.comDevice(2), QStringLiteral("/dev/ttyACM0"));
        QCOMPARE(book.comDevice(3), QStringLiteral("/dev/ttyS2"));
        // Each skipped line once, a skipped section by its header alone.
        QList<int> badLines;
        for (const QString& problem : book.problems) {
            QVERIFY2(problem.startsWith(QStringLiteral("luettelo.conf, rivi ")),
                     qPrintable(problem));
            badLines << problem.section(u' ', 2, 2).chopped(1).toInt();
        }
        std::sort(badLines.begin(), badLines.end());
        QCOMPARE(badLines, (QList<int>{9, 10, 11, 12, 13, 16, 17, 18, 22}));
        QVERIFY(book.problems.filter(QStringLiteral("nimi on jo rivillä 2")).size() == 1);
    }

    void combinesTheWvdialFilesBehindTheOwnPhonebook() {
        write(path("own.conf"), "[Dialer Työ]\nModem = demo\n");
        write(path("wvdial.conf"), "[Dialer Defaults]\nModem = /dev/ttyS1\nBaud = 115200\n"
                                   "Init1 = ATZ\nInit2 = ATQ0\n"
                                   "[Dialer Työ]\nPhone = 1\n"
                                   "[Dialer Koti]\nPhone = 111\nUsername = u\nPassword = p\n"
                                   "Dial Command = ATDP\nBaud = nopea\n"
                                   "[Dialer Pohja]\nModem = /dev/ttyUSB0\nDial Timeout = 30\n"
                                   "[Dialer Mökki]\nInherits = Pohja\nPhone = 222\n"
                                   "Stupid Mode = 1\n");
        write(path("wvdialrc"), "[Dialer Koti]\nPhone = 333\nInit2 = AT&F\n");
        QDir().mkpath(path("unreadable"));
        const Phonebook book = Phonebook::load(
            {path("own.conf"), {path("wvdial.conf"), path("unreadable"), path("wvdialrc")}});
        QStringList names;
        for (const PhonebookEntry& entry : book.entries)
            names << entry.name;
        QCOMPARE(names, (QStringList{QStringLiteral("Työ"), QStringLiteral("Koti"),
                                     QStringLiteral("Pohja"), QStringLiteral("Mökki")}));
        QVERIFY(book.entries[0].isDemo());
        const ModemSettings& home = book.entries[1].modem;
        QCOMPARE(home.device, QStringLiteral("/dev/ttyS1"));
        QCOMPARE(home.baud, 115200);
        QCOMPARE(home.init, (QStringList{QStringLiteral("ATZ"), QStringLiteral("AT&F")}));
        QCOMPARE(home.dialCommand, QStringLiteral("ATDP"));
        QCOMPARE(book.entries[1].phone, QStringLiteral("333"));
        const PhonebookEntry& cottage = book.entries[3];
        QCOMPARE(cottage.modem.device, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(cottage.modem.dialTimeoutSeconds, 30);
        QCOMPARE(cottage.phone, QStringLiteral("222"));
        QCOMPARE(cottage.modem.init, (QStringList{QStringLiteral("ATZ"), QStringLiteral("ATQ0")}));
        QCOMPARE(book.problems.size(), 2);
        QCOMPARE(book.problems.filter(path("wvdial.conf") + QStringLiteral(", rivi 13:")).size(),
                 1);
        QCOMPARE(
            book.problems.filter(path("unreadable") + QStringLiteral(": tiedostoa ei voi lukea"))
                .size(),
            1);
    }

    void offersTheBuiltInEntriesOnlyWhenNoFileGivesOne() {
        write(path("wvdial.conf"), "[Dialer Defaults]\nPhone = 1\n[Dialer Koti]\nBaud = 9600\n");
        for (const QString& wvdial : {path("puuttuu.conf"), path("wvdial.conf")}) {
            const Phonebook book = Phonebook::load({path("puuttuu.conf"), {wvdial}});
            QVERIFY(book.problems.isEmpty());
            QCOMPARE(book.entries.size(), 4);
            QVERIFY(book.entries[0].name.startsWith(QStringLiteral("Demo ")));
        }
        write(path("wvdial.conf"), "[Dialer Koti]\nModem = /dev/ttyS0\n");
        const Phonebook book = Phonebook::load({path("puuttuu.conf"), {path("wvdial.conf")}});
        QCOMPARE(book.entries.size(), 1);
        QVERIFY(!book.entries[0].isDemo());
    }

    void playsTheStatesOfEachAttemptAndRepeatsTheLastOutcome() {
        SimulatedDialUp dialer(
            Phonebook::parse(QStringLiteral("[Dialer Koti]\nDemo Outcomes = busy, connect\n"
                                            "Demo Step = 0\nDemo Duration = 0\nDemo Port = 2\n"),
                             {}));
        QCOMPARE(dialer.EntryCount(), 1);
        QCOMPARE(dialer.EntryAt(0), QStringLiteral("Koti"));
        dialer.setEntry(QStringLiteral("Koti"));
        QCOMPARE(dialAndRecord(dialer),
                 (Dialing + QStringList{QStringLiteral("Disconnected - Line Busy"),
                                        QStringLiteral("=8193")}));
        QVERIFY(!dialer.holdsPort(2));
        QCOMPARE(dialAndRecord(dialer), (Connecting + QStringList{QStringLiteral("=8192")}));
        QVERIFY(dialer.holdsPort(2));
        QVERIFY(!dialer.holdsPort(1));
        QCOMPARE(dialAndRecord(dialer).last(), QStringLiteral("=8192"));
        // Choosing the entry again starts its outcomes from the first.
        dialer.setEntry(QStringLiteral("Koti"));
        QVERIFY(dialAndRecord(dialer).contains(QStringLiteral("Disconnected - Line Busy")));
    }

    void aSimulatedConnectionDropsAfterItsDurationAndFreesThePort() {
        SimulatedDialUp dialer(Phonebook::parse(
            QStringLiteral("[Dialer Koti]\nDemo Step = 0\nDemo Duration = 1\n"), {}));
        dialer.setEntry(QStringLiteral("Koti"));
        dialAndRecord(dialer);
        QVERIFY(dialer.holdsPort(1));
        QSignalSpy progress(&dialer, &DialUp::Progress);
        QVERIFY(progress.wait(3000));
        QCOMPARE(dialer.StateText(), QStringLiteral("Disconnected"));
        QVERIFY(!dialer.holdsPort(1));
    }

    void hangingUpEndsTheCallWithoutFurtherEvents() {
        SimulatedDialUp dialer(
            Phonebook::parse(QStringLiteral("[Dialer Koti]\nDemo Step = 20\n"), {}));
        dialer.setEntry(QStringLiteral("Koti"));
        QSignalSpy progress(&dialer, &DialUp::Progress);
        QSignalSpy done(&dialer, &DialUp::Done);
        dialer.Dial();
        dialer.HangUp();
        QTest::qWait(200);
        QCOMPARE(progress.count(), 0);
        QCOMPARE(done.count(), 0);
    }

    void dialsTheModemAndReportsItsAnswer_data() {
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QStringList>("states");
        const QByteArray none;
        auto ended = [](const char* text) {
            return Dialing + QStringList{QString::fromUtf8(text), QStringLiteral("=8193")};
        };
        QTest::newRow("busy") << list({"BUSY"}) << none << none
                              << ended("Disconnected - Line Busy");
        QTest::newRow("busy as a number")
            << list({"7"}) << none << none << ended("Disconnected - Line Busy");
        QTest::newRow("no answer")
            << list({"NO ANSWER"}) << none << none << ended("Disconnected - No Answer");
        QTest::newRow("silence until the timeout")
            << list({"silence"}) << QByteArray("Dial Timeout = 1\n") << none
            << ended("Disconnected - No Answer");
        QTest::newRow("no carrier")
            << list({"NO CARRIER"}) << none << none << ended("Disconnected - No Carrier");
        QTest::newRow("no dial tone")
            << list({"NO DIAL TONE"}) << none << none << ended("Disconnected - No Dialtone");
        QTest::newRow("no dialtone")
            << list({"NO DIALTONE"}) << none << none << ended("Disconnected - No Dialtone");
        QTest::newRow("voice") << list({"VOICE"}) << none << none
                               << ended("Disconnected - Voice Answer");
        QTest::newRow("error") << list({"ERROR"}) << none << none << ended("Disconnected");
        QTest::newRow("init refused")
            << list({"BUSY"}) << QByteArray("Init2 = AT+FAIL\n") << none
            << list({"Open Port", "Port Opened", "Disconnected", "=8193"});
        QTest::newRow("login refused") << list({"CONNECT 33600"}) << none << QByteArray("auth-fail")
                                       << Connecting.mid(0, 6) + list({"Disconnected", "=8193"});
    }
    void dialsTheModemAndReportsItsAnswer() {
        FakeModem modem(m_dir, cell<QStringList>("results"));
        auto dialer = modemDialer(cell<QByteArray>("keys"), cell<QByteArray>("scenario"));
        QCOMPARE(dialAndRecord(*dialer), cell<QStringList>("states"));
        QVERIFY(QDir(path("lock")).isEmpty());
        QVERIFY(probe());
        const QByteArray sent = contents(modem.received);
        QVERIFY2(sent.startsWith("ATZ\r"), sent.constData());
        if (cell<QStringList>("states").contains(QStringLiteral("Connect Device")))
            QVERIFY2(sent.contains("ATDT9,0600 1\r"), sent.constData());
    }

    void aModemCallHoldsTheLineUntilPppdEnds() {
        FakeModem modem(m_dir, {QStringLiteral("CONNECT 33600")});
        auto dialer = modemDialer({}, "up 2");
        QCOMPARE(dialAndRecord(*dialer), (Connecting + QStringList{QStringLiteral("=8192")}));
        const QList<QByteArray> pppd = contents(path("pppd")).trimmed().split(' ');
        QCOMPARE(pppd.value(0).toInt(), dialer->pppdPid());
        QCOMPARE(pppd.mid(1, 10).join(' '),
                 QByteArray("call peers passwordfd 3 logfd 4 nodetach user kokeilija 57600"));
        QCOMPARE(pppd.value(11),
                 QCryptographicHash::hash("kaalisalaatti", QCryptographicHash::Sha256).toHex());
        const QString lock = path("lock") + QStringLiteral("/LCK..") +
                             QFileInfo(QFileInfo(modem.link).canonicalFilePath()).fileName();
        QCOMPARE(contents(lock), QByteArray::number(dialer->pppdPid()).rightJustified(10) + '\n');
        QVERIFY(!probe());
        QSignalSpy progress(dialer.get(), &DialUp::Progress);
        QVERIFY(progress.wait(5000));
        QCOMPARE(dialer->StateText(), QStringLiteral("Disconnected"));
        QVERIFY(!QFile::exists(lock));
        QVERIFY(probe());
        QVERIFY(!contents(modem.received).contains("kaalisalaatti"));
    }

    void aLineHeldByALivingProgramIsBusy_data() {
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<bool>("busy");
        const pid_t living = ::getppid();
        pid_t gone = ::fork();
        if (gone == 0)
            ::_exit(0);
        ::waitpid(gone, nullptr, 0);
        QTest::newRow("UUCP lock") << QByteArray::number(living).rightJustified(10) + '\n' << true;
        QTest::newRow("Qt's lock") << QByteArray::number(living) + "\nminicom\nkone\n" << true;
        QTest::newRow("binary pid")
            << QByteArray(reinterpret_cast<const char*>(&living), 4) << true;
        QTest::newRow("unreadable") << QByteArray("lukko\n") << true;
        QTest::newRow("stale") << QByteArray::number(gone).rightJustified(10) + '\n' << false;
    }
    void aLineHeldByALivingProgramIsBusy() {
        FakeModem modem(m_dir, {QStringLiteral("BUSY")});
        auto dialer = modemDialer({});
        const QString lock = path("lock") + QStringLiteral("/LCK..") +
                             QFileInfo(QFileInfo(modem.link).canonicalFilePath()).fileName();
        write(lock, cell<QByteArray>("lock"));
        QCOMPARE(probe(), !cell<bool>("busy"));
        const QStringList states = dialAndRecord(*dialer);
        if (cell<bool>("busy")) {
            QCOMPARE(states, (list({"Open Port", "Disconnected", "=8193"})));
            QCOMPARE(contents(lock), cell<QByteArray>("lock"));
            QCOMPARE(contents(modem.received), QByteArray());
        } else {
            QCOMPARE(states.last(), QStringLiteral("=8193"));
            QVERIFY(states.contains(QStringLiteral("Disconnected - Line Busy")));
            QVERIFY(!QFile::exists(lock));
        }
    }

    void hangingUpWhileDialingLeavesNoLockAndNoEvents() {
        FakeModem modem(m_dir, {QStringLiteral("silence")});
        auto dialer = modemDialer({});
        QSignalSpy progress(dialer.get(), &DialUp::Progress);
        QSignalSpy done(dialer.get(), &DialUp::Done);
        dialer->Dial();
        QTRY_COMPARE(dialer->StateText(), QStringLiteral("Connect Device"));
        const qsizetype reported = progress.count();
        dialer->HangUp();
        QTest::qWait(300);
        QCOMPARE(progress.count(), reported);
        QCOMPARE(done.count(), 0);
        QVERIFY(QDir(path("lock")).isEmpty());
        QTRY_VERIFY(contents(modem.received).endsWith("\rATH\r"));
    }

    void namesWhatAModemEntryLacks() {
        ModemSettings modem;
        modem.device = path("ttyS9");
        modem.pppdPath = path("pppd-puuttuu");
        const ModemSystem missing{path("lock"), path("peers"), path("ppp"), {}};
        const QStringList problems = SetupProblems(modem, missing);
        QCOMPARE(problems.size(), 4);
        QVERIFY(problems[0].contains(path("ttyS9")));
        QVERIFY(problems[1].contains(QStringLiteral("asenna paketti ppp")));
        QVERIFY(problems[2].contains(path("peers")));
        QVERIFY(problems[3].contains(QStringLiteral("PPP-tukea")));
        write(path("ttyS9"), {});
        write(path("peers"), {});
        write(path("ppp"), {});
        modem.pppdPath = QStringLiteral("/bin/sh");
        QCOMPARE(SetupProblems(modem, missing), QStringList());
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

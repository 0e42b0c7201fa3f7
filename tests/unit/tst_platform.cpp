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

using namespace Qt::StringLiterals;

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

// An entry in one line: name, phone, then the simulated modem's outcomes, step, duration and
// port, or the modem's device, speed, init strings, dial command and prefix, and timeout.
QStringList describe(const Phonebook& book) {
    QStringList lines;
    for (const PhonebookEntry& e : book.entries) {
        const ModemSettings& m = e.modem;
        lines << (e.isDemo() ? u"%1|%2|demo %3 %4 %5 %6"_s.arg(e.name, e.phone)
                                   .arg(e.outcomes.size())
                                   .arg(e.stepMilliseconds)
                                   .arg(e.durationSeconds)
                                   .arg(e.port)
                             : u"%1|%2|%3 %4 %5 %6%7 %8"_s.arg(e.name, e.phone, m.device)
                                   .arg(m.baud)
                                   .arg(m.init.join(u','), m.dialCommand, m.dialPrefix)
                                   .arg(m.dialTimeoutSeconds));
    }
    return lines;
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
        texts << u"<event inside Dial>"_s;
    done.wait(timeout);
    texts << u"=%1"_s.arg(dialer.StateCode());
    return texts;
}

const QStringList Dialing = {u"Open Port"_s, u"Port Opened"_s, u"Connect Device"_s};
const QStringList Connecting =
    Dialing + QStringList{u"Device Connected"_s, u"All Devices Connected"_s,
                          u"Start Authentication"_s, u"Logon Network"_s};

// A Hayes modem on a pseudo-terminal, reached through a link in the folder, answering each
// dial with the next of its results.
struct FakeModem {
    QString link;
    QString received;
    QProcess process;

    FakeModem(const QTemporaryDir& dir, const QStringList& results)
        : link(dir.filePath(u"modem"_s)), received(dir.filePath(u"received"_s)) {
        QFile::remove(received);
        QFile::remove(link);
        process.start(
            u"python3"_s,
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
            u"luettelo.conf"_s);
        auto dialer = std::make_unique<ModemDialUp>(
            book, ModemSystem{path("lock"), path("peers"), path("ppp"), m_dir.path()});
        dialer->setEntry(u"Modeemi"_s);
        dialer->setUserName(u"kokeilija"_s);
        dialer->setPassword(u"kaalisalaatti"_s);
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
                "; Orvalinin puhelinluettelo\n[Dialer Kotiyhteys]\nModem = demo\n"
                "Phone = 0600 12345\n"
                "Demo Outcomes = busy, no answer, state 12 Odd State, connect ; kommentti\n"
                "Demo Step = 10\nDemo Duration = 0\nDemo Port = 3\ntämä ei ole asetus\n"
                "Demo Port = 9\nDemo Outcomes = busy, ringing\nColour = blue\n[Modem0]\n"
                "Phone = 1\n[Dialer Työ]\nDemo Step = nopea\nPassword = salainen\n"
                "[Dialer Kotiyhteys]\nPhone = 2\n[Com Ports]\nCom2 = /dev/ttyACM0\n"
                "Com3 = ttyUSB0\n"),
            u"luettelo.conf"_s);
        QCOMPARE(describe(book),
                 list({"Kotiyhteys|0600 12345|demo 4 10 0 3", "Työ||demo 1 300 90 1"}));
        const DemoOutcome& odd = book.entries[0].outcomes[2];
        QCOMPARE(u"%1 %2"_s.arg(odd.stateCode).arg(odd.stateText), u"12 Odd State"_s);
        QCOMPARE(book.comDevice(1) + book.comDevice(2) + book.comDevice(3),
                 u"/dev/ttyS0/dev/ttyACM0/dev/ttyS2"_s);
        // Each skipped line once, a skipped section by its header alone.
        QList<int> badLines;
        for (const QString& problem : book.problems) {
            QVERIFY2(problem.startsWith(u"luettelo.conf, rivi "_s), qPrintable(problem));
            badLines << problem.section(u' ', 2, 2).chopped(1).toInt();
        }
        std::sort(badLines.begin(), badLines.end());
        QCOMPARE(badLines, (QList<int>{9, 10, 11, 12, 13, 16, 17, 18, 22}));
        QVERIFY(book.problems.filter(u"nimi on jo rivillä 2"_s).size() == 1);
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
        QCOMPARE(describe(book),
                 list({"Työ||demo 1 300 90 1", "Koti|333|/dev/ttyS1 115200 ATZ,AT&F ATDP 60",
                       "Pohja||/dev/ttyUSB0 115200 ATZ,ATQ0 ATDT 30",
                       "Mökki|222|/dev/ttyUSB0 115200 ATZ,ATQ0 ATDT 30"}));
        // The unreadable file is named as it is read; the bad line once the files are combined.
        QCOMPARE(book.problems.size(), 2);
        QVERIFY(book.problems[0].startsWith(path("unreadable") + u": tiedostoa ei voi lukea"_s));
        QVERIFY(book.problems[1].startsWith(path("wvdial.conf") + u", rivi 13:"_s));
    }

    void offersTheBuiltInEntriesOnlyWhenNoFileGivesOne() {
        write(path("wvdial.conf"), "[Dialer Defaults]\nPhone = 1\n[Dialer Koti]\nBaud = 9600\n");
        for (const QString& wvdial : {path("puuttuu.conf"), path("wvdial.conf")}) {
            const Phonebook book = Phonebook::load({path("puuttuu.conf"), {wvdial}});
            QVERIFY(book.problems.isEmpty());
            QCOMPARE(book.entries.size(), 4);
            QVERIFY(book.entries[0].name.startsWith(u"Demo "_s));
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
        QCOMPARE(dialer.EntryAt(0), u"Koti"_s);
        dialer.setEntry(u"Koti"_s);
        QCOMPARE(dialAndRecord(dialer),
                 (Dialing + QStringList{u"Disconnected - Line Busy"_s, u"=8193"_s}));
        QVERIFY(!dialer.holdsPort(2));
        QCOMPARE(dialAndRecord(dialer), (Connecting + QStringList{u"=8192"_s}));
        QVERIFY(dialer.holdsPort(2));
        QVERIFY(!dialer.holdsPort(1));
        QCOMPARE(dialAndRecord(dialer).last(), u"=8192"_s);
        // Choosing the entry again starts its outcomes from the first.
        dialer.setEntry(u"Koti"_s);
        QVERIFY(dialAndRecord(dialer).contains(u"Disconnected - Line Busy"_s));
    }

    void aSimulatedCallDropsAfterItsDurationAndEndsSilentlyAtHangUp() {
        SimulatedDialUp dialer(Phonebook::parse(
            u"[Dialer Koti]\nDemo Step = 0\nDemo Duration = 1\n[Dialer Työ]\nDemo Step = 20\n"_s,
            {}));
        dialer.setEntry(u"Koti"_s);
        dialAndRecord(dialer);
        QVERIFY(dialer.holdsPort(1));
        QSignalSpy progress(&dialer, &DialUp::Progress);
        QSignalSpy done(&dialer, &DialUp::Done);
        QVERIFY(progress.wait(3000));
        QCOMPARE(dialer.StateText(), u"Disconnected"_s);
        QVERIFY(!dialer.holdsPort(1));
        dialer.setEntry(u"Työ"_s);
        dialer.Dial();
        dialer.HangUp();
        QTest::qWait(200);
        QCOMPARE(progress.count() + done.count(), 1);
    }

    void dialsTheModemAndReportsItsAnswer_data() {
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<QStringList>("states");
        auto ended = [](const char* text) {
            return Dialing + QStringList{QString::fromUtf8(text), u"=8193"_s};
        };
        auto row = [](const char* name, const char* result, const char* keys, const char* scenario,
                      const QStringList& states) {
            QTest::newRow(name) << QStringList{QString::fromUtf8(result)} << QByteArray(keys)
                                << QByteArray(scenario) << states;
        };
        row("busy", "BUSY", "", "", ended("Disconnected - Line Busy"));
        row("busy as a number", "7", "", "", ended("Disconnected - Line Busy"));
        row("no answer", "NO ANSWER", "", "", ended("Disconnected - No Answer"));
        row("silence", "silence", "Dial Timeout = 1\n", "", ended("Disconnected - No Answer"));
        row("no carrier", "NO CARRIER", "", "", ended("Disconnected - No Carrier"));
        row("no dial tone", "NO DIAL TONE", "", "", ended("Disconnected - No Dialtone"));
        row("no dialtone", "NO DIALTONE", "", "", ended("Disconnected - No Dialtone"));
        row("voice", "VOICE", "", "", ended("Disconnected - Voice Answer"));
        row("error", "ERROR", "", "", ended("Disconnected"));
        row("init refused", "BUSY", "Init2 = AT+FAIL\n", "",
            list({"Open Port", "Port Opened", "Disconnected", "=8193"}));
        row("login refused", "CONNECT 33600", "", "auth-fail",
            Connecting.mid(0, 6) + list({"Disconnected", "=8193"}));
    }
    void dialsTheModemAndReportsItsAnswer() {
        FakeModem modem(m_dir, cell<QStringList>("results"));
        auto dialer = modemDialer(cell<QByteArray>("keys"), cell<QByteArray>("scenario"));
        QCOMPARE(dialAndRecord(*dialer), cell<QStringList>("states"));
        QVERIFY(QDir(path("lock")).isEmpty());
        QVERIFY(probe());
        const QByteArray sent = contents(modem.received);
        QVERIFY2(sent.startsWith("ATZ\r"), sent.constData());
        if (cell<QStringList>("states").contains(u"Connect Device"_s))
            QVERIFY2(sent.contains("ATDT9,0600 1\r"), sent.constData());
    }

    void aModemCallHoldsTheLineUntilPppdEnds() {
        FakeModem modem(m_dir, {u"CONNECT 33600"_s});
        auto dialer = modemDialer({}, "up 2");
        QCOMPARE(dialAndRecord(*dialer), (Connecting + QStringList{u"=8192"_s}));
        const QList<QByteArray> pppd = contents(path("pppd")).trimmed().split(' ');
        QCOMPARE(pppd.value(0).toInt(), dialer->pppdPid());
        QCOMPARE(pppd.mid(1, 10).join(' '),
                 QByteArray("call peers passwordfd 3 logfd 4 nodetach user kokeilija 57600"));
        QCOMPARE(pppd.value(11),
                 QCryptographicHash::hash("kaalisalaatti", QCryptographicHash::Sha256).toHex());
        const QString lock = path("lock") + u"/LCK.."_s +
                             QFileInfo(QFileInfo(modem.link).canonicalFilePath()).fileName();
        QCOMPARE(contents(lock), QByteArray::number(dialer->pppdPid()).rightJustified(10) + '\n');
        QVERIFY(!probe());
        QSignalSpy progress(dialer.get(), &DialUp::Progress);
        QVERIFY(progress.wait(5000));
        QCOMPARE(dialer->StateText(), u"Disconnected"_s);
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
        FakeModem modem(m_dir, {u"BUSY"_s});
        auto dialer = modemDialer({});
        const QString lock = path("lock") + u"/LCK.."_s +
                             QFileInfo(QFileInfo(modem.link).canonicalFilePath()).fileName();
        write(lock, cell<QByteArray>("lock"));
        QCOMPARE(probe(), !cell<bool>("busy"));
        const QStringList states = dialAndRecord(*dialer);
        if (cell<bool>("busy")) {
            QCOMPARE(states, (list({"Open Port", "Disconnected", "=8193"})));
            QCOMPARE(contents(lock), cell<QByteArray>("lock"));
            QCOMPARE(contents(modem.received), QByteArray());
        } else {
            QCOMPARE(states.last(), u"=8193"_s);
            QVERIFY(states.contains(u"Disconnected - Line Busy"_s));
            QVERIFY(!QFile::exists(lock));
        }
        // The next row's modem may get another terminal, whose test must find no lock left.
        QFile::remove(lock);
    }

    void hangingUpWhileDialingLeavesNoLockAndNoEvents() {
        FakeModem modem(m_dir, {u"silence"_s});
        auto dialer = modemDialer({});
        QSignalSpy progress(dialer.get(), &DialUp::Progress);
        QSignalSpy done(dialer.get(), &DialUp::Done);
        dialer->Dial();
        QTRY_COMPARE(dialer->StateText(), u"Connect Device"_s);
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
        QVERIFY(problems[1].contains(u"asenna paketti ppp"_s));
        QVERIFY(problems[2].contains(path("peers")));
        QVERIFY(problems[3].contains(u"PPP-tukea"_s));
        write(path("ttyS9"), {});
        write(path("peers"), {});
        write(path("ppp"), {});
        modem.pppdPath = u"/bin/sh"_s;
        QCOMPARE(SetupProblems(modem, missing), QStringList());
    }

    void matchesAlarmPatternsAndWritesTimesInFinnish() {
        QString matches;
        for (const auto& [pattern, time] : {std::pair{"??:??:??", QTime(23, 59, 59)},
                                            {"??:00:00", QTime(7, 0, 0)},
                                            {"??:00:00", QTime(7, 0, 1)},
                                            {"12:34:56", QTime(12, 34, 56)},
                                            {"??:??", QTime(1, 2, 3)}})
            matches += MatchesAlarmPattern(QString::fromUtf8(pattern), time) ? u'1' : u'0';
        QCOMPARE(matches, u"11010"_s);
        QStringList days;
        for (int i = 0; i < 7; ++i)
            days << FinnishWeekday(QDate(2026, 12, 7).addDays(i));
        QCOMPARE(days.join(u' '),
                 u"maanantai tiistai keskiviikko torstai perjantai lauantai sunnuntai"_s);
        QCOMPARE(FinnishHour(QDateTime(QDate(2026, 12, 8), QTime(7, 5))) + u' ' +
                     FinnishHour(QDateTime(QDate(2026, 12, 8), QTime(23, 59))) + u' ' +
                     FinnishLongDate(QDate(2026, 12, 8)),
                 u"07 23 8. joulukuuta 2026"_s);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"

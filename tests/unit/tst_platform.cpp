#include "WindowTest.h"

namespace {

void write(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// An entry in one line: name, phone, then the simulated modem's outcomes, step, duration and
// port, or the modem's device, speed, init strings, dial command and prefix, and timeout.
QString describe(const Phonebook& book) {
    QStringList lines;
    for (const PhonebookEntry& e : book.entries) {
        const ModemSettings& m = e.modem;
        const auto n = [](qint64 number) { return QString::number(number); };
        lines << e.name + u'|' + e.phone + u'|' +
                     (e.isDemo()
                          ? u"demo %1 %2 %3 %4"_s.arg(n(e.outcomes.size()), n(e.stepMilliseconds),
                                                      n(e.durationSeconds), n(e.port))
                          : u"%1 %2 %3 %4%5 %6"_s.arg(m.device, n(m.baud), m.init.join(u','),
                                                      m.dialCommand, m.dialPrefix,
                                                      n(m.dialTimeoutSeconds)));
    }
    return lines.join(u'\n');
}

// The state texts a call reports until Done, then "=" and the final state code, all in one line.
QString dialAndRecord(DialUp& dialer) {
    QStringList texts;
    QObject context;
    QObject::connect(&dialer, &DialUp::Progress, &context,
                     [&](int) { texts << dialer.StateText(); });
    QSignalSpy done(&dialer, &DialUp::Done);
    dialer.Dial();
    if (!texts.isEmpty() || done.count() != 0)
        texts << u"<event inside Dial>"_s;
    done.wait(10000);
    return texts.join(u", "_s) + u", =%1"_s.arg(dialer.StateCode());
}

const QString Connecting = u"Open Port, Port Opened, Connect Device, Device Connected, All Devices "
                           u"Connected, Start Authentication, Logon Network, =8192"_s;

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private slots:
    void readsThePhonebooksAndReportsTheirBadLinesOnce() {
        const Phonebook book = Phonebook::parse(
            u"; Orvalinin puhelinluettelo\n[Dialer Kotiyhteys]\nModem = demo\nPhone = 0600 12345\n"
            u"Demo Outcomes = busy, no answer, state 12 Odd State, connect ; kommentti\n"
            u"Demo Step = 10\nDemo Duration = 0\nDemo Port = 3\ntämä ei ole asetus\n"
            u"Demo Port = 9\nDemo Outcomes = busy, ringing\nColour = blue\n[Modem0]\n"
            u"Phone = 1\n[Dialer Työ]\nDemo Step = nopea\nPassword = salainen\n"
            u"[Dialer Kotiyhteys]\nPhone = 2\n[Com Ports]\nCom2 = /dev/ttyACM0\nCom3 = ttyUSB0\n"_s,
            u"luettelo.conf"_s);
        QCOMPARE(describe(book), u"Kotiyhteys|0600 12345|demo 4 10 0 3\nTyö||demo 1 300 90 1"_s);
        QCOMPARE(book.comDevice(1) + book.comDevice(2) + book.comDevice(3),
                 u"/dev/ttyS0/dev/ttyACM0/dev/ttyS2"_s);
        // Each skipped line once, a skipped section by its header alone.
        QList<int> badLines;
        for (const QString& problem : book.problems)
            badLines << problem.section(u"luettelo.conf, rivi "_s, 1).section(u':', 0, 0).toInt();
        std::sort(badLines.begin(), badLines.end());
        QCOMPARE(badLines, (QList<int>{9, 10, 11, 12, 13, 16, 17, 18, 22}));

        // The wvdial files behind the own phonebook, the user's over the system's.
        write(path("own.conf"), "[Dialer Työ]\nModem = demo\n");
        write(path("wvdial.conf"), "[Dialer Defaults]\nModem = /dev/ttyS1\nBaud = 115200\n"
                                   "Init1 = ATZ\nInit2 = ATQ0\n[Dialer Työ]\nPhone = 1\n"
                                   "[Dialer Koti]\nPhone = 111\nUsername = u\nPassword = p\n"
                                   "Dial Command = ATDP\nBaud = nopea\n[Dialer Pohja]\n"
                                   "Modem = /dev/ttyUSB0\nDial Timeout = 30\n[Dialer Mökki]\n"
                                   "Inherits = Pohja\nPhone = 222\nStupid Mode = 1\n"
                                   "Dial Timeout = 45\n");
        write(path("wvdialrc"), "[Dialer Koti]\nPhone = 333\nInit2 = AT&F\n");
        QDir().mkpath(path("unreadable"));
        const Phonebook both = Phonebook::load(
            {path("own.conf"), {path("wvdial.conf"), path("unreadable"), path("wvdialrc")}});
        QCOMPARE(describe(both), u"Työ||demo 1 300 90 1\n"
                                 u"Koti|333|/dev/ttyS1 115200 ATZ,AT&F ATDP 60\n"
                                 u"Pohja||/dev/ttyUSB0 115200 ATZ,ATQ0 ATDT 30\n"
                                 u"Mökki|222|/dev/ttyUSB0 115200 ATZ,ATQ0 ATDT 45"_s);

        // The built-in entries only when no file gives one.
        write(path("wvdial.conf"), "[Dialer Defaults]\nPhone = 1\n[Dialer Koti]\nBaud = 9600\n");
        const Phonebook builtIn = Phonebook::load({path("puuttuu.conf"), {path("wvdial.conf")}});
        QCOMPARE(u"%1 %2"_s.arg(builtIn.entries.size()).arg(builtIn.problems.size()), u"4 0"_s);
    }

    void simulatesEachAttemptRepeatsTheLastOutcomeAndDrops() {
        SimulatedDialUp dialer(Phonebook::parse(
            u"[Dialer Koti]\nDemo Outcomes = busy, connect\nDemo Step = 0\nDemo Duration = 0\n"
            u"Demo Port = 2\n[Dialer Pudota]\nDemo Step = 0\nDemo Duration = 1\n"_s,
            {}));
        dialer.setEntry(u"Koti"_s);
        QCOMPARE(dialAndRecord(dialer),
                 u"Open Port, Port Opened, Connect Device, Disconnected - Line Busy, =8193"_s);
        QCOMPARE(dialAndRecord(dialer), Connecting);
        QCOMPARE(dialAndRecord(dialer), Connecting);
        // Choosing the entry again starts its outcomes from the first.
        dialer.setEntry(u"Koti"_s);
        QVERIFY(dialAndRecord(dialer).contains(u"Disconnected - Line Busy"_s));
        // A call drops after its duration.
        dialer.setEntry(u"Pudota"_s);
        dialAndRecord(dialer);
        QSignalSpy progress(&dialer, &DialUp::Progress);
        QVERIFY(progress.wait(3000));
        QVERIFY(!dialer.holdsPort(1));
    }

    // The result the fake modem answers a dial with, the entry's keys, pppd's scenario or a lock
    // put on the line first (a living program's in several forms, or a stale one), and the states
    // after "Open Port, " ("…" for "Port Opened, Connect Device, ", the code 8193 unless given).
    void dialsTheModemAndReportsItsAnswer_data() {
        rows(
            u"BUSY|||…Disconnected - Line Busy\n7|||…Disconnected - Line Busy\n"
            u"NO ANSWER|||…Disconnected - No Answer\n"
            u"silence|Dial Timeout = 1||…Disconnected - No Answer\n"
            u"NO CARRIER|||…Disconnected - No Carrier\nNO DIAL TONE|||…Disconnected - No Dialtone\n"
            u"NO DIALTONE|||…Disconnected - No Dialtone\nVOICE|||…Disconnected - Voice Answer\n"
            u"ERROR|||…Disconnected\nBUSY|Init2 = AT+FAIL||Port Opened, Disconnected\n"
            u"BUSY|Init2 = AT+SILENT||Port Opened, Disconnected\n"
            u"CONNECT 33600|Init2 = ATV0|auth-fail|…Device Connected, All Devices Connected, "
            u"Start Authentication, Disconnected\n"
            u"CONNECT 33600||auth-fail|…Device Connected, All Devices Connected, Start "
            u"Authentication, Disconnected\n"
            u"CONNECT 33600||up 2|…Device Connected, All Devices Connected, Start Authentication, "
            u"Logon Network, =8192\n"
            u"BUSY||lock uucp|Disconnected\nBUSY||lock qt|Disconnected\n"
            u"BUSY||lock binary|Disconnected\nBUSY||lock unreadable|Disconnected\n"
            u"BUSY||lock stale|…Disconnected - Line Busy\nsilence||hang up|"_s);
    }
    void dialsTheModemAndReportsItsAnswer() {
        const QStringList r = row(u'|');
        // A Hayes modem on a pseudo-terminal reached through a link, the stand-in pppd, and the
        // locks in the test's folder.
        for (const char* file : {"received", "modem", "pppd"})
            QFile::remove(path(file));
        QDir().mkpath(path("lock"));
        QProcess modem;
        modem.start(u"python3"_s, {QStringLiteral(ORVALIN_TEST_SUPPORT "/fake_modem.py"),
                                   path("modem"), path("received"), r[0]});
        const auto stop = qScopeGuard([&] { modem.terminate(), modem.waitForFinished(); });
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(path("modem")); }, 5000));
        qputenv("FAKE_PPPD_SCENARIO", r[2].toUtf8());
        qputenv("FAKE_PPPD_RECORD", QFile::encodeName(path("pppd")));
        ModemDialUp dialer(
            Phonebook::parse(u"[Dialer Modeemi]\nModem = %1\nPhone = 0600 1\nDial Prefix = 9,\n"
                             u"PPPD Path = " ORVALIN_TEST_SUPPORT
                             "/fake_pppd.py\n%2\n"_s.arg(path("modem"), r[1]),
                             {}),
            ModemSystem{path("lock"), path("peers"), path("ppp"), m_dir.path()});
        dialer.setEntry(u"Modeemi"_s);
        dialer.setUserName(u"kokeilija"_s);
        dialer.setPassword(u"kaalisalaatti"_s);
        const auto probe = [this] {
            DeviceSerialPort serial([this](int) { return path("modem"); }, path("lock"));
            return serial.setPort(1) && serial.open() && serial.close();
        };
        // No process has a pid above the kernel's largest, 2^22.
        const pid_t living = ::getppid(), gone = 99999999;
        const QHash<QString, QByteArray> locks = {
            {u"lock uucp"_s, QByteArray::number(living).rightJustified(10) + '\n'},
            {u"lock qt"_s, QByteArray::number(living) + "\nminicom\nkone\n"},
            {u"lock binary"_s, QByteArray(reinterpret_cast<const char*>(&living), 4)},
            {u"lock unreadable"_s, "lukko\n"},
            {u"lock stale"_s, QByteArray::number(gone).rightJustified(10) + '\n'}};
        // Named after the device the link leads to.
        const QString lock = path("lock") + u"/LCK.."_s +
                             QFileInfo(QFileInfo(path("modem")).canonicalFilePath()).fileName();
        if (locks.contains(r[2]))
            write(lock, locks[r[2]]);
        const bool held = locks.contains(r[2]) && r[2] != u"lock stale"_s;
        QCOMPARE(probe(), !held);
        QSignalSpy progress(&dialer, &DialUp::Progress);
        if (r[2] == u"hang up"_s) {
            // Hanging up while dialing leaves no lock.
            dialer.Dial();
            QTRY_COMPARE(dialer.StateText(), u"Connect Device"_s);
            dialer.HangUp();
        } else {
            const QString states =
                QString(r[3]).replace(u"…"_s, u"Port Opened, Connect Device, "_s);
            QElapsedTimer waited;
            waited.start();
            QCOMPARE(dialAndRecord(dialer),
                     u"Open Port, "_s + states + (states.contains(u'=') ? u""_s : u", =8193"_s));
            QVERIFY(!r[1].startsWith(u"Dial Timeout"_s) || waited.elapsed() < 4000);
        }
        if (r[2] == u"up 2"_s) {
            // The line is pppd's until it ends.
            const QByteArray pppd = FileContents(path("pppd"));
            QVERIFY2(
                pppd.startsWith(
                    QByteArray::number(dialer.pppdPid()) +
                    " call peers passwordfd 3 logfd 4 nodetach user kokeilija 57600 " +
                    QCryptographicHash::hash("kaalisalaatti", QCryptographicHash::Sha256).toHex() +
                    ' '),
                pppd.constData());
            QCOMPARE(FileContents(lock),
                     QByteArray::number(dialer.pppdPid()).rightJustified(10) + '\n');
            QVERIFY(!probe());
            QVERIFY(progress.wait(5000));
        }
        const QByteArray sent = FileContents(path("received"));
        if (held) {
            QCOMPARE(FileContents(lock), locks[r[2]]);
            QCOMPARE(sent, QByteArray());
            QFile::remove(lock); // the next row's modem may get another terminal
            return;
        }
        QVERIFY(QDir(path("lock")).isEmpty());
        QVERIFY2(sent.startsWith("ATZ\r") && !sent.contains("kaalisalaatti"), sent.constData());
        if (r[3].contains(u"…"_s))
            QVERIFY2(sent.contains("ATDT9,0600 1\r"), sent.constData());
    }

    void namesWhatAModemEntryLacksAndWritesTimesInFinnish() {
        ModemSettings modem;
        modem.device = path("ttyS9");
        modem.pppdPath = path("pppd-puuttuu");
        const ModemSystem missing{path("lock"), path("peers"), path("ppp"), {}};
        const QString problems = SetupProblems(modem, missing).join(u'\n');
        QCOMPARE(problems.count(u'\n'), 3);
        for (const QString& named :
             {path("ttyS9"), u"asenna paketti ppp"_s, path("peers"), u"PPP-tukea"_s})
            QVERIFY2(problems.contains(named), qPrintable(problems));
        for (const char* file : {"ttyS9", "peers", "ppp"})
            write(path(file), {});
        modem.pppdPath = u"/bin/sh"_s;
        QCOMPARE(SetupProblems(modem, missing), QStringList());
        // A link left up by an earlier run: the line's lock names a living pppd.
        QDir().mkpath(path("bin"));
        QDir().mkpath(path("lock"));
        QFile::copy(u"/bin/sleep"_s, path("bin/pppd"));
        QProcess pppd;
        pppd.start(path("bin/pppd"), {u"30"_s});
        QVERIFY(pppd.waitForStarted());
        write(path("lock/LCK..ttyS9"), QByteArray::number(pppd.processId()) + '\n');
        write(path("links.conf"), "[Dialer Modeemi]\nModem = " + path("ttyS9").toUtf8() + '\n');
        LinuxDialUp dialUp({path("links.conf"), {}}, missing);
        QVERIFY(dialUp.OpenLinks().value(0).contains(
            u"pppd (prosessi %1) pitää linjaa"_s.arg(pppd.processId())));
        pppd.kill();
        pppd.waitForFinished();
        // Another living program's lock is no link.
        write(path("lock/LCK..ttyS9"), QByteArray::number(::getpid()) + '\n');
        QCOMPARE(dialUp.OpenLinks(), QStringList());
        // The weekday stands alone, not in the date format's "sunnuntaina".
        QCOMPARE(FinnishWeekday(QDate(2026, 12, 13)) + u' ' +
                     FinnishHour(QDateTime(QDate(2026, 12, 8), QTime(7, 5))) + u' ' +
                     FinnishLongDate(QDate(2026, 12, 8)),
                 u"sunnuntai 07 8. joulukuuta 2026"_s);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"

#include "WindowTest.h"

namespace {

// An entry in one line: name, numbers, then the simulated modem's outcomes, step, duration and
// port, or the modem's device, speed, init strings, dial command, timeout and what it follows
// otherwise than wvdial.
QString describe(const Phonebook& book) {
    QStringList lines;
    for (const PhonebookEntry& e : book.entries) {
        const ModemSettings& m = e.modem;
        const auto n = [](qint64 number) { return QString::number(number); };
        lines << e.name + u'|' + m.phones.join(u',') + u'|' +
                     (e.isDemo()
                          ? u"demo %1 %2 %3 %4"_s.arg(n(e.outcomes.size()), n(e.stepMilliseconds),
                                                      n(e.durationSeconds), n(e.port))
                          : u"%1 %2 %3 %4 %5"_s.arg(m.device, n(m.baud), m.init.join(u','),
                                                    m.dialCommand, n(m.dialTimeoutSeconds))) +
                     (e.differing.isEmpty() ? u""_s : u" | "_s + e.differing.join(u"; "_s));
    }
    return lines.join(u'\n');
}

// The state texts of a call until its Done, and "Connected" for a connection; the first, "Open
// Port", is left out.
QString dialAndRecord(DialUp& dialer) {
    QStringList texts;
    QObject context;
    QObject::connect(&dialer, &DialUp::Progress, &context,
                     [&](int) { texts << dialer.StateText(); });
    QSignalSpy done(&dialer, &DialUp::Done);
    dialer.Dial();
    if (!texts.isEmpty() || done.count() != 0)
        texts << u"<event inside Dial>"_s;
    done.wait(20000);
    if (!texts.isEmpty())
        texts.removeFirst();
    if (dialer.StateCode() == StateConnected)
        texts << u"Connected"_s;
    return texts.join(u", "_s);
}

// The lines the modem was sent.
QStringList commands(const QByteArray& received) {
    QStringList lines;
    for (const QByteArray& line : received.split('\r'))
        if (!line.trimmed().isEmpty())
            lines << QString::fromLatin1(line.trimmed());
    return lines;
}

const QString Connecting = u"Port Opened, Connect Device, Device Connected, All Devices "
                           u"Connected, Start Authentication, Logon Network, Connected"_s;

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

private slots:
    void readsThePhonebooksAndReportsTheirBadLinesOnce() {
        // The lines to be skipped end in the comment "; ohi".
        const QString own =
            u"; Orvalinin puhelinluettelo\n[Dialer Kotiyhteys]\nModem = demo\nPhone = 0600 12345\n"
            u"Demo Outcomes = busy, no answer, state 12 Odd State, connect ; kommentti\n"
            u"Demo Step = 10\nDemo Duration = 0\nDemo Port = 3\ntämä ei ole asetus ; ohi\n"
            u"Demo Port = 9 ; ohi\nDemo Outcomes = busy, ringing ; ohi\nColour = blue ; ohi\n"
            u"[Modem0] ; ohi\nPhone = 1\n[Dialer Työ]\nDemo Step = nopea ; ohi\n"
            u"Password = salainen ; ohi\n[Dialer Kotiyhteys] ; ohi\nPhone = 2\n[Com Ports]\n"
            u"Com2 = /dev/ttyACM0\nCom3 = ttyUSB0 ; ohi\nCom5 = /dev/ttyS4 ; ohi\n[Pohja]\n"
            u"Demo Port = 4\n[dialer perijä]\nINHERITS = pohja\n"_s;
        const Phonebook book = Phonebook::parse(own, u"luettelo.conf"_s);
        QCOMPARE(describe(book), u"Kotiyhteys|0600 12345|demo 4 10 0 3\nTyö||demo 1 300 90 1\n"
                                 u"perijä||demo 1 300 90 4"_s);
        QCOMPARE(book.comDevice(1) + book.comDevice(2) + book.comDevice(3),
                 u"/dev/ttyS0/dev/ttyACM0/dev/ttyS2"_s);
        // Each skipped line once, a skipped section by its header alone.
        QList<int> said, marked;
        for (const QString& problem : book.problems)
            said << problem.section(u"luettelo.conf, rivi "_s, 1).section(u':', 0, 0).toInt();
        for (int i = 0; i < own.count(u'\n'); ++i)
            if (own.section(u'\n', i, i).endsWith(u"; ohi"))
                marked << i + 1;
        std::sort(said.begin(), said.end());
        QCOMPARE(said, marked);

        // The wvdial files behind the own phonebook, the user's over the system's; sections
        // named as wvdial names them, whatever their case, and inherited whole; a bad line that
        // two entries inherit said once.
        WriteFile(path("own.conf"), "[Dialer Työ]\nModem = demo\n");
        WriteFile(
            path("wvdial.conf"),
            "[Dialer Defaults]\nModem = /dev/ttyS1\nBaud = 115200\nInit1 = ATZ\nInit2 = ATQ0\n"
            "[Dialer Työ]\nPhone = 1\n[Dialer Koti]\nPhone = 111\nPassword = p\n"
            "Dial Command = ATDP\n[Modem0]\nModem = /dev/ttyUSB0\nBaud = nopea\n"
            "Dial Timeout = 30\n[Dialer Pohja]\nInherits = Modem0\nPhone = 9\n"
            "[Dialer Mökki]\nInherits = dialer pohja\nPhone1 = 333\nPhone3 = 555\n"
            "Init = AT&F\nStupid Mode = kyllä\nDial Timeout = 45\nDial Attempts = 3\n"
            "New PPPD = yes\n[Dialer Kehä]\nInherits = Dialer Kehä2\n[Dialer Kehä2]\n"
            "Inherits = Dialer Kehä\nPhone = 7\n[Dialer Vanha]\nInherits = Pohja\n"
            "[Dialer Simuloitu]\nModem = demo\n");
        WriteFile(path("wvdialrc"), "[dialer koti]\nPhone = 333\nInit2 = AT&F\nPassword =\n");
        QDir().mkpath(path("unreadable"));
        const Phonebook both = Phonebook::load(
            {path("own.conf"), {path("wvdial.conf"), path("unreadable"), path("wvdialrc")}});
        QCOMPARE(describe(both),
                 u"Työ||demo 1 300 90 1\n"
                 u"Koti|333|/dev/ttyS1 115200 ATZ,AT&F ATDP 60\n"
                 u"Pohja|9|/dev/ttyUSB0 115200 ATZ,ATQ0 ATDT 30\n"
                 u"Mökki|9,333|/dev/ttyUSB0 115200 AT&F,ATQ0 ATDT 45 | Dial Attempts: soittoa "
                 u"yritetään, kunnes yhteys syntyy tai se peruutetaan\n"
                 u"Kehä|7|/dev/ttyS1 115200 ATZ,ATQ0 ATDT 60\n"
                 u"Kehä2|7|/dev/ttyS1 115200 ATZ,ATQ0 ATDT 60\n"
                 u"Vanha||/dev/ttyS1 115200 ATZ,ATQ0 ATDT 60"_s);
        const QString problems = both.problems.join(u'\n');
        for (const QString& said :
             {u"wvdial.conf, rivi 14: nopeus 300–4000000"_s, u"rivi 24: arvo on 1, yes"_s,
              u"rivi 31: Inherits palaa osioon [Dialer Kehä]"_s,
              u"rivi 29: Inherits palaa osioon [Dialer Kehä2]"_s,
              u"rivi 34: perittävää osiota [Pohja] ei ole"_s, path("unreadable")})
            QVERIFY2(problems.contains(said), qPrintable(problems));
        QCOMPARE(both.problems.size(), 6);

        // [Dialer Defaults] is an entry when it has a number, as `wvdial` alone dials it, not as
        // Debian installs it; the built-in entries only when no file gives one.
        WriteFile(path("wvdial.conf"), "[Dialer Defaults]\nModem = /dev/ttyS0\nPhone = 1\n");
        QCOMPARE(describe(Phonebook::load({path("puuttuu.conf"), {path("wvdial.conf")}})),
                 u"Defaults|1|/dev/ttyS0 57600 ATZ ATDT 60"_s);
        WriteFile(path("wvdial.conf"), "[Dialer Defaults]\nPhone = \nUsername = \nPassword = \n");
        const Phonebook builtIn = Phonebook::load({path("puuttuu.conf"), {path("wvdial.conf")}});
        QCOMPARE(u"%1 %2"_s.arg(builtIn.entries.size()).arg(builtIn.problems.size()), u"4 0"_s);
    }

    void simulatesEachAttemptRepeatsTheLastOutcomeAndDrops() {
        SimulatedDialUp dialer(Phonebook::parse(
            u"[Dialer Koti]\nDemo Outcomes = busy, connect\nDemo Step = 0\nDemo Duration = 0\n"
            u"Demo Port = 2\n[Dialer Pudota]\nDemo Step = 0\nDemo Duration = 1\n"_s,
            {}));
        dialer.setEntry(u"Koti"_s);
        QCOMPARE(QStringList({dialAndRecord(dialer), dialAndRecord(dialer), dialAndRecord(dialer)}),
                 (QStringList{u"Port Opened, Connect Device, Disconnected - Line Busy"_s,
                              Connecting, Connecting}));
        // Choosing the entry again starts its outcomes from the first.
        dialer.setEntry(u"Koti"_s);
        QVERIFY(dialAndRecord(dialer).endsWith(u"Disconnected - Line Busy"_s));
        // A call drops after its duration.
        dialer.setEntry(u"Pudota"_s);
        dialAndRecord(dialer);
        QSignalSpy progress(&dialer, &DialUp::Progress);
        QVERIFY(progress.wait(3000));
        QVERIFY(!dialer.holdsPort(1));
    }

    // A wvdial.conf entry dialed through the fake modem: the lines of its section after Modem,
    // PPPD Path and Phone = 0600 1 (a later line wins), the modem's options and its answer to
    // each dial, what the stand-in pppd does or the lock put on the line first, and then the
    // lines the modem must be sent, the last state of each call and pppd's options. The bytes
    // of the rows marked "wvdial" are the ones the real wvdial 1.61 sent for the same section.
    void dialsAsTheEntrySaysAndReportsTheModemsAnswer_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("modem");
        QTest::addColumn<QString>("pppd");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<QString>("options");
        const auto add = [](const QString& name, const QString& keys, const QStringList& modem,
                            const QString& pppd, const QStringList& sent, const QStringList& states,
                            const QString& options = {}) {
            QTest::newRow(qPrintable(name)) << keys << modem << pppd << sent << states << options;
        };
        const QString busy = u"Disconnected - Line Busy"_s, failed = u"Disconnected"_s;
        const QStringList dialed{u"ATZ"_s, u"ATDT0600 1"_s};
        const QStringList inNumbers{u"ATZ"_s, u"ATV0"_s, u"ATDT0600 1"_s};
        add(u"busy"_s, {}, {u"BUSY"_s}, {}, dialed, {busy});
        add(u"busy in numbers after ATV0"_s, u"Init2 = ATV0"_s, {u"7"_s}, {}, inNumbers, {busy});
        add(u"no answer"_s, {}, {u"NO ANSWER"_s}, {}, dialed, {u"Disconnected - No Answer"_s});
        add(u"no answer within Dial Timeout"_s, u"Dial Timeout = 1"_s, {u"silence"_s}, {}, dialed,
            {u"Disconnected - No Answer"_s});
        add(u"no carrier"_s, {}, {u"NO CARRIER"_s}, {}, dialed, {u"Disconnected - No Carrier"_s});
        for (const QString& tone : {u"NO DIAL TONE"_s, u"NO DIALTONE"_s})
            add(tone, {}, {tone}, {}, dialed, {u"Disconnected - No Dialtone"_s});
        add(u"voice"_s, {}, {u"VOICE"_s}, {}, dialed, {u"Disconnected - Voice Answer"_s});
        for (const QString& refusal : {u"ERROR"_s, u"DELAYED"_s, u"BLACKLISTED"_s})
            add(refusal, {}, {refusal}, {}, dialed, {failed});
        add(u"a number outside the table, at once"_s, u"Init2 = ATV0"_s, {u"99"_s}, {}, inNumbers,
            {failed});
        add(u"an init string refused"_s, u"Init2 = AT+FAIL"_s, {u"BUSY"_s}, {},
            {u"ATZ"_s, u"AT+FAIL"_s}, {failed});
        add(u"wvdial: an init string never answered"_s, u"Init2 = AT+SILENT"_s, {u"BUSY"_s}, {},
            {u"ATZ"_s, u"AT+SILENT"_s, u"ATQ0"_s, u"AT+SILENT"_s}, {failed});
        add(u"wvdial: a first command ignored"_s, {}, {u"--ignore-first"_s, u"BUSY"_s}, {},
            {u"ATZ"_s, u"ATQ0"_s, u"ATZ"_s, u"ATDT0600 1"_s}, {busy});
        const QString pppdOptions = u"nodetach user kokeilija usepeerdns 57600"_s;
        add(u"CONNECT 2400 in numbers"_s, u"Init2 = ATV0"_s, {u"10"_s}, u"auth-fail"_s, inNumbers,
            {failed}, pppdOptions);
        add(u"words in lowercase"_s, {}, {u"--lowercase"_s, u"CONNECT 33600"_s}, u"auth-fail"_s,
            dialed, {failed}, pppdOptions);
        add(u"a login prompt"_s, {}, {u"--login"_s, u"CONNECT 33600"_s}, u"auth-fail"_s,
            dialed + QStringList{u"kokeilija"_s, u"kaalisalaatti"_s}, {failed}, pppdOptions);
        add(u"Login Prompt and Password Prompt"_s,
            u"Login Prompt = Asiakas:\nPassword Prompt = Koodi:"_s,
            {u"--login=Asiakas: ,Koodi: "_s, u"CONNECT 33600"_s}, u"auth-fail"_s,
            dialed + QStringList{u"kokeilija"_s, u"kaalisalaatti"_s}, {failed}, pppdOptions);
        add(u"wvdial: Stupid Mode answers no prompt"_s, u"Stupid Mode = 1"_s,
            {u"--login"_s, u"CONNECT 33600"_s}, u"auth-fail"_s, dialed, {failed}, pppdOptions);
        add(u"wvdial: connected, with Auto DNS, Idle Seconds and Force Address"_s,
            u"Auto DNS = off\nIdle Seconds = 300\nForce Address = 10.0.0.5"_s, {u"CONNECT 33600"_s},
            u"up 2"_s, dialed, {u"Connected"_s},
            u"nodetach user kokeilija idle 300 10.0.0.5: 57600"_s);
        add(u"wvdial: Dial Prefix, then Area Code"_s,
            u"Dial Prefix = 0\nArea Code = 09\nPhone = 0600 12345"_s, {u"BUSY"_s}, {},
            {u"ATZ"_s, u"ATDT0,090600 12345"_s}, {busy});
        add(u"wvdial: Area Code alone, a prefix ending in a pause"_s,
            u"Area Code = 09\nDial Prefix = *70,\nPhone = 111"_s, {u"BUSY"_s}, {},
            {u"ATZ"_s, u"ATDT*70,,09111"_s}, {busy});
        add(u"wvdial: an inherited Init beats Init1, Inherits names a section"_s,
            u"Inherits = Dialer isp\nInit1 = ATZ1\nInit2 = ATX3\n[Dialer isp]\nInit = AT&F\n"
            u"Init3 = ATM0"_s,
            {u"BUSY"_s}, {}, {u"AT&F"_s, u"ATX3"_s, u"ATM0"_s, u"ATDT0600 1"_s}, {busy});
        add(u"wvdial: busy moves on to Phone1 and back, Phone3 after a gap is not dialed"_s,
            u"Phone1 = 222\nPhone3 = 444"_s, {u"BUSY"_s}, {},
            dialed + QStringList{u"ATZ"_s, u"ATDT222"_s} + dialed, {busy, busy, busy});
        add(u"choosing the entry again starts from Phone"_s, u"Phone1 = 222"_s, {u"BUSY"_s},
            u"chosen again"_s, dialed + dialed, {busy, busy});
        add(u"wvdial: no answer dials the same number"_s, u"Phone1 = 222"_s,
            {u"NO ANSWER"_s, u"BUSY"_s}, {}, dialed + dialed,
            {u"Disconnected - No Answer"_s, busy});
        for (const QString& lock :
             {u"uucp"_s, u"qt"_s, u"binary"_s, u"unreadable"_s, u"as configured"_s})
            add(u"a line locked: "_s + lock, {}, {u"BUSY"_s}, lock, {}, {failed});
        add(u"a stale lock is taken over"_s, {}, {u"BUSY"_s}, u"stale"_s, dialed, {busy});
        add(u"hung up while dialing"_s, {}, {u"silence"_s}, u"hang up"_s,
            dialed + QStringList{u"ATH"_s}, {});
        add(u"hung up while linking, pppd deaf to SIGTERM"_s, {}, {u"CONNECT 33600"_s}, u"deaf"_s,
            dialed, {});
    }
    void dialsAsTheEntrySaysAndReportsTheModemsAnswer() {
        QFETCH(QString, keys);
        QFETCH(QStringList, modem);
        QFETCH(QString, pppd);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, states);
        QFETCH(QString, options);
        // A Hayes modem on a pseudo-terminal reached through a link, the stand-in pppd, and the
        // locks in the test's folder.
        for (const char* file : {"received", "modem", "pppd"})
            QFile::remove(path(file));
        QDir().mkpath(path("lock"));
        QProcess fake, user;
        fake.start(u"python3"_s, QStringList{QStringLiteral(ORVALIN_TEST_SUPPORT "/fake_modem.py"),
                                             path("modem"), path("received")} +
                                     modem);
        const auto stop =
            qScopeGuard([&] { fake.terminate(), fake.waitForFinished(), user.close(); });
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(path("modem")); }, 5000));
        qputenv("FAKE_PPPD_SCENARIO", pppd.toUtf8());
        qputenv("FAKE_PPPD_RECORD", QFile::encodeName(path("pppd")));
        WriteFile(path("wvdial.conf"),
                  u"[Dialer Modeemi]\nModem = %1\nPPPD Path = " ORVALIN_TEST_SUPPORT
                  "/fake_pppd.py\nPhone = 0600 1\n%2\n"_s.arg(path("modem"), keys)
                      .toUtf8());
        auto dialer = std::make_unique<ModemDialUp>(
            Phonebook::load({path("puuttuu.conf"), {path("wvdial.conf")}}),
            ModemSystem{path("lock"), path("peers"), path("ppp"), m_dir.path()});
        dialer->setEntry(u"Modeemi"_s);
        dialer->setUserName(u"kokeilija"_s);
        dialer->setPassword(u"kaalisalaatti"_s);
        const auto probe = [this] {
            DeviceSerialPort serial([this](int) { return path("modem"); }, path("lock"));
            return serial.setPort(1) && serial.open() && serial.close();
        };
        // The line is locked under the name as configured and under the device it leads to.
        const QString device = QFileInfo(QFileInfo(path("modem")).canonicalFilePath()).fileName();
        const QStringList locks = {path("lock/LCK..") + device, path("lock/LCK..modem")};
        // No process has a pid above the kernel's largest, 2^22.
        // A process that uses the line; for a binary lock, one whose pid's bytes read as text
        // (from a first byte that is an ASCII digit) name no living process.
        pid_t pid = 0;
        while (pid < 1 || (pppd == u"binary" && getpgid(atoi(reinterpret_cast<char*>(&pid))) >= 0))
            user.close(), user.start(u"sleep"_s, {u"60"_s}), pid = pid_t(user.processId());
        const auto uucp = [](pid_t p) { return QByteArray::number(p).rightJustified(10) + '\n'; };
        const QHash<QString, QByteArray> contents = {
            {u"uucp"_s, uucp(pid)},
            {u"as configured"_s, uucp(pid)},
            {u"qt"_s, QByteArray::number(pid) + "\nminicom\nkone\n"},
            {u"binary"_s, QByteArray(reinterpret_cast<const char*>(&pid), 4)},
            {u"unreadable"_s, "lukko\n"},
            {u"stale"_s, uucp(99999999)}};
        const QString lock = locks[pppd == u"as configured"_s];
        if (contents.contains(pppd))
            WriteFile(lock, contents[pppd]);
        const bool held = contents.contains(pppd) && pppd != u"stale"_s;
        QCOMPARE(probe(), !held);
        if (pppd == u"hang up"_s || pppd == u"deaf"_s) {
            // Hanging up while dialing, or while pppd links, leaves no lock: a pppd that does
            // not end when asked is made to.
            dialer->Dial();
            QTRY_COMPARE(dialer->StateText(),
                         pppd == u"deaf" ? u"Start Authentication"_s : u"Connect Device"_s);
            dialer->HangUp();
        } else {
            QElapsedTimer waited;
            waited.start();
            QStringList calls, last;
            for (qsizetype call = 0; call < states.size(); ++call) {
                if (pppd == u"chosen again"_s)
                    dialer->setEntry(u"Modeemi"_s);
                calls << dialAndRecord(*dialer);
                last << calls.last().section(u", "_s, -1);
            }
            QCOMPARE(last, states);
            // Only a modem that ignores a command is waited for, 5 seconds a time.
            const bool ignores = keys.contains(u"SILENT"_s) || modem.contains(u"--ignore-first"_s);
            QVERIFY(waited.elapsed() < (ignores ? 12000 : 4000));
            if (pppd == u"up 2"_s)
                QCOMPARE(calls, QStringList{Connecting});
        }
        const QByteArray record = FileContents(path("pppd")), password = "kaalisalaatti";
        QVERIFY2(options.isEmpty() ||
                     record.contains(
                         " call peers passwordfd 3 logfd 4 " + options.toUtf8() + ' ' +
                         QCryptographicHash::hash(password, QCryptographicHash::Sha256).toHex()),
                 record.constData());
        if (pppd == u"up 2"_s) {
            // The link outlives the program: the line is pppd's, under both names, until the
            // provider hangs up. Its locks are stale then, and the next row starts without them.
            const QByteArray linked = uucp(dialer->pppdPid());
            dialer.reset();
            for (const QString& name : locks)
                QCOMPARE(FileContents(name), linked);
            QVERIFY(!probe());
            const QString log = m_dir.filePath(u"orvalin-pppd.log"_s);
            QTRY_VERIFY_WITH_TIMEOUT(FileContents(log).contains("Modem hangup"), 5000);
            // pppd's log names the user and the addresses: for the user's eyes alone.
            QVERIFY(!(QFileInfo(log).permissions() & (QFile::ReadGroup | QFile::ReadOther)));
            for (const QString& name : locks)
                QFile::remove(name);
        }
        QTRY_COMPARE(commands(FileContents(path("received"))), sent);
        // A held line is left as its holder locked it, and nothing else is left behind.
        if (held) {
            QCOMPARE(FileContents(lock), contents[pppd]);
            QFile::remove(lock); // the next row's modem may get another terminal
        }
        QTRY_VERIFY_WITH_TIMEOUT(QDir(path("lock")).isEmpty(), 5000);
    }

    void namesWhatAModemEntryLacksAndWritesTimesInFinnish() {
        ModemSettings modem;
        modem.device = path("ttyS9");
        modem.pppdPath = path("pppd-puuttuu");
        const ModemSystem missing{path("lock"), path("peers"), path("ppp"), {}};
        const QString problems = SetupProblems(modem, missing).join(u'\n');
        QCOMPARE(problems.count(u'\n'), 4);
        for (const QString& named :
             {u"Phone"_s, path("ttyS9"), u"asenna paketti ppp"_s, path("peers"), u"PPP-tukea"_s})
            QVERIFY2(problems.contains(named), qPrintable(problems));
        for (const char* file : {"ttyS9", "peers", "ppp"})
            WriteFile(path(file), {});
        modem.pppdPath = u"/bin/sh"_s;
        modem.phones = QStringList{u"1"_s};
        QCOMPARE(SetupProblems(modem, missing), QStringList());
        // A modem that no "Com:" number is: the line of [Com Ports] to add to the own
        // phonebook, and none once it is there.
        QFile::link(path("ttyS9"), path("modeemi"));
        WriteFile(path("wvdial.conf"), "[Dialer Modeemi]\nModem = " + path("modeemi").toUtf8() +
                                           "\nPhone = 1\nPPPD Path = /bin/sh\n");
        WriteFile(path("com.conf"), "[Com Ports]\nCom4 = /dev/ttyS7\n");
        const PhonebookFiles files{path("com.conf"), {path("wvdial.conf")}};
        const auto notes = [&] {
            QStringList said;
            for (const LinuxDialUp::SetupNote& note : LinuxDialUp(files, missing).setupNotes())
                said << note.heading + u'\n' + note.lines.join(u'\n');
            return said.join(u"\n\n"_s);
        };
        QCOMPARE(notes(), u"Mittari huomaa puhelun päättyneen vain Com-numeron laitteesta:\n"
                          u"Modeemi: modeemi %1 ei ole minkään Com-numeron laite. Lisää "
                          u"tiedoston %2 osioon [Com Ports] rivi\nCom1 = %1\nja valitse "
                          u"Asetuksissa Com: 1."_s.arg(path("modeemi"), path("com.conf")));
        QFile::link(path("ttyS9"), path("com3"));
        WriteFile(path("com.conf"), "[Com Ports]\nCom3 = " + path("com3").toUtf8() + '\n');
        WriteFile(path("wvdial.conf"), FileContents(path("wvdial.conf")) + "Username = u\n");
        QCOMPARE(notes(), u"Nämä wvdialin asetukset Orvalin hoitaa toisin:\nUsername: käyttäjän "
                          u"nimi on aloitusikkunaan kirjoitettu (Modeemi)"_s);
        // A link left up by an earlier run: the line's lock names a living pppd.
        QDir().mkpath(path("bin"));
        QDir().mkpath(path("lock"));
        QFile::copy(u"/bin/sleep"_s, path("bin/pppd"));
        QProcess pppd;
        pppd.start(path("bin/pppd"), {u"30"_s});
        QVERIFY(pppd.waitForStarted());
        WriteFile(path("lock/LCK..ttyS9"), QByteArray::number(pppd.processId()) + '\n');
        LinuxDialUp dialUp(files, missing);
        QVERIFY(dialUp.OpenLinks().value(0).contains(
            u"pppd (prosessi %1) pitää linjaa"_s.arg(pppd.processId())));
        pppd.kill();
        pppd.waitForFinished();
        // Another living program's lock is no link.
        WriteFile(path("lock/LCK..ttyS9"), QByteArray::number(::getpid()) + '\n');
        QCOMPARE(dialUp.OpenLinks(), QStringList());
        // pppd ends with 19 when the provider refuses the user name or the password.
        QCOMPARE(Pppd::exitReason(19), u"palveluntarjoaja hylkäsi käyttäjän nimen tai salasanan"_s);
        // The weekday stands alone, not in the date format's "sunnuntaina".
        QCOMPARE(FinnishWeekday(QDate(2026, 12, 13)) + u' ' +
                     FinnishHour(QDateTime(QDate(2026, 12, 8), QTime(7, 5))) + u' ' +
                     FinnishLongDate(QDate(2026, 12, 8)),
                 u"sunnuntai 07 8. joulukuuta 2026"_s);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "tst_platform.moc"

#include "ModemDialUp.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace DialStates;

namespace {

// What the modem may answer a dial command with, in words and as a number (ATV0).
struct DialResult {
    const char* word;
    const char* number;
    DialState state;
};
const DialResult DialResults[] = {
    {"BUSY", "7", LineBusy},           {"NO ANSWER", "8", NoAnswer},
    {"NO CARRIER", "3", NoCarrier},    {"NO DIALTONE", "6", NoDialtone},
    {"NO DIAL TONE", "6", NoDialtone}, {"VOICE", nullptr, VoiceAnswer},
    {"ERROR", "4", Disconnected},
};

// pppd's exit codes that a user can act on.
QString pppdExitReason(int code) {
    switch (code) {
    case 2:
        return QStringLiteral("pppd ei hyväksynyt asetuksiaan");
    case 3:
        return QStringLiteral("pppd ei saanut pääkäyttäjän oikeuksia");
    case 4:
        return QStringLiteral("ytimessä ei ole PPP-tukea");
    case 5:
        return QStringLiteral("pppd lopetettiin");
    case 10:
        return QStringLiteral("PPP-yhteyden neuvottelu epäonnistui");
    case 16:
        return QStringLiteral("modeemi katkaisi puhelun");
    case 19:
        return QStringLiteral("palveluntarjoaja hylkäsi käyttäjän nimen tai salasanan");
    default:
        return QStringLiteral("pppd päättyi koodilla %1").arg(code);
    }
}

QString groupAdvice(const QFileInfo& file) {
    return QStringLiteral("liity ryhmään %1 (sudo adduser $USER %1) ja kirjaudu uudelleen")
        .arg(file.group());
}

// A descriptor moved above the ones pppd is given, so that no move onto 0 to 4 overwrites
// another that is still to be moved.
int above(int fd) {
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
}

} // namespace

QStringList SetupProblems(const ModemSettings& modem, const ModemSystem& system) {
    QStringList problems;
    const QFileInfo device(modem.device);
    if (!device.exists())
        problems << QStringLiteral("laitetta %1 ei ole: kytke modeemi tai korjaa Modem-rivi")
                        .arg(modem.device);
    else if (::access(QFile::encodeName(modem.device).constData(), R_OK | W_OK) != 0)
        problems << QStringLiteral("laitetta %1 ei saa avata: %2")
                        .arg(modem.device, groupAdvice(device));
    const QFileInfo pppd(modem.pppdPath);
    if (!pppd.exists())
        problems << QStringLiteral("%1 puuttuu: asenna paketti ppp (sudo apt install ppp)")
                        .arg(modem.pppdPath);
    else if (::access(QFile::encodeName(modem.pppdPath).constData(), X_OK) != 0)
        problems
            << QStringLiteral("%1 ei ole ajettavissa: %2").arg(modem.pppdPath, groupAdvice(pppd));
    if (!QFileInfo::exists(system.peersFile))
        problems << QStringLiteral("pppd:n asetukset %1 puuttuvat: asenna ne "
                                   "(scripts/install-deps tai paketti orvalin)")
                        .arg(system.peersFile);
    if (!QFileInfo::exists(system.pppDevice))
        problems << QStringLiteral("ytimessä ei ole PPP-tukea (%1 puuttuu): sudo modprobe "
                                   "ppp_generic")
                        .arg(system.pppDevice);
    return problems;
}

ModemDialUp::ModemDialUp(Phonebook phonebook, ModemSystem system, QObject* parent)
    : DialUp(parent), m_phonebook(std::move(phonebook)), m_system(std::move(system)) {
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &ModemDialUp::timedOut);
    connect(&m_reap, &QTimer::timeout, this, &ModemDialUp::pppdEnded);
    m_kill.setSingleShot(true);
    connect(&m_kill, &QTimer::timeout, this, [this] {
        if (m_pppd > 0)
            ::kill(m_pppd, SIGKILL);
    });
}

ModemDialUp::~ModemDialUp() {
    if (m_phase == Phase::Up) {
        std::fprintf(stderr, "orvalin: %s: yhteys jää auki; sen katkaisee komento kill %d\n",
                     qPrintable(m_entryName), static_cast<int>(m_pppd));
        return;
    }
    HangUp();
}

int ModemDialUp::EntryCount() {
    return static_cast<int>(m_phonebook.entries.size());
}

QString ModemDialUp::EntryAt(int index) {
    return m_phonebook.nameAt(index);
}

void ModemDialUp::setEntry(const QString& entry) {
    m_entryName = entry;
}

void ModemDialUp::setUserName(const QString& userName) {
    m_userName = userName;
}

void ModemDialUp::setPassword(const QString& password) {
    m_password = password;
}

void ModemDialUp::Dial() {
    HangUp();
    m_entry = m_phonebook.find(m_entryName);
    m_phase = Phase::Resetting;
    QMetaObject::invokeMethod(this, &ModemDialUp::start, Qt::QueuedConnection);
}

void ModemDialUp::start() {
    if (m_phase != Phase::Resetting || m_line >= 0)
        return;
    report(OpenPort);
    if (!m_entry || m_entry->isDemo())
        return fail(Disconnected, QStringLiteral("puhelinluettelossa ei ole modeemia tälle"));
    const ModemSettings& modem = m_entry->modem;
    m_lock = std::make_unique<LineLock>(modem.device, m_system.lockFolder);
    if (const std::optional<QString> why = m_lock->take()) {
        m_lock.reset();
        return fail(Disconnected, *why);
    }
    const OpenedLine line = OpenSerialLine(modem.device, modem.baud);
    if (line.fd < 0)
        return fail(Disconnected, line.error);
    m_line = line.fd;
    m_received.clear();
    m_lineReady = std::make_unique<QSocketNotifier>(m_line, QSocketNotifier::Read);
    connect(m_lineReady.get(), &QSocketNotifier::activated, this, &ModemDialUp::readModem);
    report(PortOpened);
    m_nextInit = 0;
    // Dropping DTR for half a second resets a modem that still holds a call; a line without
    // modem control (a pseudo-terminal) goes straight to the commands.
    if (SetDtr(m_line, false))
        m_timeout.start(500);
    else
        nextCommand();
}

void ModemDialUp::report(const DialState& state) {
    m_state = state;
    emit Progress(state.code);
}

void ModemDialUp::fail(const DialState& state, const QString& why) {
    std::fprintf(stderr, "orvalin: %s: %s\n", qPrintable(m_entryName), qPrintable(why));
    closeLine();
    m_phase = Phase::Idle;
    report(state);
    emit Done();
}

void ModemDialUp::sendCommand(const QByteArray& command, int timeoutSeconds) {
    m_sent = command;
    const QByteArray bytes = command + '\r';
    if (::write(m_line, bytes.constData(), bytes.size()) != bytes.size())
        return fail(Disconnected, QStringLiteral("modeemille ei voi kirjoittaa (%1)")
                                      .arg(QString::fromLocal8Bit(std::strerror(errno))));
    m_timeout.start(timeoutSeconds * 1000);
}

void ModemDialUp::readModem() {
    char bytes[512];
    ssize_t count = 0;
    while ((count = ::read(m_line, bytes, sizeof bytes)) > 0)
        m_received.append(bytes, count);
    if (count == 0 || (errno != EAGAIN && errno != EINTR))
        return fail(Disconnected, QStringLiteral("modeemin linja sulkeutui"));
    m_received.replace('\n', '\r');
    for (qsizetype end; m_line >= 0 && (end = m_received.indexOf('\r')) >= 0;) {
        const QByteArray line = m_received.left(end).trimmed();
        m_received.remove(0, end + 1);
        // The modem repeats each command before it answers.
        if (!line.isEmpty() && line != m_sent)
            modemSays(line);
    }
}

void ModemDialUp::modemSays(const QByteArray& line) {
    if (m_phase == Phase::Commanding) {
        if (line == "OK" || line == "0")
            nextCommand();
        else if (line == "ERROR" || line == "4")
            fail(Disconnected,
                 QStringLiteral("modeemi hylkäsi komennon %1").arg(QString::fromLatin1(m_sent)));
        return;
    }
    if (m_phase != Phase::Dialing)
        return;
    if (line.startsWith("CONNECT") || line == "1") {
        m_timeout.stop();
        report(DeviceConnected);
        report(AllDevicesConnected);
        startPppd();
        return;
    }
    for (const DialResult& result : DialResults)
        if (line == result.word || (result.number && line == result.number))
            return fail(result.state,
                        QStringLiteral("modeemi vastasi %1").arg(QString::fromLatin1(line)));
}

// The init strings one by one, each once the last one's OK came, and then the number.
void ModemDialUp::nextCommand() {
    const ModemSettings& modem = m_entry->modem;
    if (m_nextInit < modem.init.size()) {
        m_phase = Phase::Commanding;
        return sendCommand(modem.init[m_nextInit++].toLatin1(), CommandTimeoutSeconds);
    }
    m_phase = Phase::Dialing;
    report(ConnectDevice);
    sendCommand((modem.dialCommand + modem.dialPrefix + m_entry->phone).toLatin1(),
                modem.dialTimeoutSeconds);
}

void ModemDialUp::timedOut() {
    switch (m_phase) {
    case Phase::Resetting:
        SetDtr(m_line, true);
        return nextCommand();
    case Phase::Commanding:
        return fail(
            Disconnected,
            QStringLiteral("modeemi ei vastannut komentoon %1").arg(QString::fromLatin1(m_sent)));
    case Phase::Dialing: {
        // Any character stops a modem that is still dialing.
        [[maybe_unused]] const ssize_t written = ::write(m_line, "\r", 1);
        return fail(
            NoAnswer,
            QStringLiteral("ei vastausta %1 sekunnissa").arg(m_entry->modem.dialTimeoutSeconds));
    }
    case Phase::Idle:
    case Phase::Linking:
    case Phase::Up:
        return;
    }
}

// pppd gets the open line as its standard input and output, the password through a pipe that
// holds nothing else, and a log file, which unlike a pipe outlives the program without killing
// pppd when it writes.
void ModemDialUp::startPppd() {
    m_phase = Phase::Linking;
    const ModemSettings& modem = m_entry->modem;
    m_logPath = m_system.logFolder + QStringLiteral("/orvalin-pppd.log");
    m_logRead = 0;
    m_lastLogLine.clear();
    const int log = ::open(QFile::encodeName(m_logPath).constData(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int password[2] = {-1, -1};
    if (log < 0 || ::pipe2(password, O_CLOEXEC) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (log >= 0)
            ::close(log);
        return fail(Disconnected,
                    QStringLiteral("pppd:n lokia %1 ei voi luoda (%2)").arg(m_logPath, why));
    }
    const QByteArray secret = m_password.toUtf8();
    [[maybe_unused]] const ssize_t written =
        ::write(password[1], secret.constData(), secret.size());
    ::close(password[1]);

    m_logWatch = std::make_unique<QFileSystemWatcher>(QStringList{m_logPath});
    connect(m_logWatch.get(), &QFileSystemWatcher::fileChanged, this, &ModemDialUp::readPppdLog);

    const QByteArray program = QFile::encodeName(modem.pppdPath);
    const QList<QByteArray> arguments = {
        program,
        "call",
        QFile::encodeName(QFileInfo(m_system.peersFile).fileName()),
        "passwordfd",
        "3",
        "logfd",
        "4",
        "nodetach",
        "user",
        m_userName.toUtf8(),
        QByteArray::number(modem.baud)};
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);

    const int moved[] = {above(m_line), above(password[0]), above(log)};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, moved[0], 0);
    posix_spawn_file_actions_adddup2(&actions, moved[0], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, moved[1], 3);
    posix_spawn_file_actions_adddup2(&actions, moved[2], 4);
    // Nothing else of the program's reaches pppd, whatever was opened without close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, 5);
    // A session of its own, so that neither the terminal's signals nor the end of the program
    // end the link; and the signals at their defaults, which the program's handlers are not.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int error =
        std::find(std::begin(moved), std::end(moved), -1) != std::end(moved)
            ? EMFILE
            : posix_spawn(&pid, program.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    for (const int fd : {moved[0], moved[1], moved[2], password[0], log})
        if (fd >= 0)
            ::close(fd);
    if (error != 0) {
        m_logWatch.reset();
        return fail(Disconnected,
                    QStringLiteral("pppd (%1) ei käynnisty (%2)")
                        .arg(modem.pppdPath, QString::fromLocal8Bit(std::strerror(error))));
    }

    // pppd has the line now: ours is closed without leaving exclusive mode, which pppd keeps.
    m_pppd = pid;
    m_lock->handTo(pid);
    m_timeout.stop();
    m_lineReady.reset();
    ::close(m_line);
    m_line = -1;
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (ended >= 0) {
        m_pppdEnded = std::make_unique<QSocketNotifier>(ended, QSocketNotifier::Read);
        connect(m_pppdEnded.get(), &QSocketNotifier::activated, this, &ModemDialUp::pppdEnded);
    } else {
        // A kernel without pidfd (before 5.3): pppd's end is looked for once a second.
        m_reap.start(1000);
    }
    readPppdLog();
}

void ModemDialUp::readPppdLog() {
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_logRead))
        return;
    const QByteArray text = file.readAll();
    const qsizetype complete = text.lastIndexOf('\n') + 1;
    m_logRead += complete;
    static const QRegularExpression address(QStringLiteral("^local\\s+IP address"));
    for (const QByteArray& bytes : text.left(complete).split('\n')) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.isEmpty())
            continue;
        m_lastLogLine = line;
        if (m_phase != Phase::Linking)
            continue;
        if (line.startsWith(QStringLiteral("Connect:")))
            report(StartAuthentication);
        else if (line.contains(QStringLiteral("authentication succeeded")))
            report(LogonNetwork);
        else if (address.match(line).hasMatch()) {
            // Connected: from here on only pppd's end matters, and the log is no longer read.
            m_phase = Phase::Up;
            m_state = Connected;
            m_logWatch.reset();
            emit Done();
            return;
        }
    }
}

void ModemDialUp::pppdEnded() {
    int status = 0;
    if (m_pppd <= 0 || ::waitpid(m_pppd, &status, WNOHANG) != m_pppd)
        return;
    if (m_pppdEnded)
        ::close(static_cast<int>(m_pppdEnded->socket()));
    m_pppdEnded.reset();
    m_reap.stop();
    m_kill.stop();
    m_pppd = 0;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (m_phase == Phase::Linking)
        readPppdLog();
    m_logWatch.reset();
    closeLine();
    const Phase phase = std::exchange(m_phase, Phase::Idle);
    if (phase == Phase::Linking)
        fail(Disconnected, m_lastLogLine.isEmpty()
                               ? pppdExitReason(code)
                               : QStringLiteral("%1: %2").arg(pppdExitReason(code), m_lastLogLine));
    else if (phase == Phase::Up)
        report(Disconnected);
}

void ModemDialUp::closeLine() {
    m_timeout.stop();
    m_lineReady.reset();
    CloseSerialLine(m_line);
    m_line = -1;
    if (m_lock && m_pppd == 0) {
        m_lock->release();
        m_lock.reset();
    }
}

// Abandons the call: a modem still taking commands or dialing is told to hang up and its line
// closed, which drops DTR; pppd is asked to end, and told to once more after a while.
void ModemDialUp::HangUp() {
    const Phase phase = std::exchange(m_phase, Phase::Idle);
    m_state = Disconnected;
    if (m_pppd > 0) {
        if (phase != Phase::Idle) {
            ::kill(m_pppd, SIGTERM);
            m_kill.start(3000);
        }
        return;
    }
    if (m_line >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(m_line, "\rATH\r", 5);
        closeLine();
    }
}

#include "ModemDialUp.h"

#include "dialer/modem/ResultCodes.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace DialStates;

namespace {

QString groupAdvice(const QFileInfo& file) {
    return QStringLiteral("liity ryhmään %1 (sudo adduser $USER %1) ja kirjaudu uudelleen")
        .arg(file.group());
}

// The first of the provider's PPP frames: the flag, the all-stations address and the control
// field, escaped as it is until the link has agreed otherwise, or not.
bool startsPpp(const QByteArray& bytes) {
    return bytes.contains("\x7e\xff\x7d\x23") || bytes.contains("\x7e\xff\x03");
}

// Where the earliest of the prompts stands in what the terminal server said, -1 for none.
qsizetype findPrompt(const QByteArray& said, const QStringList& prompts) {
    qsizetype first = -1;
    for (const QString& prompt : prompts) {
        const qsizetype at = prompt.isEmpty() ? -1 : said.indexOf(prompt.toLower().toUtf8());
        if (at >= 0 && (first < 0 || at < first))
            first = at;
    }
    return first;
}

qsizetype lineEnd(const QByteArray& bytes) {
    const qsizetype cr = bytes.indexOf('\r');
    const qsizetype lf = bytes.indexOf('\n');
    return cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
}

} // namespace

QStringList SetupProblems(const ModemSettings& modem, const ModemSystem& system) {
    QStringList problems;
    if (modem.phones.isEmpty())
        problems << QStringLiteral("puhelinnumero puuttuu: lisää Phone-rivi");
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
    connect(&m_pppd, &Pppd::logLine, this, &ModemDialUp::pppdSays);
    connect(&m_pppd, &Pppd::ended, this, &ModemDialUp::pppdEnded);
}

ModemDialUp::~ModemDialUp() {
    if (m_phase == Phase::Up) {
        std::fprintf(stderr, "orvalin: %s: yhteys jää auki; sen katkaisee komento kill %d\n",
                     qPrintable(m_entryName), static_cast<int>(m_pppd.pid()));
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

// Choosing the entry again starts again from its first number.
void ModemDialUp::setEntry(const QString& entry) {
    m_entryName = entry;
    m_number = 0;
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
    if (modem.phones.isEmpty())
        return fail(Disconnected, QStringLiteral("puhelinnumero puuttuu (Phone)"));
    m_number %= modem.phones.size();
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

bool ModemDialUp::send(const QByteArray& bytes) {
    if (::write(m_line, bytes.constData(), bytes.size()) == bytes.size())
        return true;
    fail(Disconnected, QStringLiteral("modeemille ei voi kirjoittaa (%1)")
                           .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}

void ModemDialUp::sendCommand(const QByteArray& command, int timeout) {
    m_sent = command;
    if (send(command + '\r'))
        m_timeout.start(timeout);
}

void ModemDialUp::readModem() {
    char bytes[512];
    ssize_t count = 0;
    while ((count = ::read(m_line, bytes, sizeof bytes)) > 0)
        m_received.append(bytes, count);
    if (count == 0 || (errno != EAGAIN && errno != EINTR))
        return fail(Disconnected, QStringLiteral("modeemin linja sulkeutui"));
    // After CONNECT what comes is a terminal server's text or PPP, not lines of the modem's.
    for (qsizetype end;
         m_line >= 0 && m_phase != Phase::Prompting && (end = lineEnd(m_received)) >= 0;) {
        const QByteArray line = m_received.left(end).trimmed();
        m_received.remove(0, end + 1);
        // The modem repeats each command before it answers.
        if (!line.isEmpty() && line != m_sent)
            modemSays(line);
    }
    if (m_phase == Phase::Prompting)
        answerPrompts();
}

void ModemDialUp::modemSays(const QByteArray& line) {
    const ModemAnswer answer = ReadModemAnswer(line);
    const QString said = QString::fromLatin1(line);
    if (m_phase == Phase::Commanding) {
        if (answer == ModemAnswer::Ok)
            nextCommand();
        else if (answer == ModemAnswer::Error)
            fail(Disconnected,
                 QStringLiteral("modeemi hylkäsi komennon %1").arg(QString::fromLatin1(m_sent)));
        return;
    }
    if (m_phase == Phase::Quieting) {
        // Whatever ATQ0 got, the ignored command goes again.
        if (answer == ModemAnswer::Ok || answer == ModemAnswer::Error)
            timedOut();
        return;
    }
    if (m_phase != Phase::Dialing)
        return;
    const auto failWith = [&](const DialState& state) {
        fail(state, QStringLiteral("modeemi vastasi %1").arg(said));
    };
    switch (answer) {
    case ModemAnswer::Connect:
        m_timeout.stop();
        report(DeviceConnected);
        report(AllDevicesConnected);
        if (m_entry->modem.stupidMode)
            return startPppd();
        m_phase = Phase::Prompting;
        m_timeout.start(PromptTimeout);
        return;
    case ModemAnswer::Busy:
        // The next call tries the next number, as wvdial does.
        m_number = (m_number + 1) % m_entry->modem.phones.size();
        return failWith(LineBusy);
    case ModemAnswer::NoAnswer:
        return failWith(NoAnswer);
    case ModemAnswer::NoCarrier:
        return failWith(NoCarrier);
    case ModemAnswer::NoDialtone:
        return failWith(NoDialtone);
    case ModemAnswer::Voice:
        return failWith(VoiceAnswer);
    case ModemAnswer::Error:
        return failWith(Disconnected);
    case ModemAnswer::Delayed:
    case ModemAnswer::Blacklisted:
        return fail(Disconnected, QStringLiteral("modeemi vastasi %1: se ei soita tähän numeroon "
                                                 "ennen kuin sen oma uudelleenvalinnan raja "
                                                 "sallii")
                                      .arg(said));
    case ModemAnswer::UnknownNumber:
        return fail(
            Disconnected,
            QStringLiteral("modeemi vastasi numerolla %1, jota ei ole tulostaulukossa").arg(said));
    case ModemAnswer::Ok:
    case ModemAnswer::Ring:
    case ModemAnswer::Progress:
    case ModemAnswer::Other:
        return;
    }
}

// A terminal server that asks for a login gets the user name typed in the start-up window, and
// the password; pppd starts once the password is given, PPP begins or the time is up.
void ModemDialUp::answerPrompts() {
    if (startsPpp(m_received))
        return startPppd();
    const ModemSettings& modem = m_entry->modem;
    const QByteArray said = m_received.toLower();
    const qsizetype login = findPrompt(
        said, {QStringLiteral("login:"), QStringLiteral("username:"), modem.loginPrompt});
    const qsizetype password =
        findPrompt(said, {QStringLiteral("password:"), modem.passwordPrompt});
    if (login >= 0 && (password < 0 || login < password)) {
        m_received.clear();
        send(m_userName.toUtf8() + '\r');
    } else if (password >= 0) {
        m_received.clear();
        if (send(m_password.toUtf8() + '\r'))
            startPppd();
    }
}

// The init strings one by one, each once the last one's OK came, and then the number.
void ModemDialUp::nextCommand() {
    const ModemSettings& modem = m_entry->modem;
    m_resent = false;
    if (m_nextInit < modem.init.size()) {
        m_phase = Phase::Commanding;
        return sendCommand(modem.init[m_nextInit++].toLatin1(), CommandTimeout);
    }
    m_phase = Phase::Dialing;
    report(ConnectDevice);
    sendCommand(modem.dialString(m_number), modem.dialTimeoutSeconds * 1000);
}

void ModemDialUp::timedOut() {
    switch (m_phase) {
    case Phase::Resetting:
        SetDtr(m_line, true);
        return nextCommand();
    case Phase::Commanding:
        if (m_resent)
            return fail(Disconnected, QStringLiteral("modeemi ei vastannut komentoon %1")
                                          .arg(QString::fromLatin1(m_sent)));
        // A modem told to keep quiet (ATQ1) answers nothing: as wvdial does, it is told to
        // answer, and the command goes once more.
        m_phase = Phase::Quieting;
        --m_nextInit;
        return sendCommand("ATQ0", QuietTimeout);
    case Phase::Quieting:
        m_phase = Phase::Commanding;
        m_resent = true;
        return sendCommand(m_entry->modem.init[m_nextInit++].toLatin1(), CommandTimeout);
    case Phase::Dialing: {
        // Any character stops a modem that is still dialing.
        [[maybe_unused]] const ssize_t written = ::write(m_line, "\r", 1);
        return fail(
            NoAnswer,
            QStringLiteral("ei vastausta %1 sekunnissa").arg(m_entry->modem.dialTimeoutSeconds));
    }
    case Phase::Prompting:
        return startPppd();
    case Phase::Idle:
    case Phase::Linking:
    case Phase::Up:
        return;
    }
}

// pppd takes the open line over; the locks name it from now on.
void ModemDialUp::startPppd() {
    m_timeout.stop();
    const ModemSettings& modem = m_entry->modem;
    if (modem.carrierCheck && CarrierDetected(m_line) == false)
        return fail(NoCarrier, QStringLiteral("modeemi ilmoitti yhteydestä, mutta kantoaalto "
                                              "(DCD) puuttuu"));
    m_phase = Phase::Linking;
    QList<QByteArray> options = {"nodetach", "user", m_userName.toUtf8()};
    if (modem.autoDns)
        options << "usepeerdns";
    if (modem.idleSeconds > 0)
        options << "idle" << QByteArray::number(modem.idleSeconds);
    if (!modem.forceAddress.isEmpty())
        options << modem.forceAddress.toLatin1() + ':';
    options << QByteArray::number(modem.baud);
    if (const std::optional<QString> why = m_pppd.start(
            modem.pppdPath, QFileInfo(m_system.peersFile).fileName(), options, m_line,
            m_password.toUtf8(), m_system.logFolder + QStringLiteral("/orvalin-pppd.log")))
        return fail(Disconnected, *why);
    // Our descriptor is closed without leaving exclusive mode, which pppd keeps.
    m_lock->handTo(m_pppd.pid());
    m_lineReady.reset();
    ::close(m_line);
    m_line = -1;
}

void ModemDialUp::pppdSays(const QString& line) {
    if (m_phase != Phase::Linking)
        return;
    if (line.startsWith(QStringLiteral("Connect:"))) {
        report(StartAuthentication);
    } else if (line.contains(QStringLiteral("authentication succeeded"))) {
        report(LogonNetwork);
    } else if (line.startsWith(QStringLiteral("local")) &&
               line.contains(QStringLiteral("IP address"))) {
        // Connected: from here on only pppd's end matters.
        m_phase = Phase::Up;
        m_state = Connected;
        m_pppd.stopReadingLog();
        emit Done();
    }
}

void ModemDialUp::pppdEnded(int code) {
    closeLine();
    const Phase phase = std::exchange(m_phase, Phase::Idle);
    const QString last = m_pppd.lastLogLine();
    if (phase == Phase::Linking)
        fail(Disconnected, last.isEmpty()
                               ? Pppd::exitReason(code)
                               : QStringLiteral("%1: %2").arg(Pppd::exitReason(code), last));
    else if (phase == Phase::Up)
        report(Disconnected);
}

void ModemDialUp::closeLine() {
    m_timeout.stop();
    m_lineReady.reset();
    CloseSerialLine(m_line);
    m_line = -1;
    if (m_lock && m_pppd.pid() == 0) {
        m_lock->release();
        m_lock.reset();
    }
}

// Abandons the call: a modem still taking commands or dialing is told to hang up and its line
// closed, which drops DTR; pppd is asked to end, and made to after a while.
void ModemDialUp::HangUp() {
    const Phase phase = std::exchange(m_phase, Phase::Idle);
    m_state = Disconnected;
    if (m_pppd.pid() > 0) {
        if (phase != Phase::Idle)
            m_pppd.terminate();
        return;
    }
    if (m_line >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(m_line, "\rATH\r", 5);
        closeLine();
    }
}

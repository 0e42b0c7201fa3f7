#include "Pppd.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// A descriptor moved above the ones pppd is given, so that no move onto 0 to 4 overwrites
// another that is still to be moved.
int above(int fd) {
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
}

} // namespace

Pppd::Pppd(QObject* parent) : QObject(parent) {
    connect(&m_reap, &QTimer::timeout, this, &Pppd::reap);
    m_kill.setSingleShot(true);
    connect(&m_kill, &QTimer::timeout, this, [this] {
        if (m_pid > 0)
            ::kill(m_pid, SIGKILL);
    });
}

// A pppd that is still running is left running: the link outlives the program.
Pppd::~Pppd() {
    if (m_endNotifier)
        ::close(static_cast<int>(m_endNotifier->socket()));
}

std::optional<QString> Pppd::start(const QString& program, const QString& peers,
                                   const QList<QByteArray>& options, int line,
                                   const QByteArray& password, const QString& logPath) {
    m_logPath = logPath;
    m_logRead = 0;
    m_lastLogLine.clear();
    const int log = ::open(QFile::encodeName(logPath).constData(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int pipe[2] = {-1, -1};
    if (log < 0 || ::pipe2(pipe, O_CLOEXEC) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (log >= 0)
            ::close(log);
        return QStringLiteral("pppd:n lokia %1 ei voi luoda (%2)").arg(logPath, why);
    }
    [[maybe_unused]] const ssize_t written =
        ::write(pipe[1], password.constData(), password.size());
    ::close(pipe[1]);

    m_logWatch = std::make_unique<QFileSystemWatcher>(QStringList{logPath});
    connect(m_logWatch.get(), &QFileSystemWatcher::fileChanged, this, &Pppd::readLog);

    // The plugin that reads the password is loaded by the peers file, so its descriptor's
    // option must follow `call`.
    const QByteArray path = QFile::encodeName(program);
    QList<QByteArray> arguments = {path,    "call", QFile::encodeName(peers), "passwordfd", "3",
                                   "logfd", "4"};
    arguments += options;
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);

    const int moved[] = {above(line), above(pipe[0]), above(log)};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, moved[0], 0);
    // What pppd prints before it reads `logfd`, a plugin's greeting among it, goes to the log
    // too: on the line it would reach the provider.
    posix_spawn_file_actions_adddup2(&actions, moved[2], 1);
    posix_spawn_file_actions_adddup2(&actions, moved[2], 2);
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
            : posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    for (const int fd : {moved[0], moved[1], moved[2], pipe[0], log})
        if (fd >= 0)
            ::close(fd);
    if (error != 0) {
        m_logWatch.reset();
        return QStringLiteral("pppd (%1) ei käynnisty (%2)")
            .arg(program, QString::fromLocal8Bit(std::strerror(error)));
    }

    m_pid = pid;
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (ended >= 0) {
        m_endNotifier = std::make_unique<QSocketNotifier>(ended, QSocketNotifier::Read);
        connect(m_endNotifier.get(), &QSocketNotifier::activated, this, &Pppd::reap);
    } else {
        // A kernel without pidfd (before 5.3): pppd's end is looked for once a second.
        m_reap.start(1000);
    }
    return std::nullopt;
}

void Pppd::terminate() {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    m_kill.start(3000);
}

void Pppd::stopReadingLog() {
    m_logWatch.reset();
}

void Pppd::readLog() {
    QFile file(m_logPath);
    if (!m_logWatch || !file.open(QIODevice::ReadOnly) || !file.seek(m_logRead))
        return;
    const QByteArray text = file.readAll();
    const qsizetype complete = text.lastIndexOf('\n') + 1;
    m_logRead += complete;
    for (const QByteArray& bytes : text.left(complete).split('\n')) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.isEmpty())
            continue;
        m_lastLogLine = line;
        emit logLine(line);
        if (!m_logWatch)
            return;
    }
}

void Pppd::reap() {
    int status = 0;
    if (m_pid <= 0 || ::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return;
    if (m_endNotifier)
        ::close(static_cast<int>(m_endNotifier->socket()));
    m_endNotifier.reset();
    m_reap.stop();
    m_kill.stop();
    m_pid = 0;
    readLog();
    m_logWatch.reset();
    emit ended(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

QString Pppd::exitReason(int code) {
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

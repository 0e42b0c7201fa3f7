#include "SerialLine.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(int error = errno) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The pid a lock names: leading ASCII digits (the UUCP "%10d\n" form, and Qt's lock files,
// which begin with the pid), or the four bytes of a binary pid as older programs write it.
std::optional<pid_t> lockOwner(const QByteArray& content) {
    // A binary pid ends in a zero byte (no pid reaches 2^24), which no text lock holds; read as
    // text, one whose first byte is a digit would name another process.
    if (content.size() == sizeof(pid_t) && content.endsWith('\0')) {
        pid_t pid = 0;
        std::memcpy(&pid, content.constData(), sizeof pid);
        return pid > 0 ? std::optional(pid) : std::nullopt;
    }
    const QByteArray text = content.trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits > 0) {
        bool ok = false;
        const int pid = text.left(digits).toInt(&ok);
        if (ok && pid > 0)
            return pid;
    }
    return std::nullopt;
}

bool alive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

speed_t speedOf(int baud) {
    static const std::pair<int, speed_t> speeds[] = {
        {4000000, B4000000}, {3000000, B3000000}, {2000000, B2000000}, {1000000, B1000000},
        {921600, B921600},   {460800, B460800},   {230400, B230400},   {115200, B115200},
        {57600, B57600},     {38400, B38400},     {19200, B19200},     {9600, B9600},
        {4800, B4800},       {2400, B2400},       {1200, B1200},       {300, B300}};
    for (const auto& [rate, speed] : speeds)
        if (baud >= rate)
            return speed;
    return B300;
}

} // namespace

LineLock::LineLock(const QString& device, const QString& lockFolder) {
    const QString resolved = QFileInfo(device).canonicalFilePath();
    for (const QString& name : {device, resolved}) {
        const QString path = lockFolder + QStringLiteral("/LCK..") + QFileInfo(name).fileName();
        if (!name.isEmpty() && !m_paths.contains(path)) {
            m_paths << path;
            m_locks.append({path, QFile::encodeName(path)});
        }
    }
}

// Read with bare system calls: the meter's probe asks this once a second for the whole call.
std::optional<QString> LineLock::heldBecause(const Lock& lock) {
    const int fd = ::open(lock.encoded.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return std::nullopt;
    if (fd < 0)
        return QStringLiteral("lukkoa %1 ei voi lukea (%2)").arg(lock.path, systemError());
    char content[128];
    const ssize_t length = ::read(fd, content, sizeof content);
    ::close(fd);
    const std::optional<pid_t> owner =
        lockOwner(QByteArray(content, static_cast<qsizetype>(std::max<ssize_t>(length, 0))));
    if (!owner)
        return QStringLiteral("lukon %1 sisältöä ei voi tulkita").arg(lock.path);
    if (!alive(*owner))
        return std::nullopt;
    return QStringLiteral("prosessi %1 pitää linjaa (%2)").arg(*owner).arg(lock.path);
}

std::optional<QString> LineLock::heldBecause() const {
    for (const Lock& lock : m_locks)
        if (std::optional<QString> why = heldBecause(lock))
            return why;
    return std::nullopt;
}

std::optional<pid_t> LineLock::holder() const {
    for (const Lock& lock : m_locks) {
        QFile file(lock.path);
        const std::optional<pid_t> owner =
            file.open(QIODevice::ReadOnly) ? lockOwner(file.read(128)) : std::nullopt;
        if (owner && alive(*owner))
            return owner;
    }
    return std::nullopt;
}

std::optional<QString> LineLock::take() {
    m_holder = ::getpid();
    for (const Lock& lock : m_locks) {
        if (std::optional<QString> why = take(lock)) {
            release();
            return why;
        }
    }
    return std::nullopt;
}

std::optional<QString> LineLock::take(const Lock& lock) {
    if (std::optional<QString> why = heldBecause(lock))
        return why;
    if (!write(lock, ::getpid(), false)) {
        if (errno != EEXIST)
            return QStringLiteral("lukkoa %1 ei voi kirjoittaa (%2)").arg(lock.path, systemError());
        // Another taker came first, or the lock is stale: its process is gone, and a new lock
        // is put in its place.
        if (std::optional<QString> why = heldBecause(lock))
            return why;
        if (!write(lock, ::getpid(), true))
            return QStringLiteral("lukkoa %1 ei voi kirjoittaa (%2)").arg(lock.path, systemError());
    }
    return std::nullopt;
}

void LineLock::handTo(pid_t pid) {
    if (m_holder == 0)
        return;
    for (const Lock& lock : m_locks)
        write(lock, pid, true);
    m_holder = pid;
}

void LineLock::release() {
    if (m_holder == 0)
        return;
    for (const Lock& lock : m_locks) {
        QFile file(lock.path);
        if (file.open(QIODevice::ReadOnly) && lockOwner(file.read(128)) == m_holder)
            QFile::remove(lock.path);
    }
    m_holder = 0;
}

// The lock is written whole into a file of its own and then put in place, so that no reader
// ever sees half a pid: linked when there must be no lock yet, renamed over one when replacing.
bool LineLock::write(const Lock& lock, pid_t pid, bool replace) {
    const QByteArray& path = lock.encoded;
    const QByteArray temporary = path + ".orvalin." + QByteArray::number(::getpid());
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray content = QByteArray::number(pid).rightJustified(10, ' ') + '\n';
    const bool written = ::write(fd, content.constData(), content.size()) == content.size();
    ::close(fd);
    bool placed = false;
    if (written)
        placed = replace ? ::rename(temporary.constData(), path.constData()) == 0
                         : ::link(temporary.constData(), path.constData()) == 0;
    const int error = errno;
    ::unlink(temporary.constData());
    errno = error;
    return placed;
}

OpenedLine OpenSerialLine(const QString& device, int baud) {
    const QByteArray path = QFile::encodeName(device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {-1, QStringLiteral("laitetta %1 ei voi avata (%2)").arg(device, systemError())};
    termios settings{};
    if (::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &settings) != 0) {
        const QString error = systemError();
        ::close(fd);
        return {-1, QStringLiteral("%1 ei ole sarjalinja (%2)").arg(device, error)};
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL | CRTSCTS;
    ::cfsetispeed(&settings, speedOf(baud));
    ::cfsetospeed(&settings, speedOf(baud));
    ::tcsetattr(fd, TCSANOW, &settings);
    ::tcflush(fd, TCIOFLUSH);
    return {fd, {}};
}

bool SetDtr(int fd, bool on) {
    int bits = TIOCM_DTR;
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

std::optional<bool> CarrierDetected(int fd) {
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0)
        return std::nullopt;
    return (bits & TIOCM_CAR) != 0;
}

void CloseSerialLine(int fd) {
    if (fd < 0)
        return;
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

DeviceSerialPort::DeviceSerialPort(std::function<QString(int)> deviceOf, QString lockFolder)
    : m_deviceOf(std::move(deviceOf)), m_lockFolder(std::move(lockFolder)) {}

DeviceSerialPort::~DeviceSerialPort() {
    close();
}

// The meter sets the port before every probe; the device's links are resolved once.
bool DeviceSerialPort::setPort(int number) {
    if (number < 1 || number > 4)
        return false;
    if (number != m_port) {
        m_port = number;
        m_device = m_deviceOf(number);
        m_lock.emplace(m_device, m_lockFolder);
    }
    return true;
}

// A line another program has locked is busy even for root, whom the exclusive mode of the
// open line does not keep out.
bool DeviceSerialPort::open() {
    if (m_device.isEmpty() || m_fd >= 0 || m_lock->heldBecause())
        return false;
    m_fd =
        ::open(QFile::encodeName(m_device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return m_fd >= 0;
}

bool DeviceSerialPort::close() {
    if (m_fd < 0)
        return false;
    ::close(m_fd);
    m_fd = -1;
    return true;
}

#pragma once

#include "dialer/DialUp.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <sys/types.h>

// The UUCP locks of a serial line: the files LCK..NAME in the lock folder, one named after the
// device as configured (/dev/modem) and one after the device it leads to (ttyS0), each holding
// the pid of the process that uses the line. Programs that honour these locks (pppd, minicom, a
// dialer such as wvdial) keep off a locked line, whichever of the two names they lock it by.
class LineLock {
public:
    LineLock(const QString& device, const QString& lockFolder);

    const QStringList& paths() const { return m_paths; }
    // Why the line is taken: a living process holds a lock of it, or a lock cannot be read.
    // Nothing when it is free; the lock of a process that is gone is stale and means free.
    std::optional<QString> heldBecause() const;
    // The living process that holds the line, if any.
    std::optional<pid_t> holder() const;
    // Takes the line for this process under both names, taking over stale locks; says why not
    // on failure, holding nothing then.
    std::optional<QString> take();
    // Puts another process's pid in the locks: the one that will go on using the line.
    void handTo(pid_t pid);
    // Removes each lock that still names the process it was last given to.
    void release();

private:
    struct Lock {
        QString path;
        QByteArray encoded;
    };
    static std::optional<QString> heldBecause(const Lock& lock);
    std::optional<QString> take(const Lock& lock);
    static bool write(const Lock& lock, pid_t pid, bool replace);

    QStringList m_paths;
    QList<Lock> m_locks;
    pid_t m_holder = 0;
};

// The line of a modem, opened raw for the AT commands and kept from other openers, or the reason
// it could not be opened.
struct OpenedLine {
    int fd = -1;
    QString error;
};
OpenedLine OpenSerialLine(const QString& device, int baud);
// Drops DTR, which hangs up a modem; false where the line has no modem control (a
// pseudo-terminal).
bool SetDtr(int fd, bool on);
// Whether the modem holds its carrier (DCD); nothing where the line has no modem control.
std::optional<bool> CarrierDetected(int fd);
// Lets other openers at the line again and closes it.
void CloseSerialLine(int fd);

// The meter's probe of a real modem's port: it opens when no living process holds the device's
// lock and the device itself opens.
class DeviceSerialPort : public SerialPort {
public:
    DeviceSerialPort(std::function<QString(int)> deviceOf, QString lockFolder);
    ~DeviceSerialPort() override;
    bool setPort(int number) override;
    bool open() override;
    bool close() override;

private:
    std::function<QString(int)> m_deviceOf;
    QString m_lockFolder;
    int m_port = 0;
    QString m_device;
    std::optional<LineLock> m_lock;
    int m_fd = -1;
};

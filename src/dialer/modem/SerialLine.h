#pragma once

#include "dialer/DialUp.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <sys/types.h>

// A UUCP lock of a serial line: the file LCK..NAME in the lock folder, named after the device
// with its links resolved, holding the pid of the process that uses the line. Every program that
// honours these locks (pppd, a terminal program, a second dialer) keeps off a locked line.
class LineLock {
public:
    LineLock(const QString& device, const QString& lockFolder);

    const QString& path() const { return m_path; }
    // Why the line is taken: a living process holds its lock, or the lock cannot be read. Nothing
    // when it is free; the lock of a process that is gone is stale and means free.
    std::optional<QString> heldBecause() const;
    // The living process that holds the line, if any.
    std::optional<pid_t> holder() const;
    // Takes the line for this process, taking over a stale lock; says why not on failure.
    std::optional<QString> take();
    // Puts another process's pid in the lock: the one that will go on using the line.
    void handTo(pid_t pid);
    // Removes the lock if it still names the process it was last given to.
    void release();

private:
    bool write(pid_t pid, bool replace) const;

    QString m_path;
    QByteArray m_encodedPath;
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

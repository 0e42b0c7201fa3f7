#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <sys/types.h>

class QFileSystemWatcher;
class QSocketNotifier;

// pppd carrying the link on a modem's open line. It gets the line as its standard input, the
// password through a pipe that holds nothing else, and a log file for its messages, its standard
// output and its error: a file, unlike a pipe, outlives the program without killing pppd when it
// writes, and nothing pppd says ever reaches the line.
class Pppd : public QObject {
    Q_OBJECT
public:
    explicit Pppd(QObject* parent = nullptr);
    ~Pppd() override;

    // Starts `program` with the options of the file `peers` in /etc/ppp/peers, then `options`;
    // says why not.
    std::optional<QString> start(const QString& program, const QString& peers,
                                 const QList<QByteArray>& options, int line,
                                 const QByteArray& password, const QString& logPath);
    // 0 when pppd is not running.
    pid_t pid() const { return m_pid; }
    // Asks pppd to end, and makes it three seconds later.
    void terminate();
    // From the connected state on only pppd's end matters: its log is no longer read.
    void stopReadingLog();
    QString lastLogLine() const { return m_lastLogLine; }

    // The exit code of pppd that a user can act on, in Finnish.
    static QString exitReason(int code);

signals:
    void logLine(const QString& line);
    // The exit code, or 128 and the signal that ended it.
    void ended(int code);

private:
    void readLog();
    void reap();

    pid_t m_pid = 0;
    QString m_logPath;
    qint64 m_logRead = 0;
    QString m_lastLogLine;
    std::unique_ptr<QFileSystemWatcher> m_logWatch;
    std::unique_ptr<QSocketNotifier> m_endNotifier;
    QTimer m_reap;
    QTimer m_kill;
};

#pragma once

#include "platform/Platform.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <deque>
#include <functional>

// The dial-up component's double: it records what the program asks of it, and sends the events a
// test scripts, always later through the event queue, as the real component does.
class ScriptedDialUp : public DialUp {
    Q_OBJECT
public:
    QStringList entries;
    // "Entry=...", "UserName=...", "Password=...", "Dial", "HangUp", in the order of the calls.
    QStringList calls;
    int stateCode = 0;
    QString stateText;

    int EntryCount() override { return static_cast<int>(entries.size()); }
    QString EntryAt(int index) override { return entries.value(index); }
    void setEntry(const QString& entry) override { calls << QStringLiteral("Entry=") + entry; }
    void setUserName(const QString& name) override { calls << QStringLiteral("UserName=") + name; }
    void setPassword(const QString& word) override { calls << QStringLiteral("Password=") + word; }
    void Dial() override { calls << QStringLiteral("Dial"); }
    void HangUp() override { calls << QStringLiteral("HangUp"); }
    int StateCode() const override { return stateCode; }
    QString StateText() const override { return stateText; }
    QStringList openLinks;
    QStringList OpenLinks() override { return openLinks; }

    // Reports this state in a Progress event, later through the event queue, and waits until
    // the program has handled it.
    void report(int code, const QString& text);
    // Ends the call in this final state with a Done event, the same way.
    void finish(int code);
};

// The alarm clock's double: a test fires each tick itself.
class FakeAlarm : public AlarmClock {
    Q_OBJECT
public:
    using AlarmClock::AlarmClock;
    void setPattern(int, const QString&) override {}
    void fire(int identifier = 1) { emit Alarm(identifier, QTime::currentTime()); }
};

// What the serial ports of a test see: the busy port numbers and every call made.
struct SerialPortState {
    QSet<int> busy;
    QStringList calls;
};

class RecordingSound : public Sound {
public:
    QStringList played;
    void play(const QString& path) override { played << path; }
};

// Records every message and answers it with the next queued answer (Ok, or No for a question,
// when none is queued).
class AnsweringMessages : public MessageBoxes {
public:
    QList<Message> shown;
    std::deque<Message::Answer> answers;
    // Runs while the message is up, before it is answered: what the program looks like then.
    std::function<void(const Message&)> whileShown;
    Message::Answer show(const Message& message) override;
    QStringList texts() const;
    // Each message as the user sees it: "Critical, system modal: text", with its buttons when
    // they are Yes and No and its title when it is not the program's name.
    QStringList seen() const;
};

class ScriptedSingleInstance : public SingleInstance {
public:
    bool running = false;
    bool anotherCopyRunning() override { return running; }
};

class FixedCalendar : public Calendar {
public:
    QString hourText = QStringLiteral("10");
    QString weekdayText = QStringLiteral("tiistai");
    QString longDateText = QStringLiteral("6. joulukuuta 2026");
    QString hour() const override { return hourText; }
    QString weekday() const override { return weekdayText; }
    QString longDate() const override { return longDateText; }
    QDateTime moment{QDate(2026, 12, 8), QTime(10, 0), Qt::OffsetFromUTC, 2 * 3600};
    QDateTime now() const override { return moment; }
};

class FixedEnvironment : public Environment {
public:
    QString folder = QStringLiteral("/opt/orvalin/share/orvalin");
    int versionMajor() const override { return 1; }
    int versionMinor() const override { return 0; }
    QString dataFolder() const override { return folder; }
    QSize screenSize() const override { return {1024, 768}; }
};

class TestPlatform : public Platform {
public:
    ScriptedDialUp dialer;
    QList<QPointer<FakeAlarm>> alarms;
    SerialPortState ports;
    RecordingSound sounds;
    AnsweringMessages messageBoxes;
    ScriptedSingleInstance instance;
    FixedCalendar clock;
    FixedEnvironment env;

    DialUp& dialUp() override { return dialer; }
    AlarmClock* createAlarm(QObject* parent) override;
    std::unique_ptr<SerialPort> createSerialPort() override;
    std::unique_ptr<Flasher> createFlasher(QWidget* window) override;
    Sound& sound() override { return sounds; }
    MessageBoxes& messages() override { return messageBoxes; }
    SingleInstance& singleInstance() override { return instance; }
    Calendar& calendar() override { return clock; }
    Environment& environment() override { return env; }

    // The alarm clock of the window opened last.
    FakeAlarm& alarm();
};

#pragma once

#include "dialer/DialUp.h"

#include <QDateTime>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTime>
#include <memory>

class QWidget;

// The outside components and services the windows use, each behind a small interface, so that
// tests can put a double in place of every one of them. The dial-up component and the port its
// modem holds are the dialer's own interfaces.

// The alarm clock: armed with time-of-day patterns ("??:??:??", a "?" for any digit), it raises
// one event for every second of the wall clock that matches an armed pattern.
class AlarmClock : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void setPattern(int alarm, const QString& pattern) = 0;

signals:
    void Alarm(int identifier, const QTime& time);
};

// Flashing of one window, to draw the user's eye to it.
class Flasher {
public:
    virtual ~Flasher() = default;
    virtual bool isFlashing() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
};

// Asynchronous playback of a WAVE file; the result is not used.
class Sound {
public:
    virtual ~Sound() = default;
    virtual void play(const QString& path) = 0;
};

struct Message {
    enum class Icon { None, Information, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    QString text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    Answer defaultButton = Answer::Ok;
    // Kept above every other window until answered.
    bool systemModal = false;
    QString title = QStringLiteral("Orvalin");
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual Message::Answer show(const Message& message) = 0;
};

// Whether another copy of the program runs for this user.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    virtual bool anotherCopyRunning() = 0;
};

// The current date and time in the forms the program's rules use, always in Finnish.
class Calendar {
public:
    virtual ~Calendar() = default;
    // Two-digit hour, "00" to "23".
    virtual QString hour() const = 0;
    // The full weekday name, "maanantai" to "sunnuntai".
    virtual QString weekday() const = 0;
    virtual QString longDate() const = 0;
    // Now, in local time with its offset from UTC.
    virtual QDateTime now() const = 0;
};

// Facts about the program and the machine it runs on.
class Environment {
public:
    virtual ~Environment() = default;
    virtual int versionMajor() const = 0;
    virtual int versionMinor() const = 0;
    // The folder holding the program's sound files.
    virtual QString dataFolder() const = 0;
    // The screen's size in pixels.
    virtual QSize screenSize() const = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    virtual DialUp& dialUp() = 0;
    virtual AlarmClock* createAlarm(QObject* parent) = 0;
    virtual std::unique_ptr<SerialPort> createSerialPort() = 0;
    virtual std::unique_ptr<Flasher> createFlasher(QWidget* window) = 0;
    virtual Sound& sound() = 0;
    virtual MessageBoxes& messages() = 0;
    virtual SingleInstance& singleInstance() = 0;
    virtual Calendar& calendar() = 0;
    virtual Environment& environment() = 0;
};

// The platform the windows use: the Linux one in the program, doubles in tests.
Platform& platform();
void setPlatform(Platform* platform);

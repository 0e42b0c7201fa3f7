#pragma once

#include "Platform.h"

#include <memory>

class LinuxDialUp;

// The platform of the running program on Linux.
class LinuxPlatform : public Platform {
public:
    LinuxPlatform();
    ~LinuxPlatform() override;

    DialUp& dialUp() override;
    AlarmClock* createAlarm(QObject* parent) override;
    std::unique_ptr<SerialPort> createSerialPort() override;
    std::unique_ptr<Flasher> createFlasher(QWidget* window) override;
    Sound& sound() override;
    MessageBoxes& messages() override;
    SingleInstance& singleInstance() override;
    Calendar& calendar() override;
    Environment& environment() override;

    // The dial-up component with its phonebook's problems.
    LinuxDialUp& linuxDialUp();

private:
    std::unique_ptr<LinuxDialUp> m_dialUp;
    std::unique_ptr<Sound> m_sound;
    std::unique_ptr<MessageBoxes> m_messages;
    std::unique_ptr<SingleInstance> m_singleInstance;
    std::unique_ptr<Calendar> m_calendar;
    std::unique_ptr<Environment> m_environment;
};

// A window's flasher on every desktop, shared by the real platform and its test double.
std::unique_ptr<Flasher> CreateWindowFlasher(QWidget* window);

// The Finnish calendar texts of a moment, shared by the real calendar and its test double.
QString FinnishHour(const QDateTime& moment);
QString FinnishWeekday(const QDate& date);
QString FinnishLongDate(const QDate& date);
// The month's name as it stands alone, "joulukuu".
QString FinnishMonth(int month);

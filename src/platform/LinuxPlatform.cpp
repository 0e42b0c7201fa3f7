#include "LinuxPlatform.h"

#include "RealTimeAlarm.h"
#include "dialer/LinuxDialUp.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <canberra.h>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QLocale finnish() {
    return QLocale(QLocale::Finnish, QLocale::Finland);
}

// The user's own folder for what lives only while the program runs.
QString runtimeFolder() {
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return folder.isEmpty() || !QDir(folder).exists() ? QDir::tempPath() : folder;
}

// The phonebook files in their order. The system's wvdial configuration can be named by
// ORVALIN_SYSTEM_WVDIAL, so that a test or a second setup never reads the machine's own.
PhonebookFiles phonebookFiles() {
    const QString system = qEnvironmentVariable("ORVALIN_SYSTEM_WVDIAL");
    return {SettingsStore::configFolder() + QStringLiteral("/puhelinluettelo.conf"),
            {system.isEmpty() ? QStringLiteral("/etc/wvdial.conf") : system,
             QDir::homePath() + QStringLiteral("/.wvdialrc")}};
}

// Flashes a window where the user sees it: its background turns to a light amber and back once a
// second, and at every turn to amber the window manager is asked for attention again, since it
// clears the urgency hint when the window is activated and the user may look away again.
class WindowFlasher : public Flasher {
public:
    explicit WindowFlasher(QWidget* window) : m_window(window) {
        m_turn.setInterval(500);
        QObject::connect(&m_turn, &QTimer::timeout, [this] { light(!m_lit); });
    }
    ~WindowFlasher() override { stop(); }
    bool isFlashing() const override { return m_turn.isActive(); }
    void start() override {
        if (isFlashing())
            return;
        light(true);
        m_turn.start();
    }
    void stop() override {
        m_turn.stop();
        light(false);
    }

private:
    void light(bool on) {
        if (!m_window || on == m_lit)
            return;
        if (on) {
            m_unlit = m_window->palette();
            QPalette palette = m_unlit;
            palette.setColor(QPalette::Window, FlashColour);
            m_window->setPalette(palette);
            if (m_window->isVisible())
                QApplication::alert(m_window, 0);
        } else {
            m_window->setPalette(m_unlit);
        }
        m_lit = on;
    }

    static inline const QColor FlashColour{255, 214, 102};
    QPointer<QWidget> m_window;
    QPalette m_unlit;
    bool m_lit = false;
    QTimer m_turn;
};

// The sound system, with the libraries it loads, is held only while sounds play and a while
// after: a call without alarms plays one sound in hours, and the meter need not keep a megabyte
// for it. The alarm's sound every five seconds keeps it. libcanberra itself is loaded then too,
// which also keeps it and its codecs off the way to the first window; without it the program is
// silent and says so once.
class CanberraSound : public Sound {
public:
    CanberraSound() {
        m_release.setSingleShot(true);
        m_release.setInterval(10000);
        QObject::connect(&m_release, &QTimer::timeout, &m_release, [this] { release(); });
    }
    ~CanberraSound() override { letGo(); }
    void play(const QString& path) override {
        if (!QFile::exists(path) || (!m_context && !hold()))
            return;
        m_play(m_context, Playing, CA_PROP_MEDIA_FILENAME, QFile::encodeName(path).constData(),
               CA_PROP_APPLICATION_NAME, "Orvalin", nullptr);
        m_release.start();
    }

private:
    bool hold() {
        m_library = ::dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
        if (m_library && resolve(m_create, "ca_context_create") &&
            resolve(m_destroy, "ca_context_destroy") && resolve(m_play, "ca_context_play") &&
            resolve(m_playing, "ca_context_playing") && m_create(&m_context) == CA_SUCCESS)
            return true;
        if (!std::exchange(m_told, true))
            std::fprintf(stderr, "orvalin: äänet eivät soi: %s\n",
                         m_library ? "libcanberra ei käynnisty" : ::dlerror());
        m_context = nullptr; // a context that failed to be made is none to destroy
        letGo();
        return false;
    }
    void letGo() {
        if (m_context)
            m_destroy(std::exchange(m_context, nullptr));
        if (m_library)
            ::dlclose(std::exchange(m_library, nullptr));
    }
    template <class Function> bool resolve(Function& function, const char* name) {
        function = reinterpret_cast<Function>(::dlsym(m_library, name));
        return function != nullptr;
    }
    void release() {
        int playing = 0;
        if (m_playing(m_context, Playing, &playing) == CA_SUCCESS && playing) {
            m_release.start();
            return;
        }
        letGo();
    }

    // The one id the program's sounds are played under.
    static constexpr uint32_t Playing = 1;
    void* m_library = nullptr;
    int (*m_create)(ca_context**) = nullptr;
    int (*m_destroy)(ca_context*) = nullptr;
    int (*m_play)(ca_context*, uint32_t, ...) = nullptr;
    int (*m_playing)(ca_context*, uint32_t, int*) = nullptr;
    ca_context* m_context = nullptr;
    bool m_told = false;
    QTimer m_release;
};

class QtMessageBoxes : public MessageBoxes {
public:
    Message::Answer show(const Message& message) override {
        QMessageBox box;
        box.setWindowTitle(message.title);
        box.setText(message.text);
        switch (message.icon) {
        case Message::Icon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Message::Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Message::Icon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        if (message.buttons == Message::Buttons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(message.defaultButton == Message::Answer::Yes ? QMessageBox::Yes
                                                                               : QMessageBox::No);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        box.setWindowModality(Qt::ApplicationModal);
        if (message.systemModal)
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return Message::Answer::Yes;
        case QMessageBox::No:
            return Message::Answer::No;
        default:
            return Message::Answer::Ok;
        }
    }
};

// A lock on a file in the user's runtime folder, held while the program runs and released by
// the system however the program ends.
class LockFileInstance : public SingleInstance {
public:
    ~LockFileInstance() override {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool anotherCopyRunning() override {
        if (m_fd >= 0)
            return false;
        const QByteArray path =
            QFile::encodeName(runtimeFolder() + QStringLiteral("/orvalin-%1.lock").arg(getuid()));
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return true;
        }
        m_fd = fd;
        return false;
    }

private:
    int m_fd = -1;
};

class FinnishCalendar : public Calendar {
public:
    QString hour() const override { return FinnishHour(QDateTime::currentDateTime()); }
    QString weekday() const override { return FinnishWeekday(QDate::currentDate()); }
    // The meter's journal asks for it every second.
    QString longDate() const override {
        if (const QDate today = QDate::currentDate(); today != m_day) {
            m_day = today;
            m_longDate = FinnishLongDate(today);
        }
        return m_longDate;
    }
    QDateTime now() const override {
        const QDateTime local = QDateTime::currentDateTime();
        return local.toOffsetFromUtc(local.offsetFromUtc());
    }

private:
    mutable QDate m_day;
    mutable QString m_longDate;
};

class QtEnvironment : public Environment {
public:
    int versionMajor() const override { return ORVALIN_VERSION_MAJOR; }
    int versionMinor() const override { return ORVALIN_VERSION_MINOR; }
    QString dataFolder() const override {
        return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                               QStringLiteral("/../share/orvalin"));
    }
    QSize screenSize() const override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().size() : QSize(1024, 768);
    }
};

} // namespace

QString FinnishHour(const QDateTime& moment) {
    return QStringLiteral("%1").arg(moment.time().hour(), 2, 10, QLatin1Char('0'));
}

QString FinnishWeekday(const QDate& date) {
    // The stand-alone name: the date format's "dddd" gives the essive "tiistaina".
    return finnish().standaloneDayName(date.dayOfWeek(), QLocale::LongFormat);
}

QString FinnishMonth(int month) {
    return finnish().standaloneMonthName(month, QLocale::LongFormat);
}

QString FinnishLongDate(const QDate& date) {
    return finnish().toString(date, QStringLiteral("d. MMMM yyyy"));
}

LinuxPlatform::LinuxPlatform()
    : m_dialUp(std::make_unique<LinuxDialUp>(phonebookFiles(),
                                             ModemSystem{.logFolder = runtimeFolder()})),
      m_sound(std::make_unique<CanberraSound>()), m_messages(std::make_unique<QtMessageBoxes>()),
      m_singleInstance(std::make_unique<LockFileInstance>()),
      m_calendar(std::make_unique<FinnishCalendar>()),
      m_environment(std::make_unique<QtEnvironment>()) {}

LinuxPlatform::~LinuxPlatform() = default;

DialUp& LinuxPlatform::dialUp() {
    return *m_dialUp;
}

AlarmClock* LinuxPlatform::createAlarm(QObject* parent) {
    return new RealTimeAlarm(parent);
}

std::unique_ptr<SerialPort> LinuxPlatform::createSerialPort() {
    return m_dialUp->createSerialPort();
}

std::unique_ptr<Flasher> CreateWindowFlasher(QWidget* window) {
    return std::make_unique<WindowFlasher>(window);
}

std::unique_ptr<Flasher> LinuxPlatform::createFlasher(QWidget* window) {
    return CreateWindowFlasher(window);
}

Sound& LinuxPlatform::sound() {
    return *m_sound;
}
MessageBoxes& LinuxPlatform::messages() {
    return *m_messages;
}
SingleInstance& LinuxPlatform::singleInstance() {
    return *m_singleInstance;
}
Calendar& LinuxPlatform::calendar() {
    return *m_calendar;
}
Environment& LinuxPlatform::environment() {
    return *m_environment;
}

LinuxDialUp& LinuxPlatform::linuxDialUp() {
    return *m_dialUp;
}

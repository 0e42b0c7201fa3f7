// Start-up time of the built orvalin: from starting the process to its window "Orvalin 1.0" being
// mapped on the X server, next to the same figure for the smallest Qt Widgets program
// (bench_startup_window). Both run in a private Xvfb, each run with the same settings folder, and
// each window is closed the way a window manager closes it before the next run starts. Besides
// the wall-clock time, the processor time the program used up to its window is given, which a
// busy machine disturbs less.
//
// Usage: bench_startup [--runs N] [--log-store FILE]
//   --log-store FILE  compares the program over an empty log with the program over the log held
//                     by FILE, a settings store (bench_log makes one), instead of comparing it with
//                     the smallest Qt program.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

struct Program {
    QString name;
    QString path;
    QStringList arguments;
    QString title;
    QString configFolder;
    QList<double> wall;
    QList<double> cpu;
};

// A private X server, watched for windows being mapped.
class XServer {
public:
    bool start() {
        m_xvfb.start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                      QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
                      QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!m_xvfb.waitForStarted() || !m_xvfb.waitForReadyRead(10000))
            return false;
        m_display = u':' + QString::fromLatin1(m_xvfb.readLine().trimmed());
        m_connection = xcb_connect(qPrintable(m_display), nullptr);
        if (xcb_connection_has_error(m_connection))
            return false;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        m_netWmName = atom("_NET_WM_NAME");
        m_utf8String = atom("UTF8_STRING");
        m_wmProtocols = atom("WM_PROTOCOLS");
        m_wmDeleteWindow = atom("WM_DELETE_WINDOW");
        xcb_flush(m_connection);
        return true;
    }

    ~XServer() {
        if (m_connection)
            xcb_disconnect(m_connection);
        m_xvfb.terminate();
        m_xvfb.waitForFinished();
    }

    QString display() const { return m_display; }

    // Forgets the events of earlier runs.
    void drain() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

    // The window with this title, once it is mapped; nothing when the time runs out.
    std::optional<xcb_window_t> waitForWindow(const QString& title, int milliseconds) {
        QElapsedTimer timer;
        timer.start();
        pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        while (timer.elapsed() < milliseconds) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                std::optional<xcb_window_t> found;
                if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                    if (windowTitle(map->window) == title)
                        found = map->window;
                }
                std::free(event);
                if (found)
                    return found;
            }
            poll(&descriptor, 1, static_cast<int>(milliseconds - timer.elapsed()));
        }
        return std::nullopt;
    }

    // Asks the window to close, as the close box does.
    void close(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = m_wmProtocols;
        message.data.data32[0] = m_wmDeleteWindow;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(m_connection);
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    }

    QString windowTitle(xcb_window_t window) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, m_netWmName, m_utf8String, 0, 256), nullptr);
        QString title;
        if (reply)
            title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                      xcb_get_property_value_length(reply));
        std::free(reply);
        return title;
    }

    QProcess m_xvfb;
    QString m_display;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_netWmName = 0;
    xcb_atom_t m_utf8String = 0;
    xcb_atom_t m_wmProtocols = 0;
    xcb_atom_t m_wmDeleteWindow = 0;
};

// Processor time used so far by a running process, all its threads together, from the
// scheduler's nanosecond counts.
double processorMilliseconds(qint64 pid) {
    double total = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + u'/' + task + QStringLiteral("/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly))
            total += schedstat.readAll().split(' ').value(0).toDouble() / 1e6;
    }
    return total;
}

bool run(Program& program, XServer& server, const QString& runtimeFolder, bool record) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), server.display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), program.configFolder);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    server.drain();

    QElapsedTimer timer;
    timer.start();
    process.start(program.path, program.arguments);
    const std::optional<xcb_window_t> window = server.waitForWindow(program.title, 30000);
    const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double cpu = processorMilliseconds(process.processId());
    if (!window) {
        std::fprintf(stderr, "%s showed no window \"%s\"\n", qPrintable(program.path),
                     qPrintable(program.title));
        process.kill();
        process.waitForFinished();
        return false;
    }
    server.close(*window);
    if (!process.waitForFinished(60000)) {
        std::fprintf(stderr, "%s did not end when its window was closed\n",
                     qPrintable(program.path));
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (record) {
        program.wall << wall;
        program.cpu << cpu;
    }
    return true;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    int runs = 20;
    QString logStore;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QStringLiteral("--runs"))
            runs = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QStringLiteral("--log-store"))
            logStore = arguments[i + 1];
    }

    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir folder;
    const QString runtime = folder.path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString orvalinTitle = QStringLiteral("Orvalin 1.0");
    QList<Program> programs;
    if (logStore.isEmpty()) {
        programs << Program{QStringLiteral("smallest Qt window, a label"),
                            bin + QStringLiteral("/bench_startup_window"),
                            {},
                            QStringLiteral("Minimal Qt window"),
                            folder.path() + QStringLiteral("/minimal"),
                            {},
                            {}};
        programs << Program{QStringLiteral("orvalin"),
                            bin + QStringLiteral("/orvalin"),
                            {},
                            orvalinTitle,
                            folder.path() + QStringLiteral("/empty"),
                            {},
                            {}};
        programs << Program{QStringLiteral("smallest Qt window, empty"),
                            bin + QStringLiteral("/bench_startup_window"),
                            {QStringLiteral("empty")},
                            QStringLiteral("Minimal Qt window"),
                            folder.path() + QStringLiteral("/minimal"),
                            {},
                            {}};
    } else {
        programs << Program{QStringLiteral("orvalin, empty log"),
                            bin + QStringLiteral("/orvalin"),
                            {},
                            orvalinTitle,
                            folder.path() + QStringLiteral("/empty"),
                            {},
                            {}};
        programs << Program{QStringLiteral("orvalin, log of the store"),
                            bin + QStringLiteral("/orvalin"),
                            {},
                            orvalinTitle,
                            folder.path() + QStringLiteral("/log"),
                            {},
                            {}};
        const QString store = programs.last().configFolder + QStringLiteral("/Orvalin");
        QDir().mkpath(store);
        if (!QFile::copy(logStore, store + QStringLiteral("/Orvalin.sqlite"))) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(logStore));
            return 1;
        }
    }

    XServer server;
    if (!server.start()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    // One run each first, not counted: it fills the file cache and makes the settings store.
    for (Program& program : programs)
        if (!run(program, server, runtime, false))
            return 1;
    for (int i = 0; i < runs; ++i)
        for (Program& program : programs)
            if (!run(program, server, runtime, true))
                return 1;

    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    loadAverage.open(QIODevice::ReadOnly);
    std::printf("Start-up to the first window mapped, %d runs each (%ld processors, load average "
                "%s)\n",
                runs, sysconf(_SC_NPROCESSORS_ONLN),
                loadAverage.readAll().split(' ').value(0).constData());
    std::printf("  %-28s %10s %10s %10s %14s\n", "", "median", "min", "max", "processor");
    for (const Program& program : std::as_const(programs))
        std::printf(
            "  %-28s %7.1f ms %7.1f ms %7.1f ms %11.1f ms\n", qPrintable(program.name),
            median(program.wall), *std::min_element(program.wall.begin(), program.wall.end()),
            *std::max_element(program.wall.begin(), program.wall.end()), median(program.cpu));
    // The program is compared with the first program of the list, the smallest Qt window or the
    // program over an empty log; the goal is on that ratio.
    const double goal = 1.25;
    const Program& subject = programs[1];
    for (qsizetype i = 0; i < programs.size(); ++i) {
        if (i == 1)
            continue;
        const double ratio = median(subject.wall) / median(programs[i].wall);
        std::printf("  %s / %s: %.2f (processor time %.2f)", qPrintable(subject.name),
                    qPrintable(programs[i].name), ratio,
                    median(subject.cpu) / median(programs[i].cpu));
        if (i == 0)
            std::printf("; goal <= %.2f: %s", goal, ratio <= goal ? "met" : "MISSED");
        std::printf("\n");
    }
    return 0;
}

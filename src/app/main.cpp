#include "app/CommandLine.h"
#include "app/Program.h"
#include "common/FormRegistry.h"
#include "dialer/LinuxDialUp.h"
#include "meter/MeterWindow.h"
#include "platform/LinuxPlatform.h"
#include "settings/SettingsStore.h"
#include "transfer/Transfer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};
bool g_endRequested = false;

extern "C" void OnEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// A call is never lost to the way the program is ended: a termination signal, a closed terminal
// or the end of the desktop session end the run as the meter's close does, logging the call and
// storing the totals, without waiting for anyone to answer the summary. The signals reach the
// event loop through a pipe, since a signal handler may do nothing more.
void EndRunOnSignalsAndSessionEnd(QApplication& application) {
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &application,
                     [](QSessionManager&) { EndRunNow(); });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &application, &EndRunNow);
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [] {
        char bytes[16];
        while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        g_endRequested = true;
        EndRunNow();
        // A message that was already up when the signal came waits in a loop of its own.
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

// Once, after start-up, in a message and on standard error: what the phonebook and the machine
// say about the entries.
void ShowSetupNotes(LinuxPlatform& linuxPlatform) {
    QStringList parts;
    for (const LinuxDialUp::SetupNote& note : linuxPlatform.linuxDialUp().setupNotes()) {
        parts << note.heading + u'\n' + note.lines.join(u'\n');
        for (const QString& line : note.lines)
            std::fprintf(stderr, "orvalin: %s\n", qPrintable(line));
    }
    if (!parts.isEmpty())
        linuxPlatform.messages().show(
            {parts.join(QStringLiteral("\n\n")), Message::Icon::Information});
}

// The sounds are silent when missing, so a copy installed without them says so where its user
// can see why.
void ReportMissingSounds(const QString& folder) {
    for (const char* name : {"yhteys.wav", "hälytys.wav"}) {
        const QString path = folder + u'/' + QString::fromUtf8(name);
        if (!QFileInfo::exists(path))
            std::fprintf(stderr, "orvalin: äänitiedosto puuttuu: %s\n", qPrintable(path));
    }
}

// An import asks in windows when there is a display to show them on, and in the terminal when
// there is none; the export has nothing to ask.
int RunTransfer(int& argc, char** argv, const TransferRequest& request, bool display) {
    TerminalMessages terminal;
    if (request.kind == TransferRequest::Kind::ExportLog) {
        const QCoreApplication application(argc, argv);
        return ExportLogFile(request.file, SettingsStore::defaultPath(), terminal);
    }
    std::unique_ptr<QCoreApplication> application =
        display ? std::make_unique<QApplication>(argc, argv)
                : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvalin"));
    if (display)
        ApplyProgramLook(static_cast<QApplication&>(*application));
    LinuxPlatform linuxPlatform;
    setPlatform(&linuxPlatform);
    const int status = ImportRegistryExport(request.file, request.yes, request.replace,
                                            SettingsStore::defaultPath(),
                                            display ? linuxPlatform.messages() : terminal);
    SettingsStore::close();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<QString> information = RequestedInformation(arguments)) {
        std::fputs(qPrintable(*information), stdout);
        return 0;
    }
    const TransferRequest transfer = RequestedTransfer(arguments);
    if (!transfer.error.isEmpty()) {
        std::fputs(qPrintable(transfer.error), stderr);
        return 2;
    }
    const bool x11 = qEnvironmentVariableIsSet("DISPLAY");
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (transfer.kind != TransferRequest::Kind::None) {
        const bool display =
            chosen.isEmpty() ? x11 || wayland : chosen != "offscreen" && chosen != "minimal";
        if (display && chosen.isEmpty() && x11)
            qputenv("QT_QPA_PLATFORM", "xcb");
        return RunTransfer(argc, argv, transfer, display);
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        if (!x11 && !wayland) {
            std::fputs("orvalin: ei näyttöä (DISPLAY tai WAYLAND_DISPLAY puuttuu): Orvalin "
                       "tarvitsee graafisen työpöydän.\n",
                       stderr);
            return 1;
        }
        // Keep-on-top and window positions need X11; under Wayland run through XWayland.
        if (x11)
            qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // The meter repaints two small values every second. Through shared memory each repaint first
    // waits for the X server to be done with the last image, a round trip; over the connection
    // the few kilobytes go without one. The program's windows are small: nothing gains from
    // shared memory.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");

    QApplication application(argc, argv);
    if (const std::optional<QString> unknown = UnknownArgument(QApplication::arguments())) {
        std::fputs(qPrintable(*unknown), stderr);
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Orvalin"));
    QApplication::setQuitOnLastWindowClosed(false);
    ApplyProgramLook(application);

    LinuxPlatform linuxPlatform;
    setPlatform(&linuxPlatform);
    ReportMissingSounds(linuxPlatform.environment().dataFolder());
    // The desktop matches the windows to the menu's entry, and its icon, by this name. The
    // windows' own icon is the program's file: a search of the icon themes would take a quarter
    // of the start-up, for the same picture.
    QGuiApplication::setDesktopFileName(QStringLiteral("fi.orvalin.Orvalin"));
    // Read as the PNG it is: left to guess, Qt would load every image plugin to ask each.
    QImageReader icon(linuxPlatform.environment().dataFolder() + QStringLiteral("/orvalin.png"),
                      "png");
    icon.setAutoDetectImageFormat(false);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon.read())));
    QObject::connect(&FormRegistry::instance(), &FormRegistry::allUnloaded, &application,
                     &QCoreApplication::quit);

    EndRunOnSignalsAndSessionEnd(application);
    if (const std::optional<int> status = StartProgram(SettingsStore::defaultPath()))
        return *status;

    ShowSetupNotes(linuxPlatform);

    // A signal that came while the start-up message was up has ended the run before the main
    // loop began, which would otherwise wait for a quit that was already asked for.
    const int status = g_endRequested ? 0 : QApplication::exec();
    SettingsStore::close();
    return status;
}

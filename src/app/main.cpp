#include "app/Program.h"
#include "common/FormRegistry.h"
#include "platform/LinuxPlatform.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <cstdio>

int main(int argc, char** argv) {
    const bool x11 = qEnvironmentVariableIsSet("DISPLAY");
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
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

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvalin"));
    QApplication::setQuitOnLastWindowClosed(false);
    ApplyProgramLook(application);

    LinuxPlatform linuxPlatform;
    setPlatform(&linuxPlatform);
    QApplication::setWindowIcon(
        QIcon(linuxPlatform.environment().dataFolder() + QStringLiteral("/orvalin.png")));
    QObject::connect(&FormRegistry::instance(), &FormRegistry::allUnloaded, &application,
                     &QCoreApplication::quit);

    if (!StartProgram(SettingsStore::defaultPath()))
        return 0;

    const QStringList problems = linuxPlatform.phonebookProblems();
    if (!problems.isEmpty()) {
        for (const QString& problem : problems)
            std::fprintf(stderr, "orvalin: %s\n", qPrintable(problem));
        linuxPlatform.messages().show(
            {QStringLiteral("Puhelinluettelon virheelliset rivit ohitettiin:\n") +
                 problems.join(u'\n'),
             Message::Icon::Information});
    }

    const int status = QApplication::exec();
    SettingsStore::close();
    return status;
}

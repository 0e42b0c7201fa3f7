#include "Program.h"

#include "Form1.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "log/CallLog.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

void ApplyProgramLook(QApplication& application) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    application.setFont(font);
    auto* translator = new QTranslator(&application);
    if (translator->load(QStringLiteral("qtbase_fi"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

std::optional<int> StartProgram(const QString& storePath) {
    if (platform().singleInstance().anotherCopyRunning()) {
        platform().messages().show({QStringLiteral("Ohjelmasta voi käynnistää vain yhden kopion."),
                                    Message::Icon::Critical});
        return 0;
    }
    if (const std::optional<QString> problem = SettingsStore::open(storePath)) {
        platform().messages().show({*problem, Message::Icon::Critical});
        return 1;
    }
    SettingsStore::setFailureHandler([](const QString& message) {
        // Shown once the writer is done: a store write may come in the middle of the meter's
        // tick.
        QTimer::singleShot(0, qApp, [message] {
            platform().messages().show({message, Message::Icon::Critical});
        });
    });
    SettingsStore::setDamageHandler([](const QString& message) {
        QTimer::singleShot(0, qApp, [message] {
            platform().messages().show({message, Message::Icon::Critical});
            QCoreApplication::exit(1);
        });
    });
    // Finished before the start-up window loads the log viewer, which then reads the row.
    const std::optional<QString> recovered = FinishInterruptedCall();
    form<Form1>().show();
    if (recovered) {
        // A real modem's link can outlive the run that dialed it, and goes on unmetered.
        const QStringList links = platform().dialUp().OpenLinks();
        platform().messages().show(
            {links.isEmpty() ? *recovered : *recovered + QStringLiteral("\n\n") + links.join(u'\n'),
             Message::Icon::Information});
    }
    return std::nullopt;
}

#include "Program.h"

#include "Form1.h"
#include "common/FormRegistry.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QLibraryInfo>
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

bool StartProgram(const QString& storePath) {
    if (platform().singleInstance().anotherCopyRunning()) {
        platform().messages().show({QStringLiteral("Ohjelmasta voi käynnistää vain yhden kopion."),
                                    Message::Icon::Critical});
        return false;
    }
    if (const std::optional<QString> problem = SettingsStore::open(storePath)) {
        platform().messages().show({*problem, Message::Icon::Critical});
        return false;
    }
    form<Form1>().show();
    return true;
}

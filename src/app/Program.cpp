#include "Program.h"

#include "Form1.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "log/Form7.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>
#include <algorithm>

void ApplyProgramLook(QApplication& application) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    application.setFont(font);
    auto* translator = new QTranslator(&application);
    if (translator->load(QStringLiteral("qtbase_fi"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

namespace {

// A journal holds a call only if every part of it reads as the meter writes it.
bool Readable(const CallJournal& journal) {
    static const QRegularExpression duration(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    const QString price = journal.price;
    return !journal.date.isEmpty() && duration.match(journal.duration).hasMatch() &&
           price.endsWith(QStringLiteral(" markkaa")) &&
           ParseNumber(price.chopped(8)).has_value() && journal.totals.size() == 5 &&
           std::all_of(journal.totals.begin(), journal.totals.begin() + 3, IsDigits) &&
           ParseNumber(journal.totals[3]) && ParseNumber(journal.totals[4]);
}

} // namespace

std::optional<QString> FinishInterruptedCall() {
    SettingsStore* store = SettingsStore::current();
    const std::optional<CallJournal> journal = store->journal();
    if (!journal || !store->writable())
        return std::nullopt;
    if (!Readable(*journal)) {
        store->setJournalAside();
        return QStringLiteral("Edellisen käynnistyskerran keskeytyneen yhteyden tietoja ei voi "
                              "lukea. Niitä ei kirjattu päiväkirjaan; ne on siirretty talteen "
                              "asetustiedoston tauluun journal_aside.");
    }
    const qint32 row = LogLength(GetSection(Keys::App, Keys::Päivämäärä));
    {
        const SettingsTransaction transaction;
        if (!journal->totalsStored) {
            const QString keys[] = {Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit,
                                    Keys::Kustannukset1, Keys::Kustannukset2};
            for (int i = 0; i < 5; ++i)
                SaveSetting(Keys::App, Keys::Asetukset, keys[i], journal->totals[i]);
        }
        const QString key = QString::number(row);
        SaveSetting(Keys::App, Keys::Päivämäärä, key, journal->date);
        SaveSetting(Keys::App, Keys::Kesto, key, journal->duration);
        SaveSetting(Keys::App, Keys::Hinta, key, journal->price);
        store->clearJournal();
    }
    return QStringLiteral("Edellinen käynnistyskerta päättyi kesken yhteyden. Yhteys on nyt "
                          "kirjattu päiväkirjaan: kesto %1, hinta %2.")
        .arg(journal->duration, journal->price);
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
    return true;
}

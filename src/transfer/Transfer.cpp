#include "Transfer.h"

#include "RegistryExport.h"
#include "common/Keys.h"
#include "log/CallLog.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

const QString NothingWritten = QStringLiteral("Mitään ei tuotu.");
const QString Markkaa = QStringLiteral(" markkaa");
const QString PenniäText = QStringLiteral(" penniä");
const QString Zero = QStringLiteral("0");

const QStringList& ProgramSections() {
    static const QStringList sections = {Keys::Asetukset,  Keys::Tyyppi1, Keys::Tyyppi2,
                                         Keys::Päivämäärä, Keys::Kesto,   Keys::Hinta};
    return sections;
}

const QStringList& LogSections() {
    static const QStringList sections = {Keys::Päivämäärä, Keys::Kesto, Keys::Hinta};
    return sections;
}

const QStringList& TotalKeys() {
    static const QStringList keys = {Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit,
                                     Keys::Kustannukset1, Keys::Kustannukset2};
    return keys;
}

// Drops the rows from the first gap of the log's numbering on, as the log viewer would never
// read them; returns how many rows were dropped.
int CutLogAtGap(QMap<QString, QHash<QString, QString>>& sections) {
    const qint32 rows = LogLength(sections.value(Keys::Päivämäärä));
    QSet<qint32> dropped;
    for (const QString& section : LogSections()) {
        if (!sections.contains(section))
            continue;
        QHash<QString, QString>& values = sections[section];
        for (auto it = values.begin(); it != values.end();) {
            if (const qint32 row = it.key().toInt(); row >= rows) {
                dropped.insert(row);
                it = values.erase(it);
            } else {
                ++it;
            }
        }
    }
    return static_cast<int>(dropped.size());
}

bool HoldsCallsOrTotals() {
    for (const QString& section : LogSections())
        for (const QString& value : GetSection(Keys::App, section))
            if (!value.isEmpty())
                return true;
    for (const QString& key : TotalKeys())
        if (!GetSetting(Keys::App, Keys::Asetukset, key, {}).isEmpty())
            return true;
    return false;
}

QString Summary(const QString& file, const RegistryExport& found, int leftOut) {
    const auto value = [&found](const QString& section, const QString& key) {
        return found.sections.value(section).value(key);
    };
    const auto orNone = [](const QString& text) {
        return text.isEmpty() ? QStringLiteral("ei tallennettu") : text;
    };
    QStringList lines = {QStringLiteral("Tiedosto %1 (%2) sisältää:")
                             .arg(QDir::toNativeSeparators(file), found.format)};
    for (const QString& section : ProgramSections())
        lines << QStringLiteral("  %1: %2 arvoa").arg(section).arg(found.sections[section].size());
    lines << QStringLiteral("Yhteyksiä päiväkirjassa: %1 kappaletta")
                 .arg(LogLength(found.sections.value(Keys::Päivämäärä)));
    const QString time =
        QStringList{value(Keys::Asetukset, Keys::Tunnit), value(Keys::Asetukset, Keys::Minuutit),
                    value(Keys::Asetukset, Keys::Sekunnit)}
            .join(u':');
    lines << QStringLiteral("Kesto yhteensä: %1").arg(time == u"::" ? orNone({}) : time);
    const QString cost = value(Keys::Asetukset, Keys::Kustannukset2);
    lines << QStringLiteral("Kustannukset yhteensä: %1")
                 .arg(cost.isEmpty() ? orNone(cost) : cost + Markkaa);
    lines << QStringLiteral("Tariffityyppi: %1").arg(orNone(value(Keys::Asetukset, Keys::Tyyppi)));
    for (const QString& section : {Keys::Tyyppi1, Keys::Tyyppi2}) {
        QStringList amounts;
        for (const QString& amount : {QStringLiteral("Puhelu"), QStringLiteral("Arkisin1"),
                                      QStringLiteral("Arkisin2"), QStringLiteral("Arkisin3")}) {
            const QString whole = value(section, amount + QStringLiteral(" 1"));
            const QString tenths = value(section, amount + QStringLiteral(" 2"));
            // Joined as the tariff in force joins them, a missing part read as the spinner's 0.
            if (!whole.isEmpty() || !tenths.isEmpty())
                amounts << QStringLiteral("%1 %2,%3")
                               .arg(amount, whole.isEmpty() ? Zero : whole,
                                    tenths.isEmpty() ? Zero : tenths);
        }
        lines << QStringLiteral("%1: %2").arg(
            section,
            amounts.isEmpty() ? orNone({}) : amounts.join(QStringLiteral("; ")) + PenniäText);
    }
    if (found.phonebookIndex)
        lines << QStringLiteral("Ohitetaan \"Palveluntarjoaja 2\": se on Windowsin "
                                "puhelinluettelon valinta.");
    if (found.otherPrograms > 0)
        lines << QStringLiteral("Ohitetaan muiden ohjelmien arvoja: %1.").arg(found.otherPrograms);
    if (found.unknown > 0)
        lines << QStringLiteral("Ohitetaan Orvalinin tuntemattomia arvoja: %1.").arg(found.unknown);
    if (leftOut > 0)
        lines << QStringLiteral("Päiväkirjan numeroinnissa on aukko. Aukon jälkeisiä rivejä, "
                                "joita päiväkirja ei lukisi, jätetään pois: %1.")
                     .arg(leftOut);
    return lines.join(u'\n');
}

// The store's messages about failed writes, caught for the one transaction of the import.
class CaughtFailures {
public:
    CaughtFailures() {
        SettingsStore::setFailureHandler([this](const QString& text) { m_text = text; });
        SettingsStore::setDamageHandler([this](const QString& text) { m_text = text; });
    }
    ~CaughtFailures() {
        SettingsStore::setFailureHandler({});
        SettingsStore::setDamageHandler({});
    }
    CaughtFailures(const CaughtFailures&) = delete;
    CaughtFailures& operator=(const CaughtFailures&) = delete;
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

} // namespace

int ImportRegistryExport(const QString& file, bool yes, bool replace, const QString& storePath,
                         MessageBoxes& user) {
    const auto fail = [&user](const QString& text) {
        user.show({text, Message::Icon::Critical});
        return 1;
    };
    const auto declined = [&user] {
        user.show({NothingWritten, Message::Icon::Information});
        return 1;
    };
    if (platform().singleInstance().anotherCopyRunning())
        return fail(QStringLiteral("Orvalin on käynnissä. Sulje se ennen tuontia: käynnissä oleva "
                                   "ohjelma kirjoittaisi summansa ja päiväkirjansa tuonnin "
                                   "päälle. ") +
                    NothingWritten);
    QFile in(file);
    if (!in.exists())
        return fail(QStringLiteral("Tiedostoa %1 ei ole. ").arg(QDir::toNativeSeparators(file)) +
                    NothingWritten);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Tiedostoa %1 ei voi lukea: %2. ")
                        .arg(QDir::toNativeSeparators(file), in.errorString()) +
                    NothingWritten);
    std::variant<RegistryExport, RegistryError> read = ReadRegistryExport(in.readAll());
    if (const RegistryError* error = std::get_if<RegistryError>(&read))
        return fail(QStringLiteral("Tiedosto %1, rivi %2: %3. ")
                        .arg(QDir::toNativeSeparators(file))
                        .arg(error->line)
                        .arg(error->what) +
                    NothingWritten);
    RegistryExport& found = std::get<RegistryExport>(read);
    const int leftOut = CutLogAtGap(found.sections);

    if (const std::optional<QString> problem = SettingsStore::open(storePath))
        return fail(*problem);
    const CaughtFailures failures;
    // The store then holds the interrupted call, as any start would leave it.
    if (const std::optional<QString> recovered = FinishInterruptedCall())
        user.show({*recovered, Message::Icon::Information});
    const QString summary = Summary(file, found, leftOut);
    if (yes)
        std::printf("%s\n", qPrintable(summary));
    else if (user.show({summary + QStringLiteral("\n\nTuodaanko nämä tiedot?"),
                        Message::Icon::Information, Message::Buttons::YesNo,
                        Message::Answer::Yes}) != Message::Answer::Yes)
        return declined();
    if (HoldsCallsOrTotals() && !replace) {
        if (user.show({QStringLiteral("Orvalinissa on jo yhteyksiä tai summia, eikä tuonti "
                                      "yhdistä niitä tiedoston tietoihin. Korvataanko kaikki "
                                      "Orvalinin tiedot tiedoston sisällöllä? Myös tiedostosta "
                                      "puuttuvat arvot poistetaan."),
                       Message::Icon::Information, Message::Buttons::YesNo, Message::Answer::No}) !=
            Message::Answer::Yes)
            return declined();
        replace = true;
    }
    SettingsStore* store = SettingsStore::current();
    {
        const SettingsTransaction transaction;
        // A store without calls may still hold empty log rows and start moments, which must not
        // fill the file's rows.
        if (replace)
            store->deleteApplication(Keys::App);
        else
            for (const QString& section : Keys::CallRowSections)
                store->deleteSection(Keys::App, section);
        // In the order of the store's index: a long log then goes in without reading back pages.
        for (auto section = found.sections.cbegin(); section != found.sections.cend(); ++section) {
            QStringList keys = section->keys();
            std::sort(keys.begin(), keys.end());
            for (const QString& key : keys)
                store->save(Keys::App, section.key(), key, section->value(key));
        }
    }
    if (!failures.text().isEmpty())
        return fail(failures.text() + u' ' + NothingWritten);
    const QString done = QStringLiteral("Tuotu: %1 yhteyttä ja Orvalinin asetukset tiedostosta %2.")
                             .arg(LogLength(found.sections.value(Keys::Päivämäärä)))
                             .arg(QDir::toNativeSeparators(file));
    if (yes)
        std::printf("%s\n", qPrintable(done));
    else
        user.show({done, Message::Icon::Information});
    return 0;
}

int ExportLogFile(const QString& file, const QString& storePath, MessageBoxes& user) {
    const QList<LogRow> rows = QFile::exists(storePath) ? ReadLog(storePath) : QList<LogRow>{};
    if (const std::optional<QString> problem = WriteLogCsv(file, rows)) {
        user.show({*problem, Message::Icon::Critical});
        return 1;
    }
    user.show({QStringLiteral("Päiväkirjan %1 yhteyttä tallennettu tiedostoon %2.")
                   .arg(rows.size())
                   .arg(QDir::toNativeSeparators(file)),
               Message::Icon::Information});
    return 0;
}

Message::Answer TerminalMessages::show(const Message& message) {
    std::FILE* stream = message.icon == Message::Icon::Critical ? stderr : stdout;
    std::fprintf(stream, "%s\n", qPrintable(message.text));
    if (message.buttons != Message::Buttons::YesNo)
        return Message::Answer::Ok;
    std::fputs("(k = kyllä, e = ei) ", stdout);
    std::fflush(stdout);
    QTextStream input(stdin);
    const QString answer = input.readLine().trimmed().toLower();
    // An answer that was not typed leaves the cursor on the question's line.
    if (!::isatty(STDIN_FILENO))
        std::fputs("\n", stdout);
    return answer == u"k" || answer == u"kyllä" ? Message::Answer::Yes : Message::Answer::No;
}

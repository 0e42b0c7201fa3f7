#include "CallLog.h"

#include "common/Keys.h"
#include "common/NumberText.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <algorithm>

namespace {

const QString Markkaa = QStringLiteral(" markkaa");

QString CsvField(QString text) {
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

// A journal holds a call only if every part of it reads as the meter writes it.
bool Readable(const CallJournal& journal) {
    static const QRegularExpression duration(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    const QString price = journal.price;
    return !journal.date.isEmpty() && duration.match(journal.duration).hasMatch() &&
           price.endsWith(Markkaa) && ParseNumber(price.chopped(Markkaa.size())).has_value() &&
           journal.totals.size() == 5 &&
           std::all_of(journal.totals.begin(), journal.totals.begin() + 3, IsDigits) &&
           ParseNumber(journal.totals[3]) && ParseNumber(journal.totals[4]);
}

} // namespace

QString StartMomentText(const QDateTime& moment) {
    return moment.toString(Qt::ISODate);
}

qint32 LogLength(const QHash<QString, QString>& dates) {
    qint32 rows = 0;
    while (!dates.value(QString::number(rows)).isEmpty())
        ++rows;
    return rows;
}

// Three reads of whole sections rather than three reads per row.
QList<LogRow> ReadLog(const QString& storePath) {
    const QList<QHash<QString, QString>> sections =
        SettingsStore::readSections(storePath, Keys::App, Keys::CallRowSections);
    const qint32 rows = LogLength(sections[0]);
    // The log repeats its dates, durations and prices: each distinct text is held once.
    QSet<QString> texts;
    const auto text = [&texts, &sections](int section, const QString& key) {
        return *texts.insert(sections[section].value(key));
    };
    QList<LogRow> log;
    log.reserve(rows);
    for (qint32 i = 0; i < rows; ++i) {
        const QString key = QString::number(i);
        log.append({{text(0, key), text(1, key), text(2, key)}, i, sections[3].value(key)});
    }
    return log;
}

std::optional<QString> WriteLogCsv(const QString& file, const QList<LogRow>& rows) {
    QString text = QStringLiteral("\uFEFFPäivämäärä;Kesto;Hinta (markkaa)\r\n");
    text.reserve(text.size() + rows.size() * 40);
    for (const LogRow& row : rows) {
        const QString& price = row.texts[2];
        text += CsvField(row.texts[0]) + u';' + CsvField(row.texts[1]) + u';' +
                CsvField(price.endsWith(Markkaa) ? price.chopped(Markkaa.size()) : price) +
                QStringLiteral("\r\n");
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0 || !out.commit())
        return QStringLiteral("Tiedostoon %1 ei voi kirjoittaa: %2.")
            .arg(QDir::toNativeSeparators(file), out.errorString());
    return std::nullopt;
}

// The totals go in one text, a tab between each: a journal is read whole or not at all.
void SaveCallJournal(const CallJournal& journal) {
    if (SettingsStore* store = SettingsStore::current())
        store->change("INSERT OR REPLACE INTO journal (id, date, duration, price, totals, "
                      "totals_stored, began) VALUES (1, ?, ?, ?, ?, ?, ?)",
                      {journal.date, journal.duration, journal.price, journal.totals.join(u'\t'),
                       journal.totalsStored ? QStringLiteral("1") : QStringLiteral("0"),
                       journal.began});
}

std::optional<CallJournal> ReadCallJournal() {
    const SettingsStore* store = SettingsStore::current();
    const QList<QStringList> rows =
        store ? store->rows("SELECT date, duration, price, totals, totals_stored, began FROM "
                            "journal")
              : QList<QStringList>();
    if (rows.isEmpty())
        return std::nullopt;
    const QStringList& row = rows.first();
    return CallJournal{row[0], row[1], row[2], row[3].split(u'\t'), row[4] == u"1", row[5]};
}

void ClearCallJournal() {
    if (SettingsStore* store = SettingsStore::current())
        store->change("DELETE FROM journal");
}

std::optional<QString> FinishInterruptedCall() {
    SettingsStore* store = SettingsStore::current();
    const std::optional<CallJournal> journal = ReadCallJournal();
    if (!journal || !store->writable())
        return std::nullopt;
    QString said;
    {
        const SettingsTransaction transaction;
        if (!Readable(*journal)) {
            store->change("INSERT INTO journal_aside SELECT date, duration, price, totals, "
                          "totals_stored, datetime('now'), began FROM journal");
            said = QStringLiteral("Edellisen käynnistyskerran keskeytyneen yhteyden tietoja ei "
                                  "voi lukea. Niitä ei kirjattu päiväkirjaan; ne on siirretty "
                                  "talteen asetustiedoston tauluun journal_aside.");
        } else {
            if (!journal->totalsStored) {
                const QString keys[] = {Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit,
                                        Keys::Kustannukset1, Keys::Kustannukset2};
                for (int i = 0; i < 5; ++i)
                    SaveSetting(Keys::App, Keys::Asetukset, keys[i], journal->totals[i]);
            }
            store->saveKey(Keys::App,
                           QString::number(LogLength(GetSection(Keys::App, Keys::Päivämäärä))),
                           {{Keys::Päivämäärä, journal->date},
                            {Keys::Kesto, journal->duration},
                            {Keys::Hinta, journal->price},
                            {Keys::Alkuhetki, journal->began}});
            said = QStringLiteral("Edellinen käynnistyskerta päättyi kesken yhteyden. Yhteys on "
                                  "nyt kirjattu päiväkirjaan: kesto %1, hinta %2.")
                       .arg(journal->duration, journal->price);
        }
        ClearCallJournal();
    }
    // A store that refused the transaction has said why, and the journal waits for the next
    // start: nothing of it was logged or set aside.
    if (ReadCallJournal())
        return std::nullopt;
    return said;
}

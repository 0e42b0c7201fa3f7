#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The log of calls without any window: the stored rows, the journal of the call being metered,
// the finishing of a call whose run ended without the meter's close, and the rows as CSV. It uses
// the store alone.

// A row of the log: the date as logged, the duration and the price, as the meter wrote them, the
// key the row is stored under (-1 for a row not read from the store), and the moment the call's
// meter opened, in ISO 8601 with its offset from UTC (empty for calls logged before it was kept).
struct LogRow {
    std::array<QString, 3> texts;
    int key = -1;
    QString began;
};

// The moment as a call's start moment is written.
QString StartMomentText(const QDateTime& moment);

// The number of rows of the stored log: its rows end at the first key whose date is empty or
// missing, and rows stored after such a gap are never read.
qint32 LogLength(const QHash<QString, QString>& dates);
// The stored log, read through a connection of its own, so that another thread can read it.
QList<LogRow> ReadLog(const QString& storePath);

// The rows as a CSV file a Finnish spreadsheet reads as they are: UTF-8 with a byte-order mark,
// a header row, semicolons between the fields, the price in markka as a number with the decimal
// comma. Written to a temporary file first and renamed, so the file is whole or as it was.
// Returns the reason when it cannot be written.
std::optional<QString> WriteLogCsv(const QString& file, const QList<LogRow>& rows);

// The call a meter is metering, as it shows it: the log row the call would get now and the
// totals it would store. Kept up to date each second, so that a run that never reaches the
// meter's close (a crash, a power cut) loses at most a second of the call.
struct CallJournal {
    QString date;
    QString duration;
    QString price;
    // Tunnit, Minuutit, Sekunnit, Kustannukset 1 and Kustannukset 2.
    QStringList totals;
    // The close has stored the totals; only the log row is left.
    bool totalsStored = false;
    QString began;
};

void SaveCallJournal(const CallJournal& journal);
std::optional<CallJournal> ReadCallJournal();
void ClearCallJournal();

// A call whose run ended without the meter's close is logged as the close would have logged it,
// and its totals stored unless the close got that far. Says what was done, for the user. A
// journal that cannot be read is set aside, never guessed at. Says nothing when the store refuses
// the transaction, which it says itself; the journal then waits for the next start. Runs on the
// open store.
std::optional<QString> FinishInterruptedCall();

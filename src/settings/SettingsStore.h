#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <functional>
#include <future>
#include <memory>
#include <optional>

struct sqlite3_stmt;

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
};

// The per-user settings store: text values addressed by application, section and key, kept in one
// SQLite database. Every answered write is durable (WAL, synchronous=FULL); writes that belong
// together go in one SettingsTransaction.
class SettingsStore {
public:
    // $XDG_CONFIG_HOME/Orvalin/Orvalin.sqlite, or ~/.config/Orvalin/Orvalin.sqlite.
    static QString defaultPath();
    static QString configFolder();

    // Opens (creating when missing) the store that all settings calls use from now on. On failure
    // returns a message for the user naming the file, and leaves the file as it was.
    static std::optional<QString> open(const QString& path);
    static void close();
    static SettingsStore* current();

    QString get(const QString& application, const QString& section, const QString& key,
                const QString& fallback) const;
    void save(const QString& application, const QString& section, const QString& key,
              const QString& value);
    void deleteSection(const QString& application, const QString& section);
    // Every section of the application, for an import that replaces them all.
    void deleteApplication(const QString& application);
    // Every key of a section with its value, read in one pass: for readers of long sections.
    QHash<QString, QString> section(const QString& application, const QString& section) const;

    // Every key of each section with its value, read through a read-only connection of its own,
    // so that another thread can read a long section while the program goes on. What it reads is
    // the store as it stood when the read began.
    static QList<QHash<QString, QString>>
    readSections(const QString& path, const QString& application, const QStringList& sections);

    // The journal of the running call, in a table of its own: written (with the word that the
    // totals are stored, once they are), read, cleared with the log row, and moved aside when it
    // cannot be read.
    void saveJournal(const CallJournal& journal);
    std::optional<CallJournal> journal() const;
    void clearJournal();
    void setJournalAside();

    // Called with a message for the user when writes begin to fail.
    static void setFailureHandler(std::function<void(const QString&)> handler);
    // Called once with a message for the user when the full check finds the store damaged.
    static void setDamageHandler(std::function<void(const QString&)> handler);
    // Whether the store may be written: false once its full check found it damaged. Waits for
    // the check, which runs from the store's opening on.
    bool writable();

    void beginTransaction();
    void commitTransaction();

    QString path() const { return m_path; }
    ~SettingsStore();

private:
    SettingsStore(const QString& path, const QString& connection, sqlite3_stmt* save);
    void exec(QSqlQuery& query) const;
    void write(QSqlQuery& query);
    void exec(const QString& statement);
    void failed(const QString& reason);

    QString m_path;
    QString m_connection;
    int m_transactionDepth = 0;
    // A write of the open transaction failed: the transaction is undone, the rest left out.
    bool m_transactionFailed = false;
    // The user has been told that writes fail, and is not told again until one succeeds.
    bool m_failing = false;
    mutable std::unique_ptr<QSqlQuery> m_get;
    // Writes go straight through SQLite: the log viewer's rewrite of a long log is hundreds of
    // thousands of them, and Qt SQL's own work per statement costs as much as SQLite's.
    sqlite3_stmt* m_save;
    std::unique_ptr<QSqlQuery> m_delete;
    mutable std::unique_ptr<QSqlQuery> m_section;
    std::future<bool> m_check;
    bool m_damaged = false;
};

// Lowers the calling thread's priority below the user interface's.
void LowerThreadPriority();
// Runs a read of the store on a thread of its own, behind the windows: on a busy processor the
// windows, which the user waits for, come first.
template <class Read> auto ReadInBackground(Read read) {
    return std::async(std::launch::async, [read = std::move(read)] {
        LowerThreadPriority();
        return read();
    });
}

// Writes made while one exists are committed together when the last one ends.
class SettingsTransaction {
public:
    SettingsTransaction();
    ~SettingsTransaction();
    SettingsTransaction(const SettingsTransaction&) = delete;
    SettingsTransaction& operator=(const SettingsTransaction&) = delete;
};

// The program's three operations on the store. A key that holds the empty text reads the same as
// a missing key for every caller, who passes "" as the fallback.
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& fallback);
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);
void DeleteSetting(const QString& application, const QString& section);
QHash<QString, QString> GetSection(const QString& application, const QString& section);
void SaveCallJournal(const CallJournal& journal);
void ClearCallJournal();

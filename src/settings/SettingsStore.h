#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <future>
#include <initializer_list>
#include <malloc.h>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// The per-user settings store: text values addressed by application, section and key, kept in one
// SQLite database, beside the tables of the parts that own them. Every answered write is durable
// (WAL, synchronous=FULL); writes that belong together go in one SettingsTransaction.
class SettingsStore {
public:
    // $XDG_CONFIG_HOME/Orvalin/Orvalin.sqlite, or ~/.config/Orvalin/Orvalin.sqlite.
    static QString defaultPath();
    static QString configFolder();

    // Opens (creating when missing, upgrading from an older version) the store that all settings
    // calls use from now on. On failure returns a message for the user naming the file, and
    // leaves the file as it was.
    static std::optional<QString> open(const QString& path);
    static void close();
    static SettingsStore* current();

    QString get(const QString& application, const QString& section, const QString& key,
                const QString& fallback) const;
    void save(const QString& application, const QString& section, const QString& key,
              const QString& value);
    // One key's values in several sections (four at the most), in one statement: a long log's
    // rewrite stores four values a row, and a statement's own work costs as much as a value's.
    void saveKey(const QString& application, const QString& key,
                 std::initializer_list<std::pair<QString, QString>> sectionValues);
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

    // A change to a table of the store, a statement with its values bound as texts, and the rows
    // a statement reads, each as its columns' texts. The statement is a string literal, prepared
    // once and kept: a part that writes every second does not parse its statement every second.
    void change(const char* statement, std::initializer_list<QString> values = {});
    QList<QStringList> rows(const char* statement) const;

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
    // The store's own connection, for what runs statements of its own on it.
    sqlite3* handle() const { return m_handle; }
    ~SettingsStore();

private:
    SettingsStore(const QString& path, sqlite3* handle);
    sqlite3_stmt* statement(const char* text) const;
    // Binds the values, steps the statement once and resets it; false on an error.
    bool run(sqlite3_stmt* statement, const QString* values, int count) const;
    // The one way anything is written: once the store is known to be sound, and never in a
    // transaction that a failed write has undone.
    void write(sqlite3_stmt* statement, const QString* values, int count);
    void failed(const QString& reason);

    QString m_path;
    sqlite3* m_handle;
    int m_transactionDepth = 0;
    // A write of the open transaction failed: the transaction is undone, the rest left out.
    bool m_transactionFailed = false;
    // The user has been told that writes fail, and is not told again until one succeeds.
    bool m_failing = false;
    // Each statement is prepared once, found again by the address of its text.
    mutable QHash<const char*, sqlite3_stmt*> m_statements;
    mutable std::array<QByteArray, 16> m_utf8;
    std::future<bool> m_check;
    bool m_damaged = false;
};

// Lowers the calling thread's priority below the user interface's.
void LowerThreadPriority();
// Runs a read of the store on a thread of its own, behind the windows: on a busy processor the
// windows, which the user waits for, come first. What the read freed goes back to the system:
// the allocator would keep it, and a long log's whole sections, read once at the start, are tens
// of megabytes that a meter of hours would hold for nothing.
template <class Read> auto ReadInBackground(Read read) {
    return std::async(std::launch::async, [read = std::move(read)] {
        LowerThreadPriority();
        auto result = read();
        malloc_trim(0);
        return result;
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

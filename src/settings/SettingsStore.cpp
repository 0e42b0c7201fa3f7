#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringEncoder>
#include <array>
#include <chrono>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>
#include <variant>

namespace {

// Why a write failed, in the user's words where SQLite's code says it plainly.
QString FinnishReason(int code, const QString& text) {
    switch (code & 0xff) {
    case SQLITE_FULL:
        return QStringLiteral("levy on täynnä");
    case SQLITE_READONLY:
        return QStringLiteral("siihen ei saa kirjoittaa");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("toinen ohjelma on lukinnut sen");
    case SQLITE_IOERR:
        return QStringLiteral("levyvirhe: ") + text;
    default:
        return text;
    }
}

// What each version of the store adds to the one before it. An upgrade runs the steps of every
// version after the store's own in one transaction with the new version's record. Each step is
// harmless on a store that has what it adds already (version-1 stores made after the journal
// came have its tables), so an upgrade can run twice.
struct SchemaStep {
    // A read that succeeds when the store has what the step adds; none when the step's own
    // statements say "if not exists".
    const char* present;
    const char* add;
};
constexpr int SchemaVersion = 3;
const SchemaStep SchemaSteps[SchemaVersion] = {
    {nullptr,
     "CREATE TABLE IF NOT EXISTS settings (application TEXT NOT NULL, section TEXT NOT NULL, "
     "key TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY (application, section, key));"
     "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);"},
    // The journal of the running call, and where a journal that cannot be read is put aside.
    {nullptr,
     "CREATE TABLE IF NOT EXISTS journal (id INTEGER PRIMARY KEY CHECK (id = 1), date TEXT, "
     "duration TEXT, price TEXT, totals TEXT, totals_stored INTEGER);"
     "CREATE TABLE IF NOT EXISTS journal_aside (date TEXT, duration TEXT, price TEXT, "
     "totals TEXT, totals_stored, set_aside TEXT);"},
    // The moment the running call's meter opened.
    {"SELECT began FROM journal LIMIT 0",
     "ALTER TABLE journal ADD COLUMN began TEXT; ALTER TABLE journal_aside ADD COLUMN began TEXT;"},
};

// Not a static with a destructor: when Qt ends the program with exit() in the middle of the run
// (it does when the X server goes away), the statics are destroyed after Qt's own, and closing
// the connection then crashes. The end of the process leaves the file as a crash would, which
// the write-ahead log is made for; a normal end closes it first.
SettingsStore* g_current = nullptr;
std::function<void(const QString&)> g_failureHandler;
std::function<void(const QString&)> g_damageHandler;

QString damagedMessage(const QString& path) {
    return QStringLiteral("Asetustiedostoa %1 ei voi käyttää: se on vahingoittunut tai sen muoto "
                          "on tuntematon. Ohjelma lopetetaan, eikä tiedostoon ole koskettu.")
        .arg(QDir::toNativeSeparators(path));
}

QString unreadableMessage(const QString& path) {
    return QStringLiteral("Asetustiedostoa %1 ei voi avata luettavaksi ja kirjoitettavaksi. "
                          "Tarkista tiedoston oikeudet.")
        .arg(QDir::toNativeSeparators(path));
}

QString newerMessage(const QString& path, int version) {
    return QStringLiteral("Asetustiedoston %1 on tehnyt Orvalinin uudempi versio (tiedoston muoto "
                          "%2), eikä tämä versio osaa käyttää sitä. Ohjelma lopetetaan, eikä "
                          "tiedostoon ole koskettu.")
        .arg(QDir::toNativeSeparators(path))
        .arg(version);
}

// A connection of its own to the store at path, closed when it goes; null when the file cannot
// be opened. A read-only connection cannot remove the write-ahead log it leaves when it closes
// last: where nothing else will open the store after it, the connection may write, and writes
// nothing. Another program's lock is waited for as long as a user would.
using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;
Connection Open(const QString& path, bool readOnly) {
    sqlite3* handle = nullptr;
    const int opened =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &handle,
                        readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    Connection db{handle, &sqlite3_close};
    if (opened != SQLITE_OK)
        db.reset();
    else
        sqlite3_busy_timeout(handle, 5000);
    return db;
}

// The first column of every row a statement reads, or nothing when it fails.
std::optional<QStringList> FirstColumn(sqlite3* handle, const char* text) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, text, -1, &statement, nullptr) != SQLITE_OK)
        return std::nullopt;
    QStringList column;
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW)
        column << QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return result == SQLITE_DONE ? std::optional(column) : std::nullopt;
}

// Whether SQLite's full check of the store at path finds it whole; it reads every page and every
// index.
bool Whole(const QString& path, bool readOnly = true) {
    const Connection db = Open(path, readOnly);
    return db &&
           FirstColumn(db.get(), "PRAGMA integrity_check") == QStringList{QStringLiteral("ok")};
}

// The version of the store at path, 0 for an empty database, or the message for a file that is
// no store of ours. Reading the list of tables already fails on a file that is no database.
std::variant<int, QString> Inspect(const QString& path) {
    const Connection db = Open(path, true);
    if (!db)
        return unreadableMessage(path);
    const std::optional<QStringList> tables =
        FirstColumn(db.get(), "SELECT name FROM sqlite_master WHERE type = 'table'");
    if (!tables)
        return damagedMessage(path);
    if (tables->isEmpty())
        return 0;
    bool number = false;
    const std::optional<QStringList> version =
        tables->contains(QStringLiteral("settings")) && tables->contains(QStringLiteral("meta"))
            ? FirstColumn(db.get(), "SELECT value FROM meta WHERE key = 'schema_version'")
            : std::nullopt;
    const int read = version && !version->isEmpty() ? version->first().toInt(&number) : 0;
    if (number && read > SchemaVersion)
        return newerMessage(path, read);
    if (!number || read < 1 ||
        !FirstColumn(db.get(), "SELECT application, section, key, value FROM settings LIMIT 1"))
        return damagedMessage(path);
    return read;
}

// Binds a text for the one step that follows, without a copy. A null QString binds the empty
// text, never SQL NULL, which the store refuses.
void bindText(sqlite3_stmt* statement, int index, const QString& text) {
    const void* data = text.isNull() ? static_cast<const void*>(u"") : text.constData();
    sqlite3_bind_text16(statement, index, data, static_cast<int>(text.size() * sizeof(QChar)),
                        SQLITE_STATIC);
}

QString columnText(sqlite3_stmt* statement, int column) {
    return QString::fromUtf16(
        static_cast<const char16_t*>(sqlite3_column_text16(statement, column)),
        sqlite3_column_bytes16(statement, column) / 2);
}

// Brings a store of an older version, or a new empty one, to this program's version.
bool Upgrade(sqlite3* handle, int from) {
    bool done = sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (int version = from; done && version < SchemaVersion; ++version) {
        const SchemaStep& step = SchemaSteps[version];
        done = (step.present &&
                sqlite3_exec(handle, step.present, nullptr, nullptr, nullptr) == SQLITE_OK) ||
               sqlite3_exec(handle, step.add, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    const QByteArray record =
        "INSERT OR REPLACE INTO meta (key, value) VALUES ('schema_version', '" +
        QByteArray::number(SchemaVersion) + "')";
    done = done &&
           sqlite3_exec(handle, record.constData(), nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!done && !sqlite3_get_autocommit(handle))
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    return done;
}

} // namespace

QString SettingsStore::configFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Orvalin");
}

QString SettingsStore::defaultPath() {
    return configFolder() + QStringLiteral("/Orvalin.sqlite");
}

std::optional<QString> SettingsStore::open(const QString& path) {
    close();
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return unreadableMessage(path);
    QFile::setPermissions(info.absolutePath(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    int version = 0;
    if (info.exists()) {
        if (!info.isFile() || !info.isReadable() || !info.isWritable())
            return unreadableMessage(path);
        const std::variant<int, QString> inspected = Inspect(path);
        if (const QString* problem = std::get_if<QString>(&inspected))
            return *problem;
        version = std::get<int>(inspected);
    } else {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return unreadableMessage(path);
        file.close();
    }
    // An older store is upgraded only once the full check has found it sound; a store of this
    // version is checked beside the start-up, which that check would otherwise wait for: with a
    // long log even SQLite's quick check of every page takes longer than the rest of the start.
    const bool upgrade = version < SchemaVersion;
    if (upgrade && version > 0 && !Whole(path, false))
        return damagedMessage(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

    Connection db = Open(path, false);
    // Every answered write survives a power cut; another program's lock is not waited out.
    const char* const Modes = "PRAGMA journal_mode = WAL;"
                              "PRAGMA synchronous = FULL;"
                              "PRAGMA busy_timeout = 100";
    if (!db || sqlite3_exec(db.get(), Modes, nullptr, nullptr, nullptr) != SQLITE_OK ||
        (upgrade && !Upgrade(db.get(), version)))
        return unreadableMessage(path);
    delete std::exchange(g_current, new SettingsStore(path, db.release()));
    if (upgrade)
        return std::nullopt;
    g_current->m_check = ReadInBackground([path] {
        const bool whole = Whole(path);
        // Said as soon as it is known, not only at the first write: until then the windows show
        // what they read from a damaged file.
        if (QCoreApplication* const application = QCoreApplication::instance();
            !whole && application)
            QMetaObject::invokeMethod(
                application,
                [] {
                    if (SettingsStore* const store = current())
                        store->writable();
                },
                Qt::QueuedConnection);
        return whole;
    });
    return std::nullopt;
}

void LowerThreadPriority() {
    // A thread's nice value is its own on Linux.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
}

void SettingsStore::close() {
    delete std::exchange(g_current, nullptr);
}

SettingsStore* SettingsStore::current() {
    return g_current;
}

SettingsStore::SettingsStore(const QString& path, sqlite3* handle)
    : m_path(path), m_handle(handle) {}

SettingsStore::~SettingsStore() {
    // The check's read-only connection cannot remove the write-ahead log: the program's own
    // connection closes last and does.
    if (m_check.valid())
        m_check.wait();
    for (sqlite3_stmt* statement : std::as_const(m_statements))
        sqlite3_finalize(statement);
    if (m_transactionDepth > 0 && !m_transactionFailed)
        sqlite3_exec(m_handle, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(m_handle);
}

sqlite3_stmt* SettingsStore::statement(const char* text) const {
    sqlite3_stmt*& prepared = m_statements[text];
    if (!prepared && sqlite3_prepare_v3(m_handle, text, -1, SQLITE_PREPARE_PERSISTENT, &prepared,
                                        nullptr) != SQLITE_OK)
        std::fprintf(stderr, "orvalin: settings store %s: %s\n", qPrintable(m_path),
                     sqlite3_errmsg(m_handle));
    return prepared;
}

bool SettingsStore::run(sqlite3_stmt* statement, const QString* values, int count) const {
    if (!statement)
        return false;
    // In the store's own encoding, into buffers kept from one statement to the next: SQLite
    // would otherwise translate each UTF-16 text into memory of its own, at a third of the cost
    // of a long log's rewrite.
    for (int index = 0; index < count; ++index) {
        QByteArray& buffer = m_utf8[index];
        buffer.resize(values[index].size() * 3);
        QStringEncoder encoder(QStringConverter::Utf8);
        const qsizetype length =
            encoder.appendToBuffer(buffer.data(), values[index]) - buffer.constData();
        sqlite3_bind_text(statement, index + 1, buffer.constData(), static_cast<int>(length),
                          SQLITE_STATIC);
    }
    const int result = sqlite3_step(statement);
    sqlite3_reset(statement);
    return result == SQLITE_DONE || result == SQLITE_ROW;
}

void SettingsStore::setFailureHandler(std::function<void(const QString&)> handler) {
    g_failureHandler = std::move(handler);
}

void SettingsStore::setDamageHandler(std::function<void(const QString&)> handler) {
    g_damageHandler = std::move(handler);
}

// The first write waits for the full check; a damaged store is then never written.
bool SettingsStore::writable() {
    if (m_check.valid()) {
        m_damaged = !m_check.get();
        if (m_damaged) {
            std::fprintf(stderr, "orvalin: settings store %s: the integrity check failed\n",
                         qPrintable(m_path));
            if (g_damageHandler)
                g_damageHandler(damagedMessage(m_path));
        }
    }
    return !m_damaged;
}

// A write that fails undoes the transaction it belongs to, whose other writes are then left
// out: a record is stored whole or not at all. The user hears of it once, until a write
// succeeds again; the program goes on and writes again when it next has something to store.
void SettingsStore::failed(const QString& reason) {
    // Read before the rollback below, which sets its own code.
    const int code = sqlite3_extended_errcode(m_handle);
    std::fprintf(stderr, "orvalin: settings store %s: %s\n", qPrintable(m_path),
                 qPrintable(reason));
    if (m_transactionDepth > 0 && !m_transactionFailed) {
        sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
        m_transactionFailed = true;
    }
    if (!m_failing && g_failureHandler)
        g_failureHandler(
            QStringLiteral("Asetustiedostoon %1 ei voi nyt kirjoittaa (%2). Ohjelma jatkaa ja "
                           "yrittää uudelleen, kun sillä on seuraavan kerran tallennettavaa.")
                .arg(QDir::toNativeSeparators(m_path), FinnishReason(code, reason)));
    m_failing = true;
}

void SettingsStore::write(sqlite3_stmt* statement, const QString* values, int count) {
    if (m_transactionFailed || !writable())
        return;
    if (run(statement, values, count))
        m_failing = m_failing && m_transactionDepth > 0;
    else
        failed(QString::fromUtf8(sqlite3_errmsg(m_handle)));
}

void SettingsStore::change(const char* text, std::initializer_list<QString> values) {
    write(statement(text), values.begin(), static_cast<int>(values.size()));
}

QList<QStringList> SettingsStore::rows(const char* text) const {
    QList<QStringList> read;
    sqlite3_stmt* prepared = statement(text);
    while (prepared && sqlite3_step(prepared) == SQLITE_ROW) {
        QStringList row;
        for (int column = 0; column < sqlite3_column_count(prepared); ++column)
            row << columnText(prepared, column);
        read << row;
    }
    if (prepared)
        sqlite3_reset(prepared);
    return read;
}

QString SettingsStore::get(const QString& application, const QString& section, const QString& key,
                           const QString& fallback) const {
    sqlite3_stmt* read =
        statement("SELECT value FROM settings WHERE application = ? AND section = ? AND key = ?");
    if (!read)
        return fallback;
    bindText(read, 1, application);
    bindText(read, 2, section);
    bindText(read, 3, key);
    const QString value = sqlite3_step(read) == SQLITE_ROW ? columnText(read, 0) : fallback;
    sqlite3_reset(read);
    return value;
}

void SettingsStore::save(const QString& application, const QString& section, const QString& key,
                         const QString& value) {
    // While the full check runs, a value equal to the stored one is left alone rather than
    // waited for: each start writes back values it has just read.
    if (m_check.valid() && m_check.wait_for(std::chrono::seconds(0)) != std::future_status::ready &&
        get(application, section, key, {}) == value)
        return;
    saveKey(application, key, {{section, value}});
}

void SettingsStore::saveKey(const QString& application, const QString& key,
                            std::initializer_list<std::pair<QString, QString>> sectionValues) {
    // One statement for each number of sections, its text made once, so that its address keeps
    // it prepared.
    static const std::array<QByteArray, 4> Statements = [] {
        std::array<QByteArray, 4> texts;
        QByteArray rows = "(?, ?, ?, ?)";
        for (QByteArray& text : texts) {
            text = "INSERT INTO settings (application, section, key, value) VALUES " + rows +
                   " ON CONFLICT (application, section, key) DO UPDATE SET value = "
                   "excluded.value WHERE value <> excluded.value";
            rows += ", (?, ?, ?, ?)";
        }
        return texts;
    }();
    std::array<QString, 16> values;
    int count = 0;
    for (const auto& [section, value] : sectionValues) {
        values[count++] = application;
        values[count++] = section;
        values[count++] = key;
        values[count++] = value;
    }
    write(statement(Statements[sectionValues.size() - 1].constData()), values.data(), count);
}

void SettingsStore::deleteSection(const QString& application, const QString& section) {
    change("DELETE FROM settings WHERE application = ? AND section = ?", {application, section});
}

void SettingsStore::deleteApplication(const QString& application) {
    change("DELETE FROM settings WHERE application = ?", {application});
}

QHash<QString, QString> SettingsStore::section(const QString& application,
                                               const QString& section) const {
    QHash<QString, QString> values;
    sqlite3_stmt* read =
        statement("SELECT key, value FROM settings WHERE application = ? AND section = ?");
    if (!read)
        return values;
    bindText(read, 1, application);
    bindText(read, 2, section);
    while (sqlite3_step(read) == SQLITE_ROW)
        values.insert(columnText(read, 0), columnText(read, 1));
    sqlite3_reset(read);
    return values;
}

QList<QHash<QString, QString>> SettingsStore::readSections(const QString& path,
                                                           const QString& application,
                                                           const QStringList& sections) {
    QList<QHash<QString, QString>> values(sections.size());
    const Connection db = Open(path, true);
    sqlite3_stmt* read = nullptr;
    if (!db || sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db.get(),
                           "SELECT key, value FROM settings WHERE application = ? AND section = ?",
                           -1, &read, nullptr) != SQLITE_OK)
        return values;
    for (qsizetype i = 0; i < sections.size(); ++i) {
        bindText(read, 1, application);
        bindText(read, 2, sections[i]);
        int result = SQLITE_ROW;
        while ((result = sqlite3_step(read)) == SQLITE_ROW)
            values[i].insert(columnText(read, 0), columnText(read, 1));
        if (result != SQLITE_DONE)
            std::fprintf(stderr, "orvalin: settings store %s: %s\n", qPrintable(path),
                         sqlite3_errmsg(db.get()));
        sqlite3_reset(read);
    }
    sqlite3_finalize(read);
    sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
    return values;
}

// The write lock is taken as the transaction begins, so that another program that holds the
// file cannot let the first writes in and keep the later ones out.
void SettingsStore::beginTransaction() {
    if (m_transactionDepth++ > 0)
        return;
    m_transactionFailed = !writable();
    if (m_transactionFailed)
        return;
    if (sqlite3_exec(m_handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        failed(QString::fromUtf8(sqlite3_errmsg(m_handle)));
        m_transactionFailed = true;
    }
}

void SettingsStore::commitTransaction() {
    if (m_transactionDepth == 0 || --m_transactionDepth > 0)
        return;
    if (m_transactionFailed)
        m_transactionFailed = false;
    else if (sqlite3_exec(m_handle, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        failed(QString::fromUtf8(sqlite3_errmsg(m_handle)));
        // A commit that fails on a full disk may leave the transaction open, and the next
        // writes would then join it.
        if (!sqlite3_get_autocommit(m_handle))
            sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
    } else
        m_failing = false;
}

SettingsTransaction::SettingsTransaction() {
    if (SettingsStore* store = SettingsStore::current())
        store->beginTransaction();
}

SettingsTransaction::~SettingsTransaction() {
    if (SettingsStore* store = SettingsStore::current())
        store->commitTransaction();
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& fallback) {
    const SettingsStore* store = SettingsStore::current();
    return store ? store->get(application, section, key, fallback) : fallback;
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
    if (SettingsStore* store = SettingsStore::current())
        store->save(application, section, key, value);
}

void DeleteSetting(const QString& application, const QString& section) {
    if (SettingsStore* store = SettingsStore::current())
        store->deleteSection(application, section);
}

QHash<QString, QString> GetSection(const QString& application, const QString& section) {
    const SettingsStore* store = SettingsStore::current();
    return store ? store->section(application, section) : QHash<QString, QString>{};
}

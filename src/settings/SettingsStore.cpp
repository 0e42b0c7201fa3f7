#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

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

constexpr int SchemaVersion = 1;
std::unique_ptr<SettingsStore> g_current;
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

// Whether SQLite's full check of the store at path finds it whole; it reads every page and every
// index, through a read-only connection of this thread's own.
bool Whole(const QString& path) {
    const QString connection = QStringLiteral("orvalin-check-%1")
                                   .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
    bool whole = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            whole = q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next() &&
                    q.value(0).toString() == QStringLiteral("ok");
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return whole;
}

// Looks at an existing file without writing to it: is it a store of ours, or an empty database?
// Returns the message for a file that is neither. Reading the list of tables already fails on a
// file that is no database. A store of our own is checked in full beside the start-up, which that
// check would otherwise wait for: with a long log even SQLite's quick check of every page takes
// longer than the rest of the start. A store without the journal's tables is checked in full
// here, before opening it adds them.
std::optional<QString> inspect(const QString& path) {
    const QString connection = QStringLiteral("orvalin-inspect");
    std::optional<QString> problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            problem = unreadableMessage(path);
        } else {
            QSqlQuery q(db);
            QStringList tables;
            const bool listed =
                q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
            while (listed && q.next())
                tables << q.value(0).toString();
            const bool ours =
                tables.contains(QStringLiteral("settings")) &&
                tables.contains(QStringLiteral("meta")) &&
                q.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'")) &&
                q.next() && q.value(0).toInt() == SchemaVersion &&
                q.exec(QStringLiteral(
                    "SELECT application, section, key, value FROM settings LIMIT 1"));
            const bool journaled = tables.contains(QStringLiteral("journal")) &&
                                   tables.contains(QStringLiteral("journal_aside"));
            if (!listed || (!tables.isEmpty() && (!ours || (!journaled && !Whole(path)))))
                problem = damagedMessage(path);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return problem;
}

sqlite3* Handle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    return qstrcmp(handle.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3* const*>(handle.constData())
               : nullptr;
}

sqlite3_stmt* prepareSave(const QSqlDatabase& db) {
    sqlite3_stmt* statement = nullptr;
    sqlite3* handle = Handle(db);
    if (!handle ||
        sqlite3_prepare_v3(handle,
                           "INSERT INTO settings (application, section, key, value) "
                           "VALUES (?, ?, ?, ?) ON CONFLICT (application, section, key) "
                           "DO UPDATE SET value = excluded.value WHERE value <> excluded.value",
                           -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
        return nullptr;
    return statement;
}

// Binds a text for the one step that follows, without a copy. A null QString binds the empty
// text, never SQL NULL, which the store refuses.
void bindText(sqlite3_stmt* statement, int index, const QString& text) {
    const void* data = text.isNull() ? static_cast<const void*>(u"") : text.constData();
    sqlite3_bind_text16(statement, index, data, static_cast<int>(text.size() * sizeof(QChar)),
                        SQLITE_STATIC);
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
    if (info.exists()) {
        if (!info.isFile() || !info.isReadable() || !info.isWritable())
            return unreadableMessage(path);
        if (std::optional<QString> problem = inspect(path))
            return problem;
    } else {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return unreadableMessage(path);
        file.close();
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

    const QString connection = QStringLiteral("orvalin-store");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        QSqlQuery q(db);
        const bool ready =
            db.open() && q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) &&
            q.exec(QStringLiteral("PRAGMA synchronous = FULL")) &&
            q.exec(QStringLiteral("PRAGMA busy_timeout = 100")) && db.transaction() &&
            q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS settings (application TEXT NOT NULL, "
                                  "section TEXT NOT NULL, key TEXT NOT NULL, value TEXT NOT NULL, "
                                  "PRIMARY KEY (application, section, key))")) &&
            q.exec(QStringLiteral(
                "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)")) &&
            q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS journal (id INTEGER PRIMARY KEY "
                                  "CHECK (id = 1), date TEXT, duration TEXT, price TEXT, "
                                  "totals TEXT, totals_stored INTEGER)")) &&
            q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS journal_aside (date TEXT, "
                                  "duration TEXT, price TEXT, totals TEXT, totals_stored, "
                                  "set_aside TEXT)")) &&
            q.exec(QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES "
                                  "('schema_version', '%1')")
                       .arg(SchemaVersion)) &&
            db.commit();
        sqlite3_stmt* save = ready ? prepareSave(db) : nullptr;
        if (!save) {
            db.close();
            q = QSqlQuery();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            return unreadableMessage(path);
        }
        g_current.reset(new SettingsStore(path, connection, save));
    }
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
    g_current.reset();
}

SettingsStore* SettingsStore::current() {
    return g_current.get();
}

SettingsStore::SettingsStore(const QString& path, const QString& connection, sqlite3_stmt* save)
    : m_path(path), m_connection(connection), m_save(save) {
    const QSqlDatabase db = QSqlDatabase::database(m_connection);
    m_get = std::make_unique<QSqlQuery>(db);
    m_get->prepare(QStringLiteral(
        "SELECT value FROM settings WHERE application = ? AND section = ? AND key = ?"));
    m_delete = std::make_unique<QSqlQuery>(db);
    m_delete->prepare(QStringLiteral("DELETE FROM settings WHERE application = ? AND section = ?"));
    m_section = std::make_unique<QSqlQuery>(db);
    // Read once from start to end: without this Qt keeps every row of a long section in a cache.
    m_section->setForwardOnly(true);
    m_section->prepare(
        QStringLiteral("SELECT key, value FROM settings WHERE application = ? AND section = ?"));
}

SettingsStore::~SettingsStore() {
    // The check's read-only connection cannot remove the write-ahead log: the program's own
    // connection closes last and does.
    if (m_check.valid())
        m_check.wait();
    sqlite3* handle = sqlite3_db_handle(m_save);
    m_get.reset();
    sqlite3_finalize(m_save);
    m_delete.reset();
    m_section.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (m_transactionDepth > 0 && !m_transactionFailed)
            sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void SettingsStore::exec(QSqlQuery& query) const {
    if (!query.exec())
        std::fprintf(stderr, "orvalin: settings store %s: %s\n", qPrintable(m_path),
                     qPrintable(query.lastError().text()));
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
    const int code = sqlite3_extended_errcode(sqlite3_db_handle(m_save));
    std::fprintf(stderr, "orvalin: settings store %s: %s\n", qPrintable(m_path),
                 qPrintable(reason));
    if (m_transactionDepth > 0 && !m_transactionFailed) {
        sqlite3_exec(sqlite3_db_handle(m_save), "ROLLBACK", nullptr, nullptr, nullptr);
        m_transactionFailed = true;
    }
    if (!m_failing && g_failureHandler)
        g_failureHandler(
            QStringLiteral("Asetustiedostoon %1 ei voi nyt kirjoittaa (%2). Ohjelma jatkaa ja "
                           "yrittää uudelleen, kun sillä on seuraavan kerran tallennettavaa.")
                .arg(QDir::toNativeSeparators(m_path), FinnishReason(code, reason)));
    m_failing = true;
}

void SettingsStore::write(QSqlQuery& query) {
    if (m_transactionFailed || !writable())
        return;
    if (query.exec())
        m_failing = m_failing && m_transactionDepth > 0;
    else
        failed(query.lastError().databaseText());
}

void SettingsStore::exec(const QString& statement) {
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(statement);
    write(query);
}

// The totals go in one text, a tab between each: a journal is read whole or not at all.
void SettingsStore::saveJournal(const CallJournal& journal) {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO journal VALUES (1, ?, ?, ?, ?, ?)"));
    q.addBindValue(journal.date);
    q.addBindValue(journal.duration);
    q.addBindValue(journal.price);
    q.addBindValue(journal.totals.join(u'\t'));
    q.addBindValue(journal.totalsStored ? 1 : 0);
    write(q);
}

std::optional<CallJournal> SettingsStore::journal() const {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT date, duration, price, totals, totals_stored FROM journal"));
    exec(q);
    if (!q.next())
        return std::nullopt;
    return CallJournal{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                       q.value(3).toString().split(u'\t'), q.value(4).toInt() == 1};
}

void SettingsStore::clearJournal() {
    exec(QStringLiteral("DELETE FROM journal"));
}

void SettingsStore::setJournalAside() {
    beginTransaction();
    exec(QStringLiteral("INSERT INTO journal_aside SELECT date, duration, price, totals, "
                        "totals_stored, datetime('now') FROM journal"));
    clearJournal();
    commitTransaction();
}

QString SettingsStore::get(const QString& application, const QString& section, const QString& key,
                           const QString& fallback) const {
    m_get->bindValue(0, application);
    m_get->bindValue(1, section);
    m_get->bindValue(2, key);
    exec(*m_get);
    const QString value = m_get->next() ? m_get->value(0).toString() : fallback;
    m_get->finish();
    return value;
}

void SettingsStore::save(const QString& application, const QString& section, const QString& key,
                         const QString& value) {
    // While the full check runs, a value equal to the stored one is left alone rather than
    // waited for: each start writes back values it has just read.
    if (m_check.valid() && m_check.wait_for(std::chrono::seconds(0)) != std::future_status::ready &&
        get(application, section, key, {}) == value)
        return;
    bindText(m_save, 1, application);
    bindText(m_save, 2, section);
    bindText(m_save, 3, key);
    bindText(m_save, 4, value);
    if (m_transactionFailed || !writable())
        return;
    const bool done = sqlite3_step(m_save) == SQLITE_DONE;
    const QString reason = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_save)));
    sqlite3_reset(m_save);
    if (done)
        m_failing = m_failing && m_transactionDepth > 0;
    else
        failed(reason);
}

void SettingsStore::deleteSection(const QString& application, const QString& section) {
    m_delete->bindValue(0, application);
    m_delete->bindValue(1, section);
    write(*m_delete);
}

void SettingsStore::deleteApplication(const QString& application) {
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("DELETE FROM settings WHERE application = ?"));
    q.addBindValue(application);
    write(q);
}

QHash<QString, QString> SettingsStore::section(const QString& application,
                                               const QString& section) const {
    QHash<QString, QString> values;
    m_section->bindValue(0, application);
    m_section->bindValue(1, section);
    exec(*m_section);
    while (m_section->next())
        values.insert(m_section->value(0).toString(), m_section->value(1).toString());
    m_section->finish();
    return values;
}

QList<QHash<QString, QString>> SettingsStore::readSections(const QString& path,
                                                           const QString& application,
                                                           const QStringList& sections) {
    QList<QHash<QString, QString>> values(sections.size());
    const QString connection = QStringLiteral("orvalin-reader-%1")
                                   .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open() && db.transaction()) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.prepare(QStringLiteral(
                "SELECT key, value FROM settings WHERE application = ? AND section = ?"));
            for (qsizetype i = 0; i < sections.size(); ++i) {
                q.bindValue(0, application);
                q.bindValue(1, sections[i]);
                if (!q.exec())
                    std::fprintf(stderr, "orvalin: settings store %s: %s\n", qPrintable(path),
                                 qPrintable(q.lastError().text()));
                while (q.next())
                    values[i].insert(q.value(0).toString(), q.value(1).toString());
                q.finish();
            }
            db.commit();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return values;
}

// The write lock is taken as the transaction begins, so that another program that holds the
// file cannot let the first writes in and keep the later ones out.
void SettingsStore::beginTransaction() {
    if (m_transactionDepth++ > 0)
        return;
    m_transactionFailed = !writable();
    sqlite3* handle = sqlite3_db_handle(m_save);
    if (m_transactionFailed)
        return;
    if (sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        failed(QString::fromUtf8(sqlite3_errmsg(handle)));
        m_transactionFailed = true;
    }
}

void SettingsStore::commitTransaction() {
    if (m_transactionDepth == 0 || --m_transactionDepth > 0)
        return;
    sqlite3* handle = sqlite3_db_handle(m_save);
    if (m_transactionFailed)
        m_transactionFailed = false;
    else if (sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        failed(QString::fromUtf8(sqlite3_errmsg(handle)));
        // A commit that fails on a full disk may leave the transaction open, and the next
        // writes would then join it.
        if (!sqlite3_get_autocommit(handle))
            sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
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

void SaveCallJournal(const CallJournal& journal) {
    if (SettingsStore* store = SettingsStore::current())
        store->saveJournal(journal);
}

void ClearCallJournal() {
    if (SettingsStore* store = SettingsStore::current())
        store->clearJournal();
}

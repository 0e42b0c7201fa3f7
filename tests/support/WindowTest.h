#pragma once

// The whole program and Qt's modules, included once here, so that a test file says only what it
// tests.
#include "TestPlatform.h"
#include "app/Form1.h"
#include "app/Globals.h"
#include "app/Program.h"
#include "common/Form.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "common/NumberText.h"
#include "dialer/LinuxDialUp.h"
#include "dialer/Phonebook.h"
#include "dialer/demo/SimulatedDialUp.h"
#include "dialer/modem/ModemDialUp.h"
#include "dialup/Form5.h"
#include "log/CallLog.h"
#include "log/Form7.h"
#include "log/FrmTilastot.h"
#include "log/ListView.h"
#include "meter/AlarmLimits.h"
#include "meter/Form2.h"
#include "meter/Form22.h"
#include "meter/Markka.h"
#include "platform/LinuxPlatform.h"
#include "platform/RealTimeAlarm.h"
#include "settings/SettingsStore.h"
#include "tariffs/Form3.h"
#include "tariffs/Form4.h"
#include "tariffs/Form6.h"
#include "tariffs/FrmTyyppi1.h"
#include "tariffs/FrmTyyppi2.h"
#include "tariffs/TariffFields.h"
#include "transfer/Transfer.h"

#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The base of every test of windows: each test function starts with a fresh temporary store and
// runtime folder, the platform doubles installed, the program-wide variables at their start
// values, and no window loaded; whatever it loaded is unloaded afterwards.
class WindowTest : public QObject {
    Q_OBJECT
protected:
    TestPlatform& platform() { return *m_platform; }
    QString configFolder() const { return m_folder->path() + u"/config"_s; }
    QString storePath() const { return configFolder() + u"/Orvalin/Orvalin.sqlite"_s; }
    // The stored value, or "<absent>" when the key is not in the store.
    static QString stored(const QString& section, const QString& key) {
        return GetSetting(Keys::App, section, key, u"<absent>"_s);
    }
    static void store(const QString& section, const QString& key, const QString& value) {
        SaveSetting(Keys::App, section, key, value);
    }
    // Unloads every loaded window, as the end of the program does, and lets Qt delete them.
    static void unloadAll();
    // Replaces the text of a box the way the user does, key by key.
    static void typeInto(QLineEdit* box, const QString& text);
    // Clicks a button that opens a modal window, runs `inside` with that window once it is up and
    // returns when the modal window is gone. A window that a failed check leaves open is closed,
    // so that a test never hangs on it.
    static void clickOpeningModal(QAbstractButton* opener,
                                  const std::function<void(QWidget*)>& inside);

protected slots:
    void init();
    void cleanup();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TestPlatform> m_platform;
};

// A table of one text column "row", a row per line (or per separator), each named by itself.
inline void rows(const QString& table, QChar separator = u'\n') {
    QTest::addColumn<QString>("row");
    for (const QString& row : table.split(separator, Qt::SkipEmptyParts))
        QTest::newRow(qPrintable(row)) << row;
}
// The current row's text, and its cells.
inline QString cell() {
    return *static_cast<QString*>(QTest::qData("row", qMetaTypeId<QString>()));
}
inline QStringList row(QChar separator = u' ') {
    return cell().split(separator);
}

// Rows as text, "|" between cells and ";" between rows, from a cell's text by row and column.
inline QString table(int count, const std::function<QString(int, int)>& cell, int columns = 3) {
    QString text;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < columns; ++c)
            text += (c ? u"|"_s : i ? u";"_s : u""_s) + cell(i, c);
    return text;
}

// Runs a statement on a connection, the store's own unless told, and gives the first column of
// its first row; a statement that fails fails the test.
inline QString onStore(const QString& text, sqlite3* db = SettingsStore::current()->handle()) {
    sqlite3_stmt* statement = nullptr;
    const bool prepared = sqlite3_prepare16_v2(db, text.utf16(), -1, &statement, nullptr) == 0;
    const int result = prepared ? sqlite3_step(statement) : SQLITE_ERROR;
    const QString first =
        result == SQLITE_ROW
            ? QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(statement, 0)))
            : QString();
    sqlite3_finalize(statement);
    if (result != SQLITE_ROW && result != SQLITE_DONE)
        QTest::qFail(qPrintable(text + u": "_s + QString::fromUtf8(sqlite3_errmsg(db))), __FILE__,
                     __LINE__);
    return first;
}

// The file's bytes, none when it cannot be read.
QByteArray FileContents(const QString& path);
// Writes the file whole, or fails the test.
void WriteFile(const QString& path, const QByteArray& bytes);

// Runs the test object's functions in an offscreen application that looks as the program does.
int RunWindowTest(int argc, char** argv, QObject* test);

#define ORVALIN_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv) {                                                              \
        TestClass test;                                                                            \
        return RunWindowTest(argc, argv, &test);                                                   \
    }

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One attempt's result on the simulated modem.
struct DemoOutcome {
    enum class Kind { Connect, Busy, NoAnswer, NoDialtone, Voice, NoCarrier, Disconnected, State };
    Kind kind = Kind::Connect;
    // For Kind::State: the state reported and its text.
    int stateCode = 0;
    QString stateText;
};

struct PhonebookEntry {
    QString name;
    QString phone;
    QList<DemoOutcome> outcomes{DemoOutcome{}};
    int stepMilliseconds = 300;
    // Seconds the connection stays up; 0 keeps it up until the program ends.
    int durationSeconds = 90;
    int port = 1;
};

struct Phonebook {
    QList<PhonebookEntry> entries;
    // One line per line of the file that was skipped, saying where and why.
    QStringList problems;

    // $XDG_CONFIG_HOME/Orvalin/puhelinluettelo.conf
    static QString defaultPath();
    // Reads a wvdial-style file of [Dialer NAME] sections. A missing file gives the built-in
    // demo entries.
    static Phonebook load(const QString& path);
    static Phonebook parse(const QString& text, const QString& fileName);
    static QList<PhonebookEntry> builtInEntries();
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
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

// How a real modem is dialed, in the keys of wvdial.conf and with wvdial's defaults.
struct ModemSettings {
    // As written: the lock is taken under this name and under the device it leads to.
    QString device;
    int baud = 57600;
    // Init (or Init1) to Init9 in their order; the first resets the modem.
    QStringList init{QStringLiteral("ATZ")};
    // Phone, then Phone1 to Phone4 up to the first that is missing: a busy line moves the next
    // call to the next number.
    QStringList phones;
    QString dialPrefix;
    QString areaCode;
    QString dialCommand = QStringLiteral("ATDT");
    int dialTimeoutSeconds = 60;
    QString pppdPath = QStringLiteral("/usr/sbin/pppd");
    // pppd starts at CONNECT, without looking for a terminal server's login prompt.
    bool stupidMode = false;
    // Prompts answered besides "login:", "username:" and "password:".
    QString loginPrompt;
    QString passwordPrompt;
    // pppd hangs up a link idle this long; 0 never.
    int idleSeconds = 0;
    // pppd asks the provider for its name servers.
    bool autoDns = true;
    // The local address pppd insists on, for a provider that does not give one.
    QString forceAddress;
    // A modem that has lost its carrier (DCD) by the time pppd would start fails the call.
    bool carrierCheck = true;

    // The dial command for the number at this index, as wvdial builds it: a pause after the
    // prefix, then the area code and the number.
    QByteArray dialString(qsizetype number) const;
};

struct PhonebookEntry {
    QString name;
    QList<DemoOutcome> outcomes{DemoOutcome{}};
    int stepMilliseconds = 300;
    // Seconds the connection stays up; 0 keeps it up until the program ends.
    int durationSeconds = 90;
    int port = 1;
    // Without a device the entry dials the simulated modem.
    ModemSettings modem;
    // The keys whose value the program follows otherwise than wvdial would, each with what the
    // program does instead.
    QStringList differing;

    bool isDemo() const { return modem.device.isEmpty(); }
};

// The files the entries come from, in their order: Orvalin's own phonebook first, then the
// system's and the user's wvdial configuration.
struct PhonebookFiles {
    QString own;
    QStringList wvdial;
};

struct Phonebook {
    QList<PhonebookEntry> entries;
    // One line per line of a file that was skipped, and per file that could not be read, saying
    // where and why.
    QStringList problems;
    // The devices of the ports 1 to 4, from the own phonebook's [Com Ports]; the others are
    // /dev/ttyS0 to /dev/ttyS3.
    QMap<int, QString> comPorts;

    // When no file gives an entry, the built-in demo entries.
    static Phonebook load(const PhonebookFiles& files);
    // The own phonebook's text alone.
    static Phonebook parse(const QString& text, const QString& fileName);
    static QList<PhonebookEntry> builtInEntries();
    // The device of COM port 1 to 4.
    QString comDevice(int port) const;
    // The name of the entry at this index; empty outside the list.
    QString nameAt(int index) const;
    // The entry of this name, exactly as written; nothing when there is none.
    const PhonebookEntry* find(const QString& name) const;
};

#pragma once

#include "dialer/Phonebook.h"
#include "dialer/demo/SimulatedDialUp.h"
#include "dialer/modem/ModemDialUp.h"

#include <memory>

// The dial-up component of the running program: the phonebook's entries, each dialed by the
// simulated modem or by a real one, as the entry says.
class LinuxDialUp : public DialUp {
    Q_OBJECT
public:
    LinuxDialUp(PhonebookFiles files, ModemSystem system, QObject* parent = nullptr);

    int EntryCount() override;
    QString EntryAt(int index) override;
    void setEntry(const QString& entry) override;
    void setUserName(const QString& userName) override;
    void setPassword(const QString& password) override;
    void Dial() override;
    void HangUp() override;
    int StateCode() const override;
    QString StateText() const override;
    QStringList OpenLinks() override;

    // What the user is told once after start-up, each under its heading: the phonebook's skipped
    // lines and unreadable files, what each real modem's entry lacks before it can be dialed,
    // the entries whose modem no "Com:" number is, and the keys followed otherwise than wvdial
    // follows them.
    struct SetupNote {
        QString heading;
        QStringList lines;
    };
    QList<SetupNote> setupNotes();
    // The port the meter probes: the device of a real modem's call, else the simulated one.
    std::unique_ptr<SerialPort> createSerialPort();

private:
    // The phonebook is read when first asked for, after the one-copy check.
    const Phonebook& book();

    PhonebookFiles m_files;
    ModemSystem m_system;
    std::optional<Phonebook> m_book;
    std::unique_ptr<SimulatedDialUp> m_simulated;
    std::unique_ptr<ModemDialUp> m_modem;
    DialUp* m_active = nullptr;
    QString m_entry;
};

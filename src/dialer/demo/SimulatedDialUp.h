#pragma once

#include "dialer/DialUp.h"
#include "dialer/Phonebook.h"

#include <QTimer>
#include <memory>

// The dial-up component on a simulated modem: it dials the entries of a phonebook file, plays
// the state texts a remote-access service reports for each scripted outcome, and while one of its
// connections is up it holds that entry's port, as a real modem holds its serial port.
class SimulatedDialUp : public DialUp {
    Q_OBJECT
public:
    explicit SimulatedDialUp(Phonebook phonebook, QObject* parent = nullptr);

    int EntryCount() override;
    QString EntryAt(int index) override;
    void setEntry(const QString& entry) override;
    void setUserName(const QString& userName) override;
    void setPassword(const QString& password) override;
    void Dial() override;
    void HangUp() override;
    int StateCode() const override { return m_stateCode; }
    QString StateText() const override { return m_stateText; }

    // Whether a connection of ours holds this port now.
    bool holdsPort(int port) const;
    // The meter's probe of the ports 1 to 4: virtual, each busy while a connection of ours holds
    // it, and any other opens at once.
    std::unique_ptr<SerialPort> createSerialPort() const;

private:
    struct Step {
        int code;
        QString text;
        Step(int code, const QString& text) : code(code), text(text) {}
        explicit Step(const DialState& state) : code(state.code), text(state.name()) {}
    };
    void nextStep();
    void drop();

    Phonebook m_phonebook;
    QString m_entry;
    int m_attempt = 0;
    QList<Step> m_steps;
    qsizetype m_stepIndex = 0;
    const PhonebookEntry* m_dialing = nullptr;
    int m_heldPort = 0;
    int m_stateCode = 0;
    QString m_stateText;
    QTimer m_stepTimer;
    QTimer m_dropTimer;
};

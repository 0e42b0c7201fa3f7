#pragma once

#include "dialer/DialUp.h"
#include "dialer/Phonebook.h"
#include "dialer/modem/Pppd.h"
#include "dialer/modem/SerialLine.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

// Where the machine keeps what a real modem call needs.
struct ModemSystem {
    QString lockFolder = QStringLiteral("/run/lock");
    // The options every call gives pppd: `call orvalin` reads them, and only a root-owned file
    // there may load the plugin that takes the password from a descriptor.
    QString peersFile = QStringLiteral("/etc/ppp/peers/orvalin");
    QString pppDevice = QStringLiteral("/dev/ppp");
    // Where pppd's log of the running call is written.
    QString logFolder;
};

// What stands between an entry and its first call, one text per problem: the number, the
// device, its permissions, pppd, its options and the kernel's PPP support, each with what to do.
QStringList SetupProblems(const ModemSettings& modem, const ModemSystem& system);

// Dials the phonebook's device entries through a Hayes modem: AT commands on the serial line,
// the login prompts of a terminal server, then pppd on the same open line for the link. The line
// is locked for the whole call, and once pppd has the link the locks name pppd, which may
// outlive the program.
class ModemDialUp : public DialUp {
    Q_OBJECT
public:
    ModemDialUp(Phonebook phonebook, ModemSystem system, QObject* parent = nullptr);
    // A link that is up stays up: pppd goes on and keeps the line locked.
    ~ModemDialUp() override;

    int EntryCount() override;
    QString EntryAt(int index) override;
    void setEntry(const QString& entry) override;
    void setUserName(const QString& userName) override;
    void setPassword(const QString& password) override;
    void Dial() override;
    void HangUp() override;
    int StateCode() const override { return m_state.code; }
    QString StateText() const override { return m_state.name(); }

    // The pid of the pppd of the current call, 0 when there is none.
    pid_t pppdPid() const { return m_pppd.pid(); }

private:
    enum class Phase { Idle, Resetting, Commanding, Quieting, Dialing, Prompting, Linking, Up };
    static constexpr int CommandTimeout = 5000;
    // How long ATQ0 may take before a command the modem ignored is sent again.
    static constexpr int QuietTimeout = 500;
    // How long a terminal server may take to ask for a login or to start PPP.
    static constexpr int PromptTimeout = 10000;

    void start();
    void report(const DialState& state);
    void fail(const DialState& state, const QString& why);
    bool send(const QByteArray& bytes);
    void sendCommand(const QByteArray& command, int timeout);
    void readModem();
    void modemSays(const QByteArray& line);
    void answerPrompts();
    void nextCommand();
    void timedOut();
    void startPppd();
    void pppdSays(const QString& line);
    void pppdEnded(int code);
    void closeLine();

    Phonebook m_phonebook;
    ModemSystem m_system;
    QString m_entryName;
    QString m_userName;
    QString m_password;
    const PhonebookEntry* m_entry = nullptr;
    // The number the next dial calls: a busy one moves it on.
    qsizetype m_number = 0;
    DialState m_state = DialStates::Disconnected;
    Phase m_phase = Phase::Idle;

    std::unique_ptr<LineLock> m_lock;
    int m_line = -1;
    std::unique_ptr<QSocketNotifier> m_lineReady;
    QByteArray m_received;
    qsizetype m_nextInit = 0;
    QByteArray m_sent;
    // The command was sent once more after ATQ0.
    bool m_resent = false;
    QTimer m_timeout;

    Pppd m_pppd;
};

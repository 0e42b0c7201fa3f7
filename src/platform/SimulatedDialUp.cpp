#include "SimulatedDialUp.h"

namespace {

constexpr int StateOpenPort = 0;
constexpr int StatePortOpened = 1;
constexpr int StateConnectDevice = 2;
constexpr int StateDeviceConnected = 3;
constexpr int StateAllDevicesConnected = 4;
constexpr int StateAuthenticate = 5;
constexpr int StateLogonNetwork = 6;
constexpr int StateDisconnected = 8193;
// Marks the end of a step list: the Done event.
constexpr int DoneMarker = -1;

} // namespace

SimulatedDialUp::SimulatedDialUp(const QString& phonebookPath, QObject* parent)
    : DialUp(parent), m_phonebookPath(phonebookPath) {
    m_stepTimer.setSingleShot(true);
    m_dropTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, &SimulatedDialUp::nextStep);
    connect(&m_dropTimer, &QTimer::timeout, this, &SimulatedDialUp::drop);
}

void SimulatedDialUp::loadPhonebook() {
    if (m_loaded)
        return;
    m_phonebook = Phonebook::load(m_phonebookPath);
    m_loaded = true;
}

int SimulatedDialUp::EntryCount() {
    loadPhonebook();
    return static_cast<int>(m_phonebook.entries.size());
}

QString SimulatedDialUp::EntryAt(int index) {
    loadPhonebook();
    return index >= 0 && index < m_phonebook.entries.size() ? m_phonebook.entries[index].name
                                                            : QString();
}

QStringList SimulatedDialUp::problems() {
    loadPhonebook();
    return m_phonebook.problems;
}

void SimulatedDialUp::setEntry(const QString& entry) {
    m_entry = entry;
    m_attempt = 0;
}

// The simulated modem takes no account of the account: nothing to check, nothing kept.
void SimulatedDialUp::setUserName(const QString&) {}
void SimulatedDialUp::setPassword(const QString&) {}

void SimulatedDialUp::Dial() {
    loadPhonebook();
    m_stepTimer.stop();
    m_dialing = nullptr;
    for (const PhonebookEntry& entry : m_phonebook.entries)
        if (entry.name == m_entry)
            m_dialing = &entry;

    using Kind = DemoOutcome::Kind;
    const QList<Step> start = {{StateOpenPort, QStringLiteral("Open Port")},
                               {StatePortOpened, QStringLiteral("Port Opened")},
                               {StateConnectDevice, QStringLiteral("Connect Device")}};
    m_steps = start;
    if (!m_dialing) {
        // An entry the phonebook does not know: the service cannot find a device for it.
        m_steps = {{StateOpenPort, QStringLiteral("Open Port")},
                   {StateDisconnected, QStringLiteral("Disconnected")}};
    } else {
        const QList<DemoOutcome>& outcomes = m_dialing->outcomes;
        const DemoOutcome outcome = outcomes[std::min<qsizetype>(m_attempt, outcomes.size() - 1)];
        switch (outcome.kind) {
        case Kind::Connect:
            m_steps << Step{StateDeviceConnected, QStringLiteral("Device Connected")}
                    << Step{StateAllDevicesConnected, QStringLiteral("All Devices Connected")}
                    << Step{StateAuthenticate, QStringLiteral("Start Authentication")}
                    << Step{StateLogonNetwork, QStringLiteral("Logon Network")}
                    << Step{StateConnected, QStringLiteral("Connected")};
            break;
        case Kind::Busy:
            m_steps << Step{StateDisconnected, QStringLiteral("Disconnected - Line Busy")};
            break;
        case Kind::NoAnswer:
            m_steps << Step{StateDisconnected, QStringLiteral("Disconnected - No Answer")};
            break;
        case Kind::NoDialtone:
            m_steps = {{StateOpenPort, QStringLiteral("Open Port")},
                       {StatePortOpened, QStringLiteral("Port Opened")},
                       {StateDisconnected, QStringLiteral("Disconnected - No Dialtone")}};
            break;
        case Kind::Voice:
            m_steps << Step{StateDisconnected, QStringLiteral("Disconnected - Voice Answer")};
            break;
        case Kind::NoCarrier:
            m_steps << Step{StateDeviceConnected, QStringLiteral("Device Connected")}
                    << Step{StateDisconnected, QStringLiteral("Disconnected - No Carrier")};
            break;
        case Kind::Disconnected:
            m_steps << Step{StateDisconnected, QStringLiteral("Disconnected")};
            break;
        case Kind::State:
            m_steps << Step{outcome.stateCode, outcome.stateText};
            break;
        }
    }
    m_steps << Step{DoneMarker, {}};
    ++m_attempt;
    m_stepIndex = 0;
    m_stepTimer.start(m_dialing ? m_dialing->stepMilliseconds : 0);
}

void SimulatedDialUp::nextStep() {
    if (m_stepIndex >= m_steps.size())
        return;
    const Step step = m_steps[m_stepIndex++];
    if (step.code == DoneMarker) {
        emit Done();
        return;
    }
    m_stateCode = step.code;
    m_stateText = step.text;
    if (step.code == StateConnected) {
        m_heldPort = m_dialing->port;
        if (m_dialing->durationSeconds > 0)
            m_dropTimer.start(m_dialing->durationSeconds * 1000);
        // The connected state is reported by Done alone.
        m_stepTimer.start(0);
        return;
    }
    emit Progress(step.code);
    m_stepTimer.start(m_dialing ? m_dialing->stepMilliseconds : 0);
}

void SimulatedDialUp::HangUp() {
    m_stepTimer.stop();
    m_steps.clear();
    m_stateCode = StateDisconnected;
    m_stateText = QStringLiteral("Disconnected");
}

void SimulatedDialUp::drop() {
    m_heldPort = 0;
    m_stateCode = StateDisconnected;
    m_stateText = QStringLiteral("Disconnected");
    emit Progress(StateDisconnected);
}

bool SimulatedDialUp::holdsPort(int port) const {
    return m_heldPort != 0 && m_heldPort == port;
}

#include "SimulatedDialUp.h"

using namespace DialStates;

namespace {

// Marks the end of a step list: the Done event.
constexpr DialState DoneMarker{-1, u""};

class VirtualSerialPort : public SerialPort {
public:
    explicit VirtualSerialPort(const SimulatedDialUp& dialUp) : m_dialUp(dialUp) {}
    bool setPort(int number) override {
        if (number < 1 || number > 4)
            return false;
        m_port = number;
        return true;
    }
    bool open() override { return m_port != 0 && !m_dialUp.holdsPort(m_port); }
    bool close() override { return true; }

private:
    const SimulatedDialUp& m_dialUp;
    int m_port = 0;
};

} // namespace

SimulatedDialUp::SimulatedDialUp(Phonebook phonebook, QObject* parent)
    : DialUp(parent), m_phonebook(std::move(phonebook)) {
    m_stepTimer.setSingleShot(true);
    m_dropTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, &SimulatedDialUp::nextStep);
    connect(&m_dropTimer, &QTimer::timeout, this, &SimulatedDialUp::drop);
}

int SimulatedDialUp::EntryCount() {
    return static_cast<int>(m_phonebook.entries.size());
}

QString SimulatedDialUp::EntryAt(int index) {
    return m_phonebook.nameAt(index);
}

void SimulatedDialUp::setEntry(const QString& entry) {
    m_entry = entry;
    m_attempt = 0;
}

// The simulated modem takes no account of the account: nothing to check, nothing kept.
void SimulatedDialUp::setUserName(const QString&) {}
void SimulatedDialUp::setPassword(const QString&) {}

void SimulatedDialUp::Dial() {
    m_stepTimer.stop();
    m_dialing = m_phonebook.find(m_entry);

    using Kind = DemoOutcome::Kind;
    const QList<Step> start = {Step(OpenPort), Step(PortOpened), Step(ConnectDevice)};
    m_steps = start;
    if (!m_dialing) {
        // An entry the phonebook does not know: the service cannot find a device for it.
        m_steps = {Step(OpenPort), Step(Disconnected)};
    } else {
        const QList<DemoOutcome>& outcomes = m_dialing->outcomes;
        const DemoOutcome outcome = outcomes[std::min<qsizetype>(m_attempt, outcomes.size() - 1)];
        switch (outcome.kind) {
        case Kind::Connect:
            m_steps << Step(DeviceConnected) << Step(AllDevicesConnected)
                    << Step(StartAuthentication) << Step(LogonNetwork) << Step(Connected);
            break;
        case Kind::Busy:
            m_steps << Step(LineBusy);
            break;
        case Kind::NoAnswer:
            m_steps << Step(NoAnswer);
            break;
        case Kind::NoDialtone:
            m_steps = {Step(OpenPort), Step(PortOpened), Step(NoDialtone)};
            break;
        case Kind::Voice:
            m_steps << Step(VoiceAnswer);
            break;
        case Kind::NoCarrier:
            m_steps << Step(DeviceConnected) << Step(NoCarrier);
            break;
        case Kind::Disconnected:
            m_steps << Step(Disconnected);
            break;
        case Kind::State:
            m_steps << Step{outcome.stateCode, outcome.stateText};
            break;
        }
    }
    m_steps << Step(DoneMarker);
    ++m_attempt;
    m_stepIndex = 0;
    m_stepTimer.start(m_dialing ? m_dialing->stepMilliseconds : 0);
}

void SimulatedDialUp::nextStep() {
    if (m_stepIndex >= m_steps.size())
        return;
    const Step step = m_steps[m_stepIndex++];
    if (step.code == DoneMarker.code) {
        emit Done();
        return;
    }
    m_stateCode = step.code;
    m_stateText = step.text;
    if (step.code == Connected.code) {
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
    m_stateCode = Disconnected.code;
    m_stateText = Disconnected.name();
}

void SimulatedDialUp::drop() {
    m_heldPort = 0;
    m_stateCode = Disconnected.code;
    m_stateText = Disconnected.name();
    emit Progress(Disconnected.code);
}

bool SimulatedDialUp::holdsPort(int port) const {
    return m_heldPort != 0 && m_heldPort == port;
}

std::unique_ptr<SerialPort> SimulatedDialUp::createSerialPort() const {
    return std::make_unique<VirtualSerialPort>(*this);
}

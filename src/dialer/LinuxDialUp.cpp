#include "LinuxDialUp.h"

#include "dialer/modem/SerialLine.h"

#include <QFile>

namespace {

// While the simulated modem holds a connection, the port it uses cannot be opened; ports 1 to
// 4 are virtual and any other opens at once.
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

LinuxDialUp::LinuxDialUp(PhonebookFiles files, ModemSystem system, QObject* parent)
    : DialUp(parent), m_files(std::move(files)), m_system(std::move(system)) {}

const Phonebook& LinuxDialUp::book() {
    if (!m_book) {
        m_book = Phonebook::load(m_files);
        m_simulated = std::make_unique<SimulatedDialUp>(*m_book);
        m_modem = std::make_unique<ModemDialUp>(*m_book, m_system);
        for (DialUp* dialUp :
             {static_cast<DialUp*>(m_simulated.get()), static_cast<DialUp*>(m_modem.get())}) {
            connect(dialUp, &DialUp::Progress, this, [this, dialUp](int state) {
                if (dialUp == m_active)
                    emit Progress(state);
            });
            connect(dialUp, &DialUp::Done, this, [this, dialUp] {
                if (dialUp == m_active)
                    emit Done();
            });
        }
        m_active = m_simulated.get();
    }
    return *m_book;
}

int LinuxDialUp::EntryCount() {
    return static_cast<int>(book().entries.size());
}

QString LinuxDialUp::EntryAt(int index) {
    return book().nameAt(index);
}

void LinuxDialUp::setEntry(const QString& entry) {
    book();
    m_entry = entry;
    m_simulated->setEntry(entry);
    m_modem->setEntry(entry);
}

void LinuxDialUp::setUserName(const QString& userName) {
    book();
    m_modem->setUserName(userName);
}

void LinuxDialUp::setPassword(const QString& password) {
    book();
    m_modem->setPassword(password);
}

// An entry the phonebook does not know goes to the simulated modem, which reports it as a
// service would: no device to dial.
void LinuxDialUp::Dial() {
    const PhonebookEntry* entry = book().find(m_entry);
    m_active = entry && !entry->isDemo() ? static_cast<DialUp*>(m_modem.get()) : m_simulated.get();
    m_active->Dial();
}

void LinuxDialUp::HangUp() {
    book();
    m_active->HangUp();
}

int LinuxDialUp::StateCode() const {
    return m_active ? m_active->StateCode() : DialStates::Disconnected.code;
}

QString LinuxDialUp::StateText() const {
    return m_active ? m_active->StateText() : DialStates::Disconnected.name();
}

QStringList LinuxDialUp::problems() {
    return book().problems;
}

QStringList LinuxDialUp::setupProblems() {
    QStringList problems;
    for (const PhonebookEntry& entry : book().entries)
        if (!entry.isDemo())
            if (const QStringList lacks = SetupProblems(entry.modem, m_system); !lacks.isEmpty())
                problems << entry.name + QStringLiteral(": ") + lacks.join(QStringLiteral("; "));
    return problems;
}

QStringList LinuxDialUp::OpenLinks() {
    QStringList links;
    for (const PhonebookEntry& entry : book().entries) {
        if (entry.isDemo())
            continue;
        const pid_t pppd = LineLock(entry.modem.device, m_system.lockFolder).holder().value_or(0);
        QFile name(QStringLiteral("/proc/%1/comm").arg(pppd));
        if (pppd > 0 && name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "pppd")
            links << QStringLiteral("Yhteys %1 on yhä auki, eikä sitä mitata: pppd (prosessi %2) "
                                    "pitää linjaa %3. Yhteyden katkaisee komento kill %2.")
                         .arg(entry.name)
                         .arg(pppd)
                         .arg(entry.modem.device);
    }
    return links;
}

std::unique_ptr<SerialPort> LinuxDialUp::createSerialPort() {
    book();
    if (m_active == m_modem.get())
        return std::make_unique<DeviceSerialPort>(
            [book = &*m_book](int port) { return book->comDevice(port); }, m_system.lockFolder);
    return std::make_unique<VirtualSerialPort>(*m_simulated);
}

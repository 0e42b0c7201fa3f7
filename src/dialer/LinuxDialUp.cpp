#include "LinuxDialUp.h"

#include "dialer/modem/SerialLine.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

QString resolved(const QString& device) {
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
}

// What is said of several entries alike, said once, with the entries' names.
class SaidOfEntries {
public:
    void add(const QString& name, const QString& text) {
        for (auto& [said, names] : m_said)
            if (said == text)
                return names.append(name);
        m_said.append({text, {name}});
    }
    // "NAME, NAME: text" each.
    QStringList namesFirst() const {
        QStringList lines;
        for (const auto& [text, names] : m_said)
            lines << names.join(QStringLiteral(", ")) + QStringLiteral(": ") + text;
        return lines;
    }
    // "text (NAME, NAME)" each.
    QStringList namesLast() const {
        QStringList lines;
        for (const auto& [text, names] : m_said)
            lines << text + QStringLiteral(" (") + names.join(QStringLiteral(", ")) + u')';
        return lines;
    }

private:
    QList<std::pair<QString, QStringList>> m_said;
};

// For each device of a modem entry that no "Com:" number is, the lines of [Com Ports] that make
// it one: the meter's probe finds the end of a call by that number alone.
QStringList unmappedModems(const Phonebook& book, const QString& ownFile) {
    QSet<QString> comDevices;
    for (int port = 1; port <= 4; ++port)
        comDevices.insert(resolved(book.comDevice(port)));
    QSet<int> taken(book.comPorts.keyBegin(), book.comPorts.keyEnd());
    QMap<QString, int> suggested;
    SaidOfEntries said;
    for (const PhonebookEntry& entry : book.entries) {
        const QString device = resolved(entry.modem.device);
        if (entry.isDemo() || comDevices.contains(device))
            continue;
        if (!suggested.contains(device)) {
            int port = 1;
            while (taken.contains(port))
                ++port;
            taken.insert(port);
            suggested.insert(device, port);
        }
        const int port = suggested[device];
        const QString modem = entry.modem.device;
        const QString none =
            QStringLiteral("modeemi %1 ei ole minkään Com-numeron laite").arg(modem);
        const QString add = book.comPorts.isEmpty()
                                ? QStringLiteral("Lisää tiedostoon %1 rivit\n[Com Ports]\n")
                                : QStringLiteral("Lisää tiedoston %1 osioon [Com Ports] rivi\n");
        said.add(entry.name,
                 port > 4 ? none + QStringLiteral(", eikä vapaata Com-numeroa ole: vaihda jokin "
                                                  "tiedoston %1 osion [Com Ports] riveistä.")
                                       .arg(ownFile)
                          : none + QStringLiteral(". ") + add.arg(ownFile) +
                                QStringLiteral("Com%1 = %2\nja valitse Asetuksissa Com: %1.")
                                    .arg(port)
                                    .arg(modem));
    }
    return said.namesFirst();
}

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

QList<LinuxDialUp::SetupNote> LinuxDialUp::setupNotes() {
    const Phonebook& phonebook = book();
    SaidOfEntries lacking;
    SaidOfEntries differing;
    for (const PhonebookEntry& entry : phonebook.entries) {
        if (entry.isDemo())
            continue;
        if (const QStringList lacks = SetupProblems(entry.modem, m_system); !lacks.isEmpty())
            lacking.add(entry.name, lacks.join(QStringLiteral("; ")));
        for (const QString& key : entry.differing)
            differing.add(entry.name, key);
    }
    const QList<SetupNote> notes = {
        {QStringLiteral("Puhelinluettelon virheelliset rivit ohitettiin:"), phonebook.problems},
        {QStringLiteral("Modeemin soittamiseen puuttuu vielä:"), lacking.namesFirst()},
        {QStringLiteral("Mittari huomaa puhelun päättyneen vain Com-numeron laitteesta:"),
         unmappedModems(phonebook, m_files.own)},
        {QStringLiteral("Nämä wvdialin asetukset Orvalin hoitaa toisin:"), differing.namesLast()},
    };
    QList<SetupNote> said;
    for (const SetupNote& note : notes)
        if (!note.lines.isEmpty())
            said << note;
    return said;
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
    return m_simulated->createSerialPort();
}

#include "Phonebook.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

std::optional<DemoOutcome> parseOutcome(const QString& word) {
    using Kind = DemoOutcome::Kind;
    static const QList<std::pair<QString, Kind>> names = {
        {QStringLiteral("connect"), Kind::Connect},
        {QStringLiteral("busy"), Kind::Busy},
        {QStringLiteral("no answer"), Kind::NoAnswer},
        {QStringLiteral("no dialtone"), Kind::NoDialtone},
        {QStringLiteral("voice"), Kind::Voice},
        {QStringLiteral("no carrier"), Kind::NoCarrier},
        {QStringLiteral("disconnected"), Kind::Disconnected},
    };
    const QString w = word.simplified().toLower();
    for (const auto& [name, kind] : names)
        if (w == name)
            return DemoOutcome{kind, 0, {}};
    static const QRegularExpression state(QStringLiteral("^state\\s+(-?\\d+)\\s+(.+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = state.match(word.trimmed());
    if (m.hasMatch()) {
        bool ok = false;
        const int code = m.captured(1).toInt(&ok);
        if (ok)
            return DemoOutcome{Kind::State, code, m.captured(2).trimmed()};
    }
    return std::nullopt;
}

// A whole number in [low, high], or nothing.
std::optional<int> parseNumber(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

QString stripComment(const QString& line) {
    const qsizetype semicolon = line.indexOf(u';');
    return (semicolon >= 0 ? line.left(semicolon) : line).trimmed();
}

const QString DefaultsSection = QStringLiteral("Defaults");
const QString ComPortsSection = QStringLiteral("[Com Ports]");

// The keys of a real modem's setup, as wvdial knows them, and those of the simulated modem,
// which only Orvalin's own phonebook has.
const QSet<QString> ModemKeys = {QStringLiteral("modem"),        QStringLiteral("phone"),
                                 QStringLiteral("baud"),         QStringLiteral("dial prefix"),
                                 QStringLiteral("dial command"), QStringLiteral("dial timeout"),
                                 QStringLiteral("pppd path"),    QStringLiteral("inherits")};
const QSet<QString> DemoKeys = {QStringLiteral("demo outcomes"), QStringLiteral("demo step"),
                                QStringLiteral("demo duration"), QStringLiteral("demo port")};

bool isInitKey(const QString& key) {
    static const QRegularExpression init(QStringLiteral("^init[1-9]$"));
    return init.match(key).hasMatch();
}

struct KeyLine {
    QString key;
    QString value;
    QString fileName;
    qsizetype line;
    QString raw;

    // Where the line stands and why it was skipped.
    QString problem(const QString& why) const {
        return QStringLiteral("%1, rivi %2: %3 (\"%4\")").arg(fileName).arg(line).arg(why, raw);
    }
};

struct Section {
    QString name;
    QList<KeyLine> keys;
};

class Reader {
public:
    QStringList problems;

    void report(const QString& problem) {
        if (!problems.contains(problem))
            problems << problem;
    }

    // The [Dialer NAME] sections of one file, in their order, and the own phonebook's
    // [Com Ports]. A name repeated within the file keeps its first section.
    QList<Section> read(const QString& text, const QString& fileName, bool own) {
        static const QRegularExpression header(QStringLiteral("^\\[\\s*Dialer\\s+(.+?)\\s*\\]$"));
        QList<Section> sections;
        QMap<QString, int> firstLine;
        Section* section = nullptr;
        bool skipping = false;
        const QStringList lines = text.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString line = stripComment(lines[i]);
            const KeyLine here{{}, {}, fileName, i + 1, lines[i].trimmed()};
            auto problem = [&](const QString& why) { report(here.problem(why)); };
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            if (line.startsWith(u'[')) {
                section = nullptr;
                skipping = true;
                const QRegularExpressionMatch m = header.match(line);
                const QString name =
                    m.hasMatch() ? m.captured(1)
                    : own && line.simplified().compare(ComPortsSection, Qt::CaseInsensitive) == 0
                        ? ComPortsSection
                        : QString();
                if (name.isEmpty()) {
                    if (own)
                        problem(QStringLiteral("otsikko ei ole muotoa [Dialer NIMI]; osio "
                                               "ohitetaan"));
                } else if (firstLine.contains(name)) {
                    problem(QStringLiteral("nimi on jo rivillä %1; osio ohitetaan")
                                .arg(firstLine[name]));
                } else {
                    firstLine.insert(name, static_cast<int>(i + 1));
                    sections.append(Section{name, {}});
                    section = &sections.last();
                    skipping = false;
                }
                continue;
            }
            const qsizetype equals = line.indexOf(u'=');
            if (equals < 0) {
                problem(QStringLiteral("rivi ei ole muotoa Avain = Arvo"));
                continue;
            }
            if (!section) {
                if (!skipping)
                    problem(QStringLiteral("asetus ennen ensimmäistä [Dialer NIMI] -otsikkoa"));
                continue;
            }
            const QString key = line.left(equals).simplified().toLower();
            const QString value = line.mid(equals + 1).trimmed();
            const bool known =
                section->name == ComPortsSection
                    ? QRegularExpression(QStringLiteral("^com[1-4]$")).match(key).hasMatch()
                    : ModemKeys.contains(key) || isInitKey(key) || (own && DemoKeys.contains(key));
            if (known)
                section->keys.append(KeyLine{key, value, fileName, i + 1, here.raw});
            else if (own &&
                     (key == QStringLiteral("username") || key == QStringLiteral("password")))
                problem(QStringLiteral("käyttäjän nimi ja salasana kirjoitetaan "
                                       "aloitusikkunaan, ei puhelinluetteloon"));
            else if (own)
                problem(QStringLiteral("tuntematon avain"));
        }
        return sections;
    }

    // An entry's keys in the order they apply: [Dialer Defaults] first, then the sections it
    // inherits, deepest first, then its own, so that a nearer value wins.
    QList<KeyLine> chain(const QString& name, const QMap<QString, Section>& sections) {
        QList<const Section*> deepestFirst;
        QSet<QString> seen;
        QString next = name;
        while (!next.isEmpty() && !seen.contains(next) && sections.contains(next)) {
            seen.insert(next);
            const Section& section = *sections.constFind(next);
            deepestFirst.prepend(&section);
            next.clear();
            for (const KeyLine& key : section.keys)
                if (key.key == QStringLiteral("inherits")) {
                    if (sections.contains(key.value))
                        next = key.value;
                    else
                        report(key.problem(
                            QStringLiteral("perittävää osiota [Dialer %1] ei ole").arg(key.value)));
                }
        }
        QList<KeyLine> keys;
        if (name != DefaultsSection && sections.contains(DefaultsSection))
            keys = sections[DefaultsSection].keys;
        for (const Section* section : deepestFirst)
            keys += section->keys;
        return keys;
    }

    PhonebookEntry entry(const QString& name, const QMap<QString, Section>& sections) {
        PhonebookEntry entry;
        entry.name = name;
        QMap<int, QString> init{{1, entry.modem.init.first()}};
        for (const KeyLine& line : chain(name, sections))
            if (const std::optional<QString> why = apply(entry, line, init))
                report(line.problem(*why));
        entry.modem.init = init.values();
        return entry;
    }

private:
    // Takes one key's value into the entry; a value that is no good leaves the entry as it was
    // and says why.
    static std::optional<QString> apply(PhonebookEntry& entry, const KeyLine& line,
                                        QMap<int, QString>& init) {
        const QString& key = line.key;
        const QString& value = line.value;
        auto bad = [](const QString& why) { return std::optional<QString>(why); };
        auto number = [&](int& field, int low, int high,
                          const QString& why) -> std::optional<QString> {
            if (const std::optional<int> n = parseNumber(value, low, high)) {
                field = *n;
                return std::nullopt;
            }
            return why;
        };
        ModemSettings& modem = entry.modem;
        if (key == QStringLiteral("modem")) {
            if (value.compare(QStringLiteral("demo"), Qt::CaseInsensitive) == 0)
                modem.device.clear();
            else if (value.startsWith(u'/'))
                modem.device = value;
            else
                return bad(QStringLiteral("modeemi on \"demo\" tai laitteen polku, kuten "
                                          "/dev/ttyS0"));
        } else if (key == QStringLiteral("phone")) {
            entry.phone = value;
        } else if (key == QStringLiteral("baud")) {
            return number(modem.baud, 300, 4000000, QStringLiteral("nopeus 300–4000000"));
        } else if (isInitKey(key)) {
            const int index = key.back().digitValue();
            if (value.isEmpty())
                init.remove(index);
            else
                init.insert(index, value);
        } else if (key == QStringLiteral("dial prefix")) {
            modem.dialPrefix = value;
        } else if (key == QStringLiteral("dial command")) {
            if (value.isEmpty())
                return bad(QStringLiteral("valintakomento puuttuu"));
            modem.dialCommand = value;
        } else if (key == QStringLiteral("dial timeout")) {
            return number(modem.dialTimeoutSeconds, 1, 3600, QStringLiteral("sekunnit 1–3600"));
        } else if (key == QStringLiteral("pppd path")) {
            if (!value.startsWith(u'/'))
                return bad(QStringLiteral("ohjelman polku, kuten /usr/sbin/pppd"));
            modem.pppdPath = value;
        } else if (key == QStringLiteral("demo outcomes")) {
            QList<DemoOutcome> outcomes;
            for (const QString& word : value.split(u',')) {
                const std::optional<DemoOutcome> outcome = parseOutcome(word);
                if (!outcome)
                    return bad(QStringLiteral(
                        "tuntematon tulos; sallitut: connect, busy, no answer, no dialtone, "
                        "voice, no carrier, disconnected, state KOODI TEKSTI"));
                outcomes << *outcome;
            }
            entry.outcomes = outcomes;
        } else if (key == QStringLiteral("demo step")) {
            return number(entry.stepMilliseconds, 0, 60000,
                          QStringLiteral("millisekunnit 0–60000"));
        } else if (key == QStringLiteral("demo duration")) {
            return number(entry.durationSeconds, 0, 1000000, QStringLiteral("sekunnit 0–1000000"));
        } else if (key == QStringLiteral("demo port")) {
            return number(entry.port, 1, 4, QStringLiteral("portti 1–4"));
        }
        return std::nullopt;
    }
};

QMap<QString, Section> byName(const QList<Section>& sections) {
    QMap<QString, Section> map;
    for (const Section& section : sections)
        map.insert(section.name, section);
    return map;
}

// The text of a file; nothing when it is missing, and a problem when it cannot be read.
std::optional<QString> readFile(const QString& path, Reader& reader) {
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        const QFileInfo info(path);
        reader.report(QStringLiteral("%1: tiedostoa ei voi lukea (%2); se ohitetaan")
                          .arg(path, info.isReadable()
                                         ? file.errorString()
                                         : QStringLiteral("lukuoikeus puuttuu: omistaja %1, "
                                                          "ryhmä %2")
                                               .arg(info.owner(), info.group())));
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

void readOwn(Phonebook& book, Reader& reader, const QString& text, const QString& fileName) {
    const QList<Section> sections = reader.read(text, fileName, true);
    const QMap<QString, Section> named = byName(sections);
    for (const Section& section : sections) {
        if (section.name == ComPortsSection) {
            for (const KeyLine& line : section.keys) {
                if (line.value.startsWith(u'/'))
                    book.comPorts.insert(line.key.back().digitValue(), line.value);
                else
                    reader.report(
                        line.problem(QStringLiteral("laitteen polku, kuten /dev/ttyACM0")));
            }
        } else if (section.name != DefaultsSection) {
            book.entries.append(reader.entry(section.name, named));
        }
    }
}

} // namespace

Phonebook Phonebook::load(const PhonebookFiles& files) {
    Phonebook book;
    Reader reader;
    if (const std::optional<QString> text = readFile(files.own, reader))
        readOwn(book, reader, *text, files.own);

    // The wvdial files combine as wvdial combines them: a later file's keys win within a
    // section of the same name.
    QList<QString> order;
    QMap<QString, Section> combined;
    for (const QString& path : files.wvdial) {
        const std::optional<QString> text = readFile(path, reader);
        if (!text)
            continue;
        for (const Section& section : reader.read(*text, path, false)) {
            if (!combined.contains(section.name)) {
                order << section.name;
                combined.insert(section.name, Section{section.name, {}});
            }
            combined[section.name].keys += section.keys;
        }
    }
    QSet<QString> own;
    for (const PhonebookEntry& entry : book.entries)
        own.insert(entry.name);
    for (const QString& name : order) {
        if (name == DefaultsSection || own.contains(name))
            continue;
        const PhonebookEntry entry = reader.entry(name, combined);
        if (!entry.isDemo())
            book.entries.append(entry);
    }

    if (book.entries.isEmpty())
        book.entries = builtInEntries();
    book.problems = reader.problems;
    return book;
}

Phonebook Phonebook::parse(const QString& text, const QString& fileName) {
    Phonebook book;
    Reader reader;
    readOwn(book, reader, text, fileName);
    book.problems = reader.problems;
    return book;
}

QString Phonebook::comDevice(int port) const {
    return comPorts.value(port, QStringLiteral("/dev/ttyS%1").arg(port - 1));
}

QString Phonebook::nameAt(int index) const {
    return index >= 0 && index < entries.size() ? entries[index].name : QString();
}

const PhonebookEntry* Phonebook::find(const QString& name) const {
    for (const PhonebookEntry& entry : entries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

QList<PhonebookEntry> Phonebook::builtInEntries() {
    using Kind = DemoOutcome::Kind;
    return {
        {QStringLiteral("Demo Kotiyhteys"),
         QStringLiteral("0600 12345"),
         {{Kind::Busy, 0, {}}, {Kind::Connect, 0, {}}},
         300,
         0,
         1,
         {}},
        {QStringLiteral("Demo Lyhyt puhelu"),
         QStringLiteral("0600 23456"),
         {{Kind::Connect, 0, {}}},
         300,
         65,
         1,
         {}},
        {QStringLiteral("Demo Varattu"),
         QStringLiteral("0600 34567"),
         {{Kind::Busy, 0, {}}},
         300,
         0,
         1,
         {}},
        {QStringLiteral("Demo Ei soittoääntä"),
         QStringLiteral("0600 45678"),
         {{Kind::NoDialtone, 0, {}}},
         300,
         0,
         1,
         {}},
    };
}

#include "Phonebook.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <functional>
#include <limits>
#include <optional>

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

// Yes or no in the words wvdial takes for them.
std::optional<bool> parseFlag(const QString& text) {
    const QString word = text.trimmed().toLower();
    for (const char* yes : {"1", "yes", "on", "true"})
        if (word == QLatin1StringView(yes))
            return true;
    for (const char* no : {"0", "no", "off", "false"})
        if (word == QLatin1StringView(no))
            return false;
    return std::nullopt;
}

QString stripComment(const QString& line) {
    const qsizetype semicolon = line.indexOf(u';');
    return (semicolon >= 0 ? line.left(semicolon) : line).trimmed();
}

// Sections are named as wvdial names them: without regard to case or to runs of blanks, and
// `Inherits` gives a section's whole name ("Dialer isp").
QString sectionKey(const QString& name) {
    return name.simplified().toLower();
}

const QString DefaultsKey = QStringLiteral("dialer defaults");
const QString ComPortsKey = QStringLiteral("com ports");

// The entry that a [Dialer NAME] section is, by NAME; empty for any other section. Section names
// are read with their blanks simplified.
QString entryName(const QString& section) {
    const QLatin1StringView dialer("dialer ");
    return section.startsWith(dialer, Qt::CaseInsensitive) ? section.mid(dialer.size()) : QString();
}

struct KeyLine {
    // In lowercase, and as written.
    QString key;
    QString written;
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
    KeyLine header;
    QList<KeyLine> keys;

    const KeyLine* last(const QString& key) const {
        for (qsizetype i = keys.size() - 1; i >= 0; --i)
            if (keys[i].key == key)
                return &keys[i];
        return nullptr;
    }
};

// An entry while the keys of its sections are taken into it, the nearest section last, so that
// its value wins.
struct Building {
    PhonebookEntry entry;
    QMap<int, QString> init{{1, QStringLiteral("ATZ")}};
    // `Init` anywhere in the chain wins over any `Init1`, as in wvdial.
    std::optional<QString> init0;
    QMap<int, QString> phones;
    QMap<QString, QString> differing;
};

// Takes a value into the entry; says why not when the value is no good, leaving the entry as it
// was.
using Apply = std::function<std::optional<QString>(Building&, const KeyLine&)>;

struct KeyRule {
    QString key;
    // The simulated modem's keys, which only the own phonebook has.
    bool demo = false;
    // Empty for a key that changes nothing of a call here.
    Apply apply;
};

template <typename Field> Apply number(Field field, int low, int high, const QString& unit) {
    return [=](Building& b, const KeyLine& line) -> std::optional<QString> {
        const std::optional<int> n = parseNumber(line.value, low, high);
        if (!n)
            return QStringLiteral("%1 %2–%3").arg(unit).arg(low).arg(high);
        field(b.entry) = *n;
        return std::nullopt;
    };
}

template <typename Field> Apply text(Field field) {
    return [=](Building& b, const KeyLine& line) -> std::optional<QString> {
        field(b.entry) = line.value;
        return std::nullopt;
    };
}

template <typename Field> Apply flag(Field field) {
    return [=](Building& b, const KeyLine& line) -> std::optional<QString> {
        const std::optional<bool> on = parseFlag(line.value);
        if (!on)
            return QStringLiteral("arvo on 1, yes, on tai true, tai 0, no, off tai false");
        field(b.entry) = *on;
        return std::nullopt;
    };
}

Apply slot(QMap<int, QString> Building::*values, int index) {
    return [=](Building& b, const KeyLine& line) -> std::optional<QString> {
        (b.*values)[index] = line.value;
        return std::nullopt;
    };
}

// A key of wvdial's that the program follows otherwise, noted when its value would make wvdial's
// call differ from the program's.
Apply differs(bool (*changes)(const QString&), const char* instead) {
    return [=](Building& b, const KeyLine& line) -> std::optional<QString> {
        if (changes(line.value))
            b.differing.insert(line.key,
                               line.written + QStringLiteral(": ") + QString::fromUtf8(instead));
        else
            b.differing.remove(line.key);
        return std::nullopt;
    };
}

bool isSet(const QString& value) {
    return !value.isEmpty();
}
bool isOn(const QString& value) {
    return parseFlag(value) == true;
}
bool isOff(const QString& value) {
    return parseFlag(value) == false;
}
bool isPositive(const QString& value) {
    return parseNumber(value, 1, std::numeric_limits<int>::max()).has_value();
}

std::optional<QString> applyModem(Building& b, const KeyLine& line) {
    if (line.value.compare(QStringLiteral("demo"), Qt::CaseInsensitive) == 0)
        b.entry.modem.device.clear();
    else if (line.value.startsWith(u'/'))
        b.entry.modem.device = line.value;
    else
        return QStringLiteral("modeemi on \"demo\" tai laitteen polku, kuten /dev/ttyS0");
    return std::nullopt;
}

std::optional<QString> applyAddress(Building& b, const KeyLine& line) {
    static const QRegularExpression address(
        QStringLiteral("^(25[0-5]|2[0-4]\\d|1?\\d?\\d)(\\.(25[0-5]|2[0-4]\\d|1?\\d?\\d)){3}$"));
    if (!line.value.isEmpty() && !address.match(line.value).hasMatch())
        return QStringLiteral("IPv4-osoite, kuten 10.0.0.5");
    b.entry.modem.forceAddress = line.value;
    return std::nullopt;
}

std::optional<QString> applyOutcomes(Building& b, const KeyLine& line) {
    QList<DemoOutcome> outcomes;
    for (const QString& word : line.value.split(u',')) {
        const std::optional<DemoOutcome> outcome = parseOutcome(word);
        if (!outcome)
            return QStringLiteral("tuntematon tulos; sallitut: connect, busy, no answer, no "
                                  "dialtone, voice, no carrier, disconnected, state KOODI TEKSTI");
        outcomes << *outcome;
    }
    b.entry.outcomes = outcomes;
    return std::nullopt;
}

// Every key the program knows: the ones of a modem's call as wvdial reads them, the ones it
// follows otherwise on purpose, the ones that change nothing of a call here, and the simulated
// modem's.
const QList<KeyRule>& Rules() {
    static const QList<KeyRule> rules = [] {
        using E = PhonebookEntry;
        QList<KeyRule> r = {
            {QStringLiteral("modem"), false, applyModem},
            // Followed when the entry's sections are put in order.
            {QStringLiteral("inherits"), false, {}},
            {QStringLiteral("baud"), false,
             number(
                 [](E & e) -> auto& { return e.modem.baud; }, 300, 4000000,
                 QStringLiteral("nopeus"))},
            {QStringLiteral("init"), false,
             [](Building& b, const KeyLine& line) -> std::optional<QString> {
                 b.init0 = line.value;
                 return std::nullopt;
             }},
            {QStringLiteral("phone"), false, slot(&Building::phones, 0)},
            {QStringLiteral("dial prefix"), false,
             text([](E & e) -> auto& { return e.modem.dialPrefix; })},
            {QStringLiteral("area code"), false,
             text([](E & e) -> auto& { return e.modem.areaCode; })},
            {QStringLiteral("dial command"), false,
             [](Building& b, const KeyLine& line) -> std::optional<QString> {
                 if (line.value.isEmpty())
                     return QStringLiteral("valintakomento puuttuu");
                 b.entry.modem.dialCommand = line.value;
                 return std::nullopt;
             }},
            {QStringLiteral("dial timeout"), false,
             number(
                 [](E & e) -> auto& { return e.modem.dialTimeoutSeconds; }, 1, 3600,
                 QStringLiteral("sekunnit"))},
            {QStringLiteral("pppd path"), false,
             [](Building& b, const KeyLine& line) -> std::optional<QString> {
                 if (!line.value.startsWith(u'/'))
                     return QStringLiteral("ohjelman polku, kuten /usr/sbin/pppd");
                 b.entry.modem.pppdPath = line.value;
                 return std::nullopt;
             }},
            {QStringLiteral("stupid mode"), false,
             flag([](E & e) -> auto& { return e.modem.stupidMode; })},
            {QStringLiteral("login prompt"), false,
             text([](E & e) -> auto& { return e.modem.loginPrompt; })},
            {QStringLiteral("password prompt"), false,
             text([](E & e) -> auto& { return e.modem.passwordPrompt; })},
            {QStringLiteral("idle seconds"), false,
             number(
                 [](E & e) -> auto& { return e.modem.idleSeconds; }, 0, 1000000,
                 QStringLiteral("sekunnit"))},
            {QStringLiteral("auto dns"), false,
             flag([](E & e) -> auto& { return e.modem.autoDns; })},
            {QStringLiteral("force address"), false, applyAddress},
            {QStringLiteral("carrier check"), false,
             flag([](E & e) -> auto& { return e.modem.carrierCheck; })},

            {QStringLiteral("username"), false,
             differs(isSet, "käyttäjän nimi on aloitusikkunaan kirjoitettu")},
            {QStringLiteral("login"), false,
             differs(isSet, "käyttäjän nimi on aloitusikkunaan kirjoitettu")},
            {QStringLiteral("password"), false,
             differs(isSet, "salasana kirjoitetaan aloitusikkunaan, tiedoston salasanaa ei "
                            "käytetä")},
            {QStringLiteral("ask password"), false,
             differs(isOff, "salasana kysytään aina aloitusikkunassa")},
            {QStringLiteral("abort on busy"), false,
             differs(isOn, "varattu linja valitaan uudelleen odotusajan jälkeen")},
            {QStringLiteral("abort on no dialtone"), false,
             differs(isOff, "puuttuva valintaääni päättää soiton")},
            {QStringLiteral("dial attempts"), false,
             differs(isPositive, "soittoa yritetään, kunnes yhteys syntyy tai se peruutetaan")},
            {QStringLiteral("auto reconnect"), false,
             differs(isOn, "katkennutta yhteyttä ei soiteta uudelleen, vaan puhelu kirjataan")},
            {QStringLiteral("default reply"), false,
             differs(isSet, "vain kirjautumis- ja salasanakehotteisiin vastataan")},
            {QStringLiteral("pppd option"), false,
             differs(isSet, "pppd:n omat asetukset kuuluvat tiedostoon ~/.ppprc")},

            {QStringLiteral("new pppd"), false, {}},
            {QStringLiteral("modem type"), false, {}},
            {QStringLiteral("isdn"), false, {}},
            {QStringLiteral("remote name"), false, {}},
            {QStringLiteral("check dns"), false, {}},
            {QStringLiteral("dns test1"), false, {}},
            {QStringLiteral("dns test2"), false, {}},
            {QStringLiteral("check def route"), false, {}},

            {QStringLiteral("demo outcomes"), true, applyOutcomes},
            {QStringLiteral("demo step"), true,
             number(
                 [](E & e) -> auto& { return e.stepMilliseconds; }, 0, 60000,
                 QStringLiteral("millisekunnit"))},
            {QStringLiteral("demo duration"), true,
             number(
                 [](E & e) -> auto& { return e.durationSeconds; }, 0, 1000000,
                 QStringLiteral("sekunnit"))},
            {QStringLiteral("demo port"), true,
             number(
                 [](E & e) -> auto& { return e.port; }, 1, 4, QStringLiteral("portti"))},
        };
        for (int i = 1; i <= 9; ++i)
            r.append({QStringLiteral("init%1").arg(i), false, slot(&Building::init, i)});
        for (int i = 1; i <= 4; ++i)
            r.append({QStringLiteral("phone%1").arg(i), false, slot(&Building::phones, i)});
        return r;
    }();
    return rules;
}

const KeyRule* rule(const QString& key) {
    for (const KeyRule& r : Rules())
        if (r.key == key)
            return &r;
    return nullptr;
}

class Reader {
public:
    QStringList problems;
    // The own phonebook's sections that an entry inherits.
    QSet<QString> inherited;

    void report(const QString& problem) {
        if (!problems.contains(problem))
            problems << problem;
    }

    // The sections of one file, in their order. A name repeated within the file keeps its
    // first section.
    QList<Section> read(const QString& text, const QString& fileName, bool own) {
        QList<Section> sections;
        QMap<QString, qsizetype> firstLine;
        Section* section = nullptr;
        bool skipping = false;
        const QStringList lines = text.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString line = stripComment(lines[i]);
            const KeyLine here{{}, {}, {}, fileName, i + 1, lines[i].trimmed()};
            auto problem = [&](const QString& why) { report(here.problem(why)); };
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            if (line.startsWith(u'[')) {
                section = nullptr;
                skipping = true;
                const QString name =
                    line.endsWith(u']') ? line.mid(1, line.size() - 2).simplified() : QString();
                if (name.isEmpty()) {
                    if (own)
                        problem(QStringLiteral("otsikko ei ole muotoa [NIMI]; osio ohitetaan"));
                } else if (firstLine.contains(sectionKey(name))) {
                    problem(QStringLiteral("nimi on jo rivillä %1; osio ohitetaan")
                                .arg(firstLine[sectionKey(name)]));
                } else {
                    firstLine.insert(sectionKey(name), i + 1);
                    sections.append(Section{name, here, {}});
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
            const QString written = line.left(equals).simplified();
            const QString key = written.toLower();
            const KeyLine keyLine{key,      written, line.mid(equals + 1).trimmed(),
                                  fileName, i + 1,   here.raw};
            if (sectionKey(section->name) == ComPortsKey && own) {
                if (key.size() == 4 && key.startsWith(QLatin1StringView("com")) && key[3] >= u'1' &&
                    key[3] <= u'4')
                    section->keys.append(keyLine);
                else
                    problem(QStringLiteral("tuntematon avain"));
                continue;
            }
            const KeyRule* known = rule(key);
            if (own && (key == QStringLiteral("username") || key == QStringLiteral("login") ||
                        key == QStringLiteral("password")))
                problem(QStringLiteral("käyttäjän nimi ja salasana kirjoitetaan "
                                       "aloitusikkunaan, ei puhelinluetteloon"));
            else if (known && (own || !known->demo))
                section->keys.append(keyLine);
            else if (own)
                problem(QStringLiteral("tuntematon avain"));
        }
        return sections;
    }

    // The sections an entry's keys come from, nearest first: its own, those it inherits, then
    // [Dialer Defaults]. A chain that comes back to a section it has passed ends there.
    QList<const Section*> chain(const Section& first, const QMap<QString, Section>& sections) {
        QList<const Section*> nearestFirst{&first};
        QSet<QString> seen{sectionKey(first.name)};
        for (const KeyLine* inherits = first.last(QStringLiteral("inherits")); inherits;) {
            const QString parent = sectionKey(inherits->value);
            const auto found = sections.constFind(parent);
            if (seen.contains(parent)) {
                report(inherits->problem(
                    QStringLiteral("Inherits palaa osioon [%1]; ketju päättyy tähän")
                        .arg(inherits->value)));
                break;
            }
            if (found == sections.constEnd()) {
                report(inherits->problem(
                    QStringLiteral("perittävää osiota [%1] ei ole").arg(inherits->value)));
                break;
            }
            seen.insert(parent);
            inherited.insert(parent);
            nearestFirst << &*found;
            inherits = found->last(QStringLiteral("inherits"));
        }
        if (!seen.contains(DefaultsKey) && sections.contains(DefaultsKey))
            nearestFirst << &*sections.constFind(DefaultsKey);
        return nearestFirst;
    }

    PhonebookEntry entry(const Section& section, const QMap<QString, Section>& sections, bool own) {
        Building b;
        b.entry.name = entryName(section.name);
        // wvdial's own default; the own phonebook's entries dial the simulated modem unless
        // they name a device.
        if (!own)
            b.entry.modem.device = QStringLiteral("/dev/modem");
        const QList<const Section*> nearestFirst = chain(section, sections);
        for (auto s = nearestFirst.crbegin(); s != nearestFirst.crend(); ++s)
            for (const KeyLine& line : (*s)->keys)
                if (const KeyRule* r = rule(line.key); r && r->apply)
                    if (const std::optional<QString> why = r->apply(b, line))
                        report(line.problem(*why));
        ModemSettings& modem = b.entry.modem;
        if (b.init0)
            b.init[1] = *b.init0;
        modem.init.clear();
        for (const QString& init : std::as_const(b.init))
            if (!init.isEmpty())
                modem.init << init;
        for (int i = 0; i <= 4 && !b.phones.value(i).isEmpty(); ++i)
            modem.phones << b.phones[i];
        b.entry.differing = b.differing.values();
        return std::move(b.entry);
    }
};

QMap<QString, Section> byKey(const QList<Section>& sections) {
    QMap<QString, Section> map;
    for (const Section& section : sections)
        map.insert(sectionKey(section.name), section);
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
    const QMap<QString, Section> named = byKey(sections);
    for (const Section& section : sections) {
        const QString key = sectionKey(section.name);
        if (key == ComPortsKey) {
            for (const KeyLine& line : section.keys) {
                if (line.value.startsWith(u'/'))
                    book.comPorts.insert(line.key.back().digitValue(), line.value);
                else
                    reader.report(
                        line.problem(QStringLiteral("laitteen polku, kuten /dev/ttyACM0")));
            }
        } else if (key != DefaultsKey && !entryName(section.name).isEmpty()) {
            book.entries.append(reader.entry(section, named, true));
        }
    }
    // Any other section is there to be inherited.
    for (const Section& section : sections) {
        const QString key = sectionKey(section.name);
        if (entryName(section.name).isEmpty() && key != ComPortsKey &&
            !reader.inherited.contains(key))
            reader.report(section.header.problem(
                QStringLiteral("osio ei ole muotoa [Dialer NIMI], eikä mikään yhteys peri sitä; "
                               "se ohitetaan")));
    }
}

} // namespace

QByteArray ModemSettings::dialString(qsizetype number) const {
    const QString prefix = dialPrefix.isEmpty() ? QString() : dialPrefix + u',';
    return (dialCommand + prefix + areaCode + phones.value(number)).toLatin1();
}

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
            const QString key = sectionKey(section.name);
            if (!combined.contains(key)) {
                order << key;
                combined.insert(key, Section{section.name, section.header, {}});
            }
            combined[key].keys += section.keys;
        }
    }
    QSet<QString> own;
    for (const PhonebookEntry& entry : book.entries)
        own.insert(entry.name.simplified().toLower());
    for (const QString& key : order) {
        const Section& section = combined[key];
        const QString name = entryName(section.name);
        // wvdial without a section name dials [Dialer Defaults]: one that has a number is an
        // entry of its own. Debian's wvdial installs one with the keys there and empty.
        const KeyLine* phone = section.last(QStringLiteral("phone"));
        if (name.isEmpty() || own.contains(sectionKey(name)) ||
            (key == DefaultsKey && (!phone || phone->value.isEmpty())))
            continue;
        const PhonebookEntry entry = reader.entry(section, combined, false);
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
    const auto demo = [](const char* name, QList<DemoOutcome> outcomes, int duration) {
        PhonebookEntry entry;
        entry.name = QString::fromUtf8(name);
        entry.outcomes = std::move(outcomes);
        entry.durationSeconds = duration;
        return entry;
    };
    return {
        demo("Demo Kotiyhteys", {{Kind::Busy, 0, {}}, {Kind::Connect, 0, {}}}, 0),
        demo("Demo Lyhyt puhelu", {{Kind::Connect, 0, {}}}, 65),
        demo("Demo Varattu", {{Kind::Busy, 0, {}}}, 0),
        demo("Demo Ei soittoääntä", {{Kind::NoDialtone, 0, {}}}, 0),
    };
}

#include "Phonebook.h"

#include "settings/SettingsStore.h"

#include <QFile>
#include <QRegularExpression>

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

} // namespace

QString Phonebook::defaultPath() {
    return SettingsStore::configFolder() + QStringLiteral("/puhelinluettelo.conf");
}

Phonebook Phonebook::load(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return Phonebook{builtInEntries(), {}};
    if (!file.open(QIODevice::ReadOnly))
        return Phonebook{{}, {QStringLiteral("%1: tiedostoa ei voi lukea").arg(path)}};
    return parse(QString::fromUtf8(file.readAll()), path);
}

Phonebook Phonebook::parse(const QString& text, const QString& fileName) {
    Phonebook book;
    static const QRegularExpression section(QStringLiteral("^\\[\\s*Dialer\\s+(.+?)\\s*\\]$"));
    PhonebookEntry* entry = nullptr;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString raw = lines[i];
        const QString line = stripComment(raw);
        auto problem = [&](const QString& why) {
            book.problems << QStringLiteral("%1, rivi %2: %3 (\"%4\")")
                                 .arg(fileName)
                                 .arg(i + 1)
                                 .arg(why, raw.trimmed());
        };
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            const QRegularExpressionMatch m = section.match(line);
            if (!m.hasMatch()) {
                entry = nullptr;
                problem(QStringLiteral("otsikko ei ole muotoa [Dialer NIMI]; osio ohitetaan"));
                continue;
            }
            book.entries.append(PhonebookEntry{});
            entry = &book.entries.last();
            entry->name = m.captured(1);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            problem(QStringLiteral("rivi ei ole muotoa Avain = Arvo"));
            continue;
        }
        if (!entry) {
            problem(QStringLiteral("asetus ennen ensimmäistä [Dialer NIMI] -otsikkoa"));
            continue;
        }
        const QString key = line.left(equals).simplified().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("modem")) {
            if (value.compare(QStringLiteral("demo"), Qt::CaseInsensitive) != 0)
                problem(QStringLiteral("vain simuloitu modeemi \"demo\" on tuettu"));
        } else if (key == QStringLiteral("phone")) {
            entry->phone = value;
        } else if (key == QStringLiteral("demo outcomes")) {
            QList<DemoOutcome> outcomes;
            bool valid = !value.isEmpty();
            for (const QString& word : value.split(u',')) {
                const std::optional<DemoOutcome> outcome = parseOutcome(word);
                if (!outcome) {
                    valid = false;
                    break;
                }
                outcomes << *outcome;
            }
            if (valid)
                entry->outcomes = outcomes;
            else
                problem(QStringLiteral("tuntematon tulos; sallitut: connect, busy, no answer, "
                                       "no dialtone, voice, no carrier, disconnected, "
                                       "state KOODI TEKSTI"));
        } else if (key == QStringLiteral("demo step")) {
            if (const std::optional<int> n = parseNumber(value, 0, 60000))
                entry->stepMilliseconds = *n;
            else
                problem(QStringLiteral("millisekunnit 0–60000"));
        } else if (key == QStringLiteral("demo duration")) {
            if (const std::optional<int> n = parseNumber(value, 0, 1000000))
                entry->durationSeconds = *n;
            else
                problem(QStringLiteral("sekunnit 0–1000000"));
        } else if (key == QStringLiteral("demo port")) {
            if (const std::optional<int> n = parseNumber(value, 1, 4))
                entry->port = *n;
            else
                problem(QStringLiteral("portti 1–4"));
        } else {
            problem(QStringLiteral("tuntematon avain"));
        }
    }
    return book;
}

QList<PhonebookEntry> Phonebook::builtInEntries() {
    using Kind = DemoOutcome::Kind;
    return {
        {QStringLiteral("Demo Kotiyhteys"),
         QStringLiteral("0600 12345"),
         {{Kind::Busy, 0, {}}, {Kind::Connect, 0, {}}},
         300,
         0,
         1},
        {QStringLiteral("Demo Lyhyt puhelu"),
         QStringLiteral("0600 23456"),
         {{Kind::Connect, 0, {}}},
         300,
         65,
         1},
        {QStringLiteral("Demo Varattu"),
         QStringLiteral("0600 34567"),
         {{Kind::Busy, 0, {}}},
         300,
         0,
         1},
        {QStringLiteral("Demo Ei soittoääntä"),
         QStringLiteral("0600 45678"),
         {{Kind::NoDialtone, 0, {}}},
         300,
         0,
         1},
    };
}

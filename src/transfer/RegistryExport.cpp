#include "RegistryExport.h"

#include "common/Keys.h"
#include "common/NumberText.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

const QString Version5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString Version4 = QStringLiteral("REGEDIT4");

// The characters of 0x80 to 0x9F, where Windows-1252 differs from Latin-1. The five bytes it
// leaves undefined map to the control characters of the same number, as Windows maps them.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The program's sections, each with the keys it keeps there (the log sections: any row number).
// Registry names are compared without regard to case, so each is found by its lower case.
const QHash<QString, QStringList>& ProgramKeys() {
    static const QHash<QString, QStringList> keys = {
        {Keys::Asetukset,
         {Keys::Tyyppi, Keys::Portti, Keys::Odotetaan, Keys::Palveluntarjoaja, Keys::Käyttäjä,
          Keys::Kustannukset1, Keys::Kustannukset2, Keys::Tunnit, Keys::Minuutit, Keys::Sekunnit,
          Keys::Left, Keys::Top, Keys::YhteensäHinta, Keys::HinnatYhteensä, Keys::KestoTuntia,
          Keys::KestoMinuuttia, Keys::KestotYhteensäTuntia, Keys::KestotYhteensäMinuuttia}},
        {Keys::Tyyppi1,
         {Keys::Puhelu_1, Keys::Puhelu_2, Keys::Arkisin1_1, Keys::Arkisin1_2, Keys::Arkisin2_1,
          Keys::Arkisin2_2, Keys::Arkisin3_1, Keys::Arkisin3_2}},
        {Keys::Tyyppi2, {Keys::Puhelu_1, Keys::Puhelu_2, Keys::Arkisin1_1, Keys::Arkisin1_2}},
        {Keys::Päivämäärä, {}},
        {Keys::Kesto, {}},
        {Keys::Hinta, {}}};
    return keys;
}

QString Canonical(const QString& name, const QStringList& names) {
    for (const QString& candidate : names)
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    return {};
}

// A row number as the log writes it: decimal, without leading zeros, within 32 bits.
bool IsRowKey(const QString& key) {
    bool fits = false;
    key.toInt(&fits);
    return fits && IsDigits(key) && (key.size() == 1 || !key.startsWith(u'0'));
}

// The quoted text starting at `at`, with \" and \\ unescaped; `at` is left after the closing
// quote. Nothing when the quote is not closed on the line.
std::optional<QString> Quoted(const QString& line, qsizetype& at) {
    // Most texts hold neither: a long log is read in one copy per value.
    const qsizetype end = line.indexOf(u'"', at + 1);
    if (end > 0 && !QStringView(line).sliced(at + 1, end - at - 1).contains(u'\\')) {
        const QString text = line.sliced(at + 1, end - at - 1);
        at = end + 1;
        return text;
    }
    QString text;
    for (qsizetype i = at + 1; i < line.size(); ++i) {
        if (line[i] == u'"') {
            at = i + 1;
            return text;
        }
        if (line[i] == u'\\' && i + 1 < line.size() &&
            (line[i + 1] == u'"' || line[i + 1] == u'\\'))
            ++i;
        text += line[i];
    }
    return std::nullopt;
}

class Reader {
public:
    std::variant<RegistryExport, RegistryError> read(const QStringList& lines) {
        for (m_line = 1; m_line < lines.size(); ++m_line) {
            const QString line = lines[m_line].trimmed();
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            if (line.startsWith(u'[')) {
                if (!line.endsWith(u']'))
                    return error(QStringLiteral("avaimen nimestä puuttuu \"]\""));
                key(line.mid(1, line.size() - 2));
                continue;
            }
            if (!m_inKey)
                return error(QStringLiteral("arvo ennen ensimmäistä avainta"));
            qsizetype at = 0;
            std::optional<QString> name;
            if (line.startsWith(u'@')) {
                name = QString();
                at = 1;
            } else if (line.startsWith(u'"')) {
                name = Quoted(line, at);
            }
            if (!name)
                return error(QStringLiteral("rivi ei ole avain eikä arvo"));
            while (at < line.size() && line[at] == u' ')
                ++at;
            if (at >= line.size() || line[at] != u'=')
                return error(QStringLiteral("arvon nimen jälkeen puuttuu \"=\""));
            ++at;
            while (at < line.size() && line[at] == u' ')
                ++at;
            const int valueLine = m_line;
            std::optional<QString> value;
            if (at < line.size() && line[at] == u'"') {
                value = Quoted(line, at);
                if (!value)
                    return error(QStringLiteral("arvon lopusta puuttuu lainausmerkki"));
                if (at != line.size())
                    return error(QStringLiteral("arvon jälkeen on ylimääräistä tekstiä"));
            } else {
                // Binary and number values go on over lines that end in a backslash, each
                // with more of the value.
                for (QString part = line; part.endsWith(u'\\'); part = lines[m_line].trimmed()) {
                    if (++m_line >= lines.size() - 1 || lines[m_line].trimmed().isEmpty()) {
                        m_line = valueLine;
                        return error(QStringLiteral("tiedosto on katkennut kesken arvon"));
                    }
                }
            }
            if (!m_inProgram) {
                ++m_export.otherPrograms;
                continue;
            }
            if (!value) {
                m_line = valueLine;
                return error(QStringLiteral("arvo \"%1\" ei ole merkkijono").arg(*name));
            }
            take(*name, *value);
        }
        return m_export;
    }

    RegistryExport m_export;

private:
    RegistryError error(const QString& what) const { return {m_line + 1, what}; }

    void key(const QString& path) {
        static const QRegularExpression program(
            QStringLiteral("^HKEY_CURRENT_USER\\\\Software\\\\VB and VBA Program "
                           "Settings\\\\Orvalin(\\\\(.*))?$"),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = program.match(path);
        m_inKey = true;
        m_inProgram = match.hasMatch();
        m_section = m_inProgram ? Canonical(match.captured(2), ProgramKeys().keys()) : QString();
        // Looked up once per key, not once per value: a long log has 300 000 values.
        m_keys = ProgramKeys().value(m_section);
        m_values = nullptr;
    }

    void take(const QString& name, const QString& value) {
        if (m_section == Keys::Asetukset &&
            name.compare(Keys::Palveluntarjoaja2, Qt::CaseInsensitive) == 0) {
            m_export.phonebookIndex = true;
            return;
        }
        const QString key = m_keys.isEmpty() && IsRowKey(name) ? name : Canonical(name, m_keys);
        if (m_section.isEmpty() || key.isEmpty()) {
            ++m_export.unknown;
            return;
        }
        if (!m_values)
            m_values = &m_export.sections[m_section];
        m_values->insert(key, value);
    }

    int m_line = 0;
    bool m_inKey = false;
    bool m_inProgram = false;
    QString m_section;
    QStringList m_keys;
    QHash<QString, QString>* m_values = nullptr;
};

} // namespace

QString DecodeWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte >= 0x80 && byte < 0xA0 ? QChar(Windows1252High[byte - 0x80])
                                              : QChar(char16_t(byte));
    }
    return text;
}

std::variant<RegistryExport, RegistryError> ReadRegistryExport(const QByteArray& bytes) {
    const bool unicode = bytes.startsWith("\xFF\xFE");
    QString text;
    if (unicode) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        text = decoder(bytes.mid(2));
    } else {
        text = DecodeWindows1252(bytes);
    }
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    const QString format = unicode ? Version5 : Version4;
    if (lines.first() != format)
        return RegistryError{1, QStringLiteral("tiedosto ei ole rekisterieditorin "
                                               "vientitiedosto: ensimmäisen rivin pitää olla "
                                               "\"%1\" tai \"%2\"")
                                    .arg(Version5, Version4)};
    // The editor ends every line with a line break: a file that ends without one was cut short.
    if (!lines.last().isEmpty() || (unicode && bytes.size() % 2 != 0))
        return RegistryError{static_cast<int>(lines.size()),
                             QStringLiteral("tiedosto on katkennut kesken rivin")};
    Reader reader;
    reader.m_export.format = format;
    return reader.read(lines);
}

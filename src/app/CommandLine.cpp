#include "app/CommandLine.h"

#include <algorithm>

using namespace Qt::StringLiterals;

std::optional<QString> RequestedInformation(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == u"--")
            break;
        if (argument == u"--version" || argument == u"-v")
            return u"Orvalin %1.%2\n"_s.arg(ORVALIN_VERSION_MAJOR).arg(ORVALIN_VERSION_MINOR);
        if (argument == u"--help" || argument == u"-h")
            return u"Käyttö: orvalin [VALITSIN]\n"
                   u"Soittoyhteyden aika- ja hintamittari: valitse yhteys, kirjoita käyttäjän nimi "
                   u"ja salasana ja soita.\n\n"
                   u"  -h, --help     näyttää tämän ohjeen\n"
                   u"  -v, --version  näyttää ohjelman version\n"
                   u"  --import TIEDOSTO.reg\n"
                   u"                 tuo Windows-version asetukset, summat ja päiväkirjan\n"
                   u"                 rekisterieditorin vientitiedostosta; kysyy ennen\n"
                   u"                 kirjoittamista\n"
                   u"  --yes          tuo kysymättä (yhteenvedon kysymys)\n"
                   u"  --replace      korvaa tiedot, vaikka Orvalinissa on jo yhteyksiä tai "
                   u"summia\n"
                   u"  --export-log TIEDOSTO.csv\n"
                   u"                 tallentaa päiväkirjan CSV-tiedostoksi taulukkolaskentaa "
                   u"varten\n\n"
                   u"Qt:n omat valitsimet, kuten -session ja -style, välitetään Qt:lle.\n"
                   u"Lisätietoja: man orvalin\n"_s;
    }
    return std::nullopt;
}

std::optional<QString> UnknownArgument(const QStringList& arguments) {
    if (arguments.size() < 2)
        return std::nullopt;
    const QString what = arguments[1].startsWith(u'-') ? u"valitsin"_s : u"argumentti"_s;
    return u"orvalin: tuntematon %1 \"%2\" (katso orvalin --help)\n"_s.arg(what, arguments[1]);
}

TransferRequest RequestedTransfer(const QStringList& arguments) {
    const QStringList ours = {u"--import"_s, u"--export-log"_s, u"--yes"_s, u"--replace"_s};
    TransferRequest request;
    if (std::none_of(arguments.begin() + std::min<qsizetype>(1, arguments.size()), arguments.end(),
                     [&ours](const QString& a) { return ours.contains(a); }))
        return request;
    const auto refuse = [&request](const QString& why) {
        request.error = u"orvalin: %1 (katso orvalin --help)\n"_s.arg(why);
        return request;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--yes") {
            request.yes = true;
        } else if (argument == u"--replace") {
            request.replace = true;
        } else if (argument == u"--import" || argument == u"--export-log") {
            if (request.kind != TransferRequest::Kind::None)
                return refuse(u"valitsimista --import ja --export-log voi antaa vain yhden"_s);
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return refuse(u"valitsimen %1 jälkeen puuttuu tiedoston nimi"_s.arg(argument));
            request.kind = argument == u"--import" ? TransferRequest::Kind::Import
                                                   : TransferRequest::Kind::ExportLog;
            request.file = arguments[++i];
        } else {
            const QString what = argument.startsWith(u'-') ? u"valitsin"_s : u"argumentti"_s;
            return refuse(u"tuntematon %1 \"%2\""_s.arg(what, argument));
        }
    }
    if (request.kind != TransferRequest::Kind::Import && (request.yes || request.replace))
        return refuse(u"--yes ja --replace kuuluvat valitsimen --import yhteyteen"_s);
    return request;
}

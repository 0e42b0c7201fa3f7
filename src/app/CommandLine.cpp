#include "app/CommandLine.h"

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
                   u"  -v, --version  näyttää ohjelman version\n\n"
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

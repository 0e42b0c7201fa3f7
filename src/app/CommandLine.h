#pragma once

#include <QStringList>
#include <optional>

// What the command line asks of a run. Without arguments the program starts as always; Qt's own
// options (-session, which session restore passes, -style, -platform, ...) are Qt's.

// The text that --help or --version asks for, looked for before Qt has seen the arguments, so
// that both work without a display.
std::optional<QString> RequestedInformation(const QStringList& arguments);

// The one-line complaint about the first argument left once Qt has taken its own options, if
// any is left.
std::optional<QString> UnknownArgument(const QStringList& arguments);

// An import of a registry editor's export or an export of the log, asked for with --import FILE
// (with --yes and --replace) or --export-log FILE; done instead of a start.
struct TransferRequest {
    enum class Kind { None, Import, ExportLog };
    Kind kind = Kind::None;
    QString file;
    bool yes = false;
    bool replace = false;
    // The one-line complaint about a command line that asks for them wrongly.
    QString error;
};

// Kind::None when no argument is one of the four options, and Qt may take the rest.
TransferRequest RequestedTransfer(const QStringList& arguments);

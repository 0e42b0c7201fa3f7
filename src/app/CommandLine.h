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

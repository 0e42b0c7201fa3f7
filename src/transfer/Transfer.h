#pragma once

#include "platform/Platform.h"

#include <QString>

// Bringing the settings, totals and log of the Windows program over from a file of the registry
// editor, and taking the log out as a spreadsheet's CSV file. Both run without the windows; each
// returns the program's exit status: 0 done, 1 nothing written.

// Reads the file, shows what it holds and asks; then makes the store at storePath hold it, all
// in one transaction. A store that holds calls or totals is replaced whole, and only when the
// user says so (`replace` says so beforehand); `yes` answers the first question only. Refuses
// while the program runs, since the running copy would write its totals and log over the import.
int ImportRegistryExport(const QString& file, bool yes, bool replace, const QString& storePath,
                         MessageBoxes& user);

// Writes the stored log, as the log viewer reads it, to a CSV file.
int ExportLogFile(const QString& file, const QString& storePath, MessageBoxes& user);

// Messages in a terminal: standard output, errors on standard error, and each question
// answered with a line of standard input ("k" for yes; anything else, or none, for no).
class TerminalMessages : public MessageBoxes {
public:
    Message::Answer show(const Message& message) override;
};

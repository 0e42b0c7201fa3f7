#pragma once

#include <QString>
#include <optional>

class QApplication;

// The fonts and the Finnish texts of Qt's own buttons, the same in the program and its tests.
void ApplyProgramLook(QApplication& application);

// Starts the program on the installed platform: refuses a second copy without touching anything,
// opens the settings store, then loads and shows the start-up window. When the program is to end
// at once, returns its exit status: 0 for a second copy, which is no failure, 1 for a store it
// cannot use.
std::optional<int> StartProgram(const QString& storePath);

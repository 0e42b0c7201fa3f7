#pragma once

#include <QString>

class QApplication;

// The fonts and the Finnish texts of Qt's own buttons, the same in the program and its tests.
void ApplyProgramLook(QApplication& application);

// Starts the program on the installed platform: refuses a second copy without touching anything,
// opens the settings store, then loads and shows the start-up window. Returns false when the
// program is to end at once.
bool StartProgram(const QString& storePath);

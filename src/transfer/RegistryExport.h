#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <variant>

// What a file written by the Windows registry editor holds for this program: the string values
// of the program's own sections and keys under its key of the per-user program settings.
struct RegistryExport {
    // "REGEDIT4" or "Windows Registry Editor Version 5.00", as the file's first line says.
    QString format;
    // Section by section, the program's own spelling of each section and key.
    QMap<QString, QHash<QString, QString>> sections;
    // Values under the keys of other programs.
    int otherPrograms = 0;
    // Values under the program's key that the program does not keep.
    int unknown = 0;
    // "Palveluntarjoaja 2" was there: an index into the Windows phonebook, of no use here.
    bool phonebookIndex = false;
};

// Why a file cannot be read, and on which line, counted from 1.
struct RegistryError {
    int line = 0;
    QString what;
};

// Reads both formats the registry editor writes: "Windows Registry Editor Version 5.00" in
// UTF-16LE with a byte-order mark, and "REGEDIT4" in the Windows-1252 code page.
std::variant<RegistryExport, RegistryError> ReadRegistryExport(const QByteArray& bytes);

// The text of bytes in the Windows-1252 code page.
QString DecodeWindows1252(const QByteArray& bytes);

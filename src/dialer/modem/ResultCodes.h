#pragma once

#include <QByteArray>

// What a line from the modem means, in words (ATV1, in any case) or as a number (ATV0).
enum class ModemAnswer {
    Ok,
    Connect,
    Ring,
    NoCarrier,
    Error,
    NoDialtone,
    Busy,
    NoAnswer,
    Voice,
    // CARRIER, PROTOCOL and COMPRESSION: how the connection is being made, before CONNECT.
    Progress,
    // The modem's own limits on redialing a number: it refuses to dial it now, or at all.
    Delayed,
    Blacklisted,
    // A number outside the table: no modem's answer that the program can read.
    UnknownNumber,
    // Any other words: an echo, a banner, text the modem adds.
    Other,
};

ModemAnswer ReadModemAnswer(const QByteArray& line);

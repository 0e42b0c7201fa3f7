#include "ResultCodes.h"

#include <algorithm>

namespace {

struct NumberRange {
    int low;
    int high;
    ModemAnswer answer;
};

// The numeric result codes of V.250 (0 to 8), and the Rockwell/Conexant chipsets' codes for
// CONNECT at a speed, CARRIER, PROTOCOL and COMPRESSION, DELAYED and BLACKLISTED, as their AT
// command references and the manuals of modems built on them list them. Other makers number
// differently (on a ZyXEL 24 is CONNECT 7200, here DELAYED): the table is closed, and a number
// outside it is said, not guessed at.
constexpr NumberRange Numbers[] = {
    {0, 0, ModemAnswer::Ok},
    {1, 1, ModemAnswer::Connect},
    {2, 2, ModemAnswer::Ring},
    {3, 3, ModemAnswer::NoCarrier},
    {4, 4, ModemAnswer::Error},
    {5, 5, ModemAnswer::Connect}, // 1200
    {6, 6, ModemAnswer::NoDialtone},
    {7, 7, ModemAnswer::Busy},
    {8, 8, ModemAnswer::NoAnswer},
    {9, 20, ModemAnswer::Connect},  // 600, 2400 ... 115200, 230400
    {22, 23, ModemAnswer::Connect}, // V.23, 75/1200 and 1200/75
    {24, 24, ModemAnswer::Delayed},
    {32, 32, ModemAnswer::Blacklisted},
    {40, 40, ModemAnswer::Progress},   // CARRIER 300
    {42, 42, ModemAnswer::Progress},   // CARRIER 600
    {44, 58, ModemAnswer::Progress},   // CARRIER 1200/75 ... 28800
    {59, 59, ModemAnswer::Connect},    // 16800
    {61, 64, ModemAnswer::Connect},    // 21600 ... 28800
    {66, 67, ModemAnswer::Progress},   // COMPRESSION: CLASS 5, V.42 bis
    {69, 70, ModemAnswer::Progress},   // COMPRESSION: NONE, PROTOCOL: NONE
    {77, 81, ModemAnswer::Progress},   // PROTOCOL: LAPM, CARRIER 31200, 33600, PROTOCOL: ALT
    {84, 84, ModemAnswer::Connect},    // 33600
    {91, 91, ModemAnswer::Connect},    // 31200
    {150, 162, ModemAnswer::Progress}, // CARRIER 32000 ... 56000 (K56flex)
    {165, 178, ModemAnswer::Connect},  // CONNECT 32000 ... 56000 (K56flex), 230400
    {180, 194, ModemAnswer::Connect},  // CONNECT 28000 ... 54667 (V.90)
    {195, 209, ModemAnswer::Progress}, // CARRIER 28000 ... 54667 (V.90)
};

bool isNumber(const QByteArray& line) {
    return !line.isEmpty() && line.size() <= 3 &&
           std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

ModemAnswer ReadModemAnswer(const QByteArray& line) {
    if (isNumber(line)) {
        const int number = line.toInt();
        for (const NumberRange& range : Numbers)
            if (number >= range.low && number <= range.high)
                return range.answer;
        return ModemAnswer::UnknownNumber;
    }
    const QByteArray word = line.toUpper();
    static const std::pair<const char*, ModemAnswer> whole[] = {
        {"OK", ModemAnswer::Ok},
        {"RING", ModemAnswer::Ring},
        {"NO CARRIER", ModemAnswer::NoCarrier},
        {"ERROR", ModemAnswer::Error},
        {"NO DIALTONE", ModemAnswer::NoDialtone},
        {"NO DIAL TONE", ModemAnswer::NoDialtone},
        {"BUSY", ModemAnswer::Busy},
        {"NO ANSWER", ModemAnswer::NoAnswer},
        {"VOICE", ModemAnswer::Voice},
        {"DELAYED", ModemAnswer::Delayed},
        {"BLACKLISTED", ModemAnswer::Blacklisted},
    };
    for (const auto& [text, answer] : whole)
        if (word == text)
            return answer;
    if (word.startsWith("CONNECT"))
        return ModemAnswer::Connect;
    for (const char* progress : {"CARRIER", "PROTOCOL", "COMPRESSION"})
        if (word.startsWith(progress))
            return ModemAnswer::Progress;
    return ModemAnswer::Other;
}

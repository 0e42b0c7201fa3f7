#pragma once

#include <QString>

// The states a remote-access service reports while it dials, with their English texts: the
// simulated modem and the real one report the same, and the dialing window knows them by text.
struct DialState {
    int code;
    const char16_t* text;

    QString name() const { return QString::fromUtf16(text); }
};

namespace DialStates {
inline constexpr DialState OpenPort{0, u"Open Port"};
inline constexpr DialState PortOpened{1, u"Port Opened"};
inline constexpr DialState ConnectDevice{2, u"Connect Device"};
inline constexpr DialState DeviceConnected{3, u"Device Connected"};
inline constexpr DialState AllDevicesConnected{4, u"All Devices Connected"};
inline constexpr DialState StartAuthentication{5, u"Start Authentication"};
inline constexpr DialState LogonNetwork{6, u"Logon Network"};
inline constexpr DialState Connected{8192, u"Connected"};
inline constexpr DialState Disconnected{8193, u"Disconnected"};
inline constexpr DialState LineBusy{8193, u"Disconnected - Line Busy"};
inline constexpr DialState NoAnswer{8193, u"Disconnected - No Answer"};
inline constexpr DialState NoDialtone{8193, u"Disconnected - No Dialtone"};
inline constexpr DialState VoiceAnswer{8193, u"Disconnected - Voice Answer"};
inline constexpr DialState NoCarrier{8193, u"Disconnected - No Carrier"};
} // namespace DialStates

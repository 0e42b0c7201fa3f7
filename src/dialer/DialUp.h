#pragma once

#include "dialer/DialStates.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The dial-up component (one instance, `mRAS1` of the start-up window). Its events always arrive
// later through the event queue, never from inside Dial.
class DialUp : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual int EntryCount() = 0;
    virtual QString EntryAt(int index) = 0;
    virtual void setEntry(const QString& entry) = 0;
    virtual void setUserName(const QString& userName) = 0;
    virtual void setPassword(const QString& password) = 0;
    virtual void Dial() = 0;
    virtual void HangUp() = 0;
    virtual int StateCode() const = 0;
    virtual QString StateText() const = 0;
    // The links that an earlier run left up and nobody meters, one line each with how to end
    // it: a real modem's line still held by its pppd.
    virtual QStringList OpenLinks() { return {}; }

signals:
    void Progress(int ConnectState);
    void Done();
};

// The connected state of a remote-access connection.
inline constexpr int StateConnected = DialStates::Connected.code;

// The port of the modem a call holds, as the meter probes it: it opens only once the call has
// let go of it. Each step can fail.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual bool setPort(int number) = 0;
    virtual bool open() = 0;
    virtual bool close() = 0;
};

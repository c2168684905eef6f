// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/DisplayFormat.h"
#include "domain/DisplaySettings.h"
#include "domain/SyncSchedule.h"
#include "platform/PortMap.h"

#include <QDateTime>
#include <QObject>

#include <optional>

namespace mrv {

class SerialPort;

// What a display is doing, for the Displays window, the tray tip and the journal.
struct DisplayStatus
{
    enum class State {
        Off, // not switched on, or closed
        Sending, // its port is open and it gets its strings
        WaitingForDevice, // its device is away; it gets its time as soon as it is back
        Failed, // its port cannot be opened (the error says why); tried again every second
        Silent, // the system clock is not synchronised and it asked for nothing then
    };
    State state = State::Off;
    QString error; // why, naming the device, for Failed and WaitingForDevice
    QByteArray lastBytes; // the latest string sent
    QDateTime lastSentUtc; // the second it announced
};

// Runs one display: its port, with the loss and reconnection of a serial line; its schedule;
// and its string. The timekeeper asks it each tick whether a string is due, and hands it the
// instant to encode.
class Display : public QObject
{
    Q_OBJECT
public:
    Display(const DisplaySettings &settings, const PortDevice &device, QObject *parent = nullptr);
    ~Display() override;

    const DisplaySettings &settings() const { return m_settings; }
    int number() const { return m_settings.number; }
    // Takes changed settings. The port is opened again only when its device or line settings
    // changed; the interval changes without touching the count.
    void update(const DisplaySettings &settings, const PortDevice &device);

    // Opens the port. False, with a reason that names the device and says why; the display then
    // keeps trying, silently, every second.
    bool open(QString *reason);
    // Opens the port afresh whatever happened before: a bridge that made a new device under
    // the same name is taken now (the user asked for this port again, or the settings were
    // read again on purpose).
    bool reopen(QString *reason);
    void close();
    bool isOpen() const;
    SerialPort &port() { return *m_port; }

    // How long before the second the write starts, in microseconds: the characters before the
    // one that marks the second at the line's speed, plus the trim.
    qint64 leadUs() const { return m_leadUs; }
    // The next second at which a string is due if every second ticks; none before the first.
    std::optional<qint64> nextDue() const { return m_schedule.nextDue(); }
    // Whether the port is being looked for, so that every second counts.
    bool lookingForPort() const;
    // Counts the tick at `second` and says whether a string goes out at it (also when the port
    // came back, whatever the interval).
    bool dueAt(qint64 second);
    // The string for the instant: nothing to send while the clock is not synchronised and the
    // display asked for silence.
    Encoded encode(EncoderInput input) const;
    // Writes it; records the outcome for status().
    bool send(const Encoded &encoded, const QDateTime &utc);
    const SyncSchedule &schedule() const { return m_schedule; }
    // A string at the next second, whatever the interval.
    void syncNow() { m_schedule.syncNow(); }
    void chooseInterval(int seconds) { m_schedule.setInterval(seconds); }

    DisplayStatus status() const;

Q_SIGNALS:
    // The port was lost between two strings; it is looked for every second from now on.
    void lost();

private:
    bool openDevice(QString *reason);
    void computeLead();

    DisplaySettings m_settings;
    PortDevice m_device;
    SerialPort *m_port = nullptr;
    SyncSchedule m_schedule;
    qint64 m_leadUs = 0;
    bool m_retryOpen = false;
    QString m_openError;
    QString m_openedDevice; // the device and line settings of the latest successful open
    QString m_openedLine;
    bool m_silent = false;
    QByteArray m_lastBytes;
    QDateTime m_lastSentUtc;
};

} // namespace mrv

// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/LineSettings.h"

#include <QByteArray>
#include <QStringList>

#include <bitset>

namespace mrv {

// Our side of a telnet connection to a serial device server that sets its line as we ask (the
// com port control option of RFC 2217). Bytes in, bytes out, no socket: what to send first, how
// data travels, and what the server's bytes mean. One per connection.
//
// Binary transmission is asked for both ways so that the display's bytes pass unchanged; the
// server's offers of anything else are refused. What the server sends from the serial line is
// of no use to a display and is dropped; nothing the server sends is kept beyond one short
// subnegotiation.
class TelnetComPort
{
public:
    explicit TelnetComPort(const LineSettings &line);

    // What to send as soon as the connection is up.
    QByteArray greeting() const;
    // The display's bytes as they must travel: IAC doubled; and, while the server has not agreed
    // to binary transmission, a carriage return followed by NUL so that it arrives alone.
    QByteArray frame(const QByteArray &data) const;

    struct Reading
    {
        QByteArray reply; // to send at once
        QStringList problems; // settings the server refused or set otherwise, for the user
    };
    // Takes the server's next bytes, in any pieces.
    Reading read(const QByteArray &bytes);

    // The server has agreed to set the line.
    bool agreed() const { return m_us[kComPort]; }
    // The server has refused to set the line.
    bool refused() const { return m_refused; }
    // The server has sent something.
    bool heard() const { return m_heard; }

    static constexpr unsigned char kComPort = 44;

private:
    void negotiate(unsigned char verb, unsigned char option, QByteArray &reply);
    void subnegotiation(Reading &reading);
    QByteArray lineCommands() const;
    QString problem(unsigned char code, const QByteArray &value);

    LineSettings m_line;
    enum class State { Data, Command, Option, SubOption, SubData, SubCommand };
    State m_state = State::Data;
    unsigned char m_verb = 0;
    QByteArray m_sub; // the subnegotiation being read, its option first
    bool m_subTooLong = false;
    // Per option: enabled on our side / the server's, asked for by us and not answered yet,
    // and refused already (refused once only, so a flood of offers gets no flood of answers).
    std::bitset<256> m_us, m_him, m_usAsked, m_himAsked, m_usRefused, m_himRefused;
    std::bitset<5> m_answered; // the line settings the server has answered, by their code
    bool m_refused = false;
    bool m_heard = false;
};

} // namespace mrv

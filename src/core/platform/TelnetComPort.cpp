// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/TelnetComPort.h"

#include <QCoreApplication>

#include <initializer_list>

namespace mrv {

namespace {

// Telnet commands (RFC 854) and the options we know.
constexpr unsigned char kSe = 240, kSb = 250, kWill = 251, kWont = 252, kDo = 253, kDont = 254,
                        kIac = 255;
constexpr unsigned char kBinary = 0, kSuppressGoAhead = 3;
// Com port control commands: ours, and the server's answers to them (ours plus 100).
constexpr unsigned char kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4;
constexpr unsigned char kAnswer = 100;
// A subnegotiation longer than any answer we read is not ours to keep.
constexpr qsizetype kMaxSubnegotiation = 32;

// Our parity and stop bits as the option codes them.
unsigned char parityCode(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::OddParity:
        return 2;
    case QSerialPort::EvenParity:
        return 3;
    case QSerialPort::MarkParity:
        return 4;
    case QSerialPort::SpaceParity:
        return 5;
    default:
        return 1;
    }
}

unsigned char stopCode(QSerialPort::StopBits stop)
{
    return stop == QSerialPort::TwoStop ? 2 : stop == QSerialPort::OneAndHalfStop ? 3 : 1;
}

QString parityName(unsigned char code)
{
    switch (code) {
    case 1:
        return QCoreApplication::translate("mrv::TelnetComPort", "none");
    case 2:
        return QCoreApplication::translate("mrv::TelnetComPort", "odd");
    case 3:
        return QCoreApplication::translate("mrv::TelnetComPort", "even");
    case 4:
        return QCoreApplication::translate("mrv::TelnetComPort", "mark");
    case 5:
        return QCoreApplication::translate("mrv::TelnetComPort", "space");
    default:
        return QCoreApplication::translate("mrv::TelnetComPort", "unknown (code %1)").arg(code);
    }
}

QString stopName(unsigned char code)
{
    switch (code) {
    case 1:
        return QStringLiteral("1");
    case 2:
        return QStringLiteral("2");
    case 3:
        return QStringLiteral("1.5");
    default:
        return QCoreApplication::translate("mrv::TelnetComPort", "unknown (code %1)").arg(code);
    }
}

QByteArray bytes(std::initializer_list<unsigned char> list)
{
    QByteArray out;
    for (const unsigned char byte : list)
        out.append(char(byte));
    return out;
}

QByteArray command(unsigned char verb, unsigned char option)
{
    return bytes({kIac, verb, option});
}

QByteArray escaped(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 4);
    for (const char byte : bytes) {
        out.append(byte);
        if (byte == char(kIac))
            out.append(byte);
    }
    return out;
}

QByteArray comPortCommand(unsigned char code, const QByteArray &value)
{
    return bytes({kIac, kSb, TelnetComPort::kComPort, code}) + escaped(value) + bytes({kIac, kSe});
}

bool ourOption(unsigned char option)
{
    return option == kBinary || option == kSuppressGoAhead || option == TelnetComPort::kComPort;
}

} // namespace

TelnetComPort::TelnetComPort(const LineSettings &line)
    : m_line(line)
{
    m_usAsked.set(kBinary).set(kComPort);
    m_himAsked.set(kBinary);
}

QByteArray TelnetComPort::greeting() const
{
    return command(kWill, kBinary) + command(kDo, kBinary) + command(kWill, kComPort);
}

QByteArray TelnetComPort::frame(const QByteArray &data) const
{
    QByteArray out = escaped(data);
    if (!m_us[kBinary])
        out.replace("\r", QByteArray("\r\0", 2));
    return out;
}

QByteArray TelnetComPort::lineCommands() const
{
    const auto baud = quint32(m_line.baudRate);
    const QByteArray baudBytes =
            bytes({static_cast<unsigned char>(baud >> 24), static_cast<unsigned char>(baud >> 16),
                   static_cast<unsigned char>(baud >> 8), static_cast<unsigned char>(baud)});
    return comPortCommand(kSetBaudRate, baudBytes)
           + comPortCommand(kSetDataSize, QByteArray(1, char(m_line.dataBits)))
           + comPortCommand(kSetParity, QByteArray(1, char(parityCode(m_line.parity))))
           + comPortCommand(kSetStopSize, QByteArray(1, char(stopCode(m_line.stopBits))));
}

TelnetComPort::Reading TelnetComPort::read(const QByteArray &input)
{
    Reading reading;
    if (!input.isEmpty())
        m_heard = true;
    for (const char c : input) {
        const auto byte = static_cast<unsigned char>(c);
        switch (m_state) {
        case State::Data:
            // The serial line's bytes: nothing a display says is needed.
            if (byte == kIac)
                m_state = State::Command;
            break;
        case State::Command:
            if (byte >= kWill && byte <= kDont) {
                m_verb = byte;
                m_state = State::Option;
            } else if (byte == kSb) {
                m_state = State::SubOption;
            } else {
                m_state = State::Data; // a doubled IAC (data), or a command without meaning here
            }
            break;
        case State::Option:
            negotiate(m_verb, byte, reading.reply);
            m_state = State::Data;
            break;
        case State::SubOption:
            m_sub = QByteArray(1, c);
            m_subTooLong = false;
            m_state = State::SubData;
            break;
        case State::SubData:
            if (byte == kIac)
                m_state = State::SubCommand;
            else if (m_sub.size() < kMaxSubnegotiation)
                m_sub.append(c);
            else
                m_subTooLong = true;
            break;
        case State::SubCommand:
            if (byte == kIac) {
                if (m_sub.size() < kMaxSubnegotiation)
                    m_sub.append(c);
                else
                    m_subTooLong = true;
                m_state = State::SubData;
            } else if (byte == kSe) {
                subnegotiation(reading);
                m_state = State::Data;
            } else {
                // An unterminated subnegotiation: dropped, and the byte read as the command it
                // is.
                m_sub.clear();
                if (byte >= kWill && byte <= kDont) {
                    m_verb = byte;
                    m_state = State::Option;
                } else if (byte == kSb) {
                    m_state = State::SubOption;
                } else {
                    m_state = State::Data;
                }
            }
            break;
        }
    }
    return reading;
}

void TelnetComPort::negotiate(unsigned char verb, unsigned char option, QByteArray &reply)
{
    // Answered only when the state changes, so that two sides never answer each other forever.
    switch (verb) {
    case kDo:
        if (!ourOption(option)) {
            if (!m_usRefused[option])
                reply += command(kWont, option);
            m_usRefused.set(option);
        } else if (!m_us[option]) {
            m_us.set(option);
            if (!m_usAsked[option])
                reply += command(kWill, option);
            m_usAsked.reset(option);
            if (option == kComPort) {
                m_refused = false;
                reply += lineCommands();
            }
        }
        break;
    case kDont:
        if (m_us[option] || m_usAsked[option]) {
            if (!m_usAsked[option])
                reply += command(kWont, option);
            m_us.reset(option);
            m_usAsked.reset(option);
            if (option == kComPort)
                m_refused = true;
        }
        break;
    case kWill:
        if (!ourOption(option)) {
            if (!m_himRefused[option])
                reply += command(kDont, option);
            m_himRefused.set(option);
        } else if (!m_him[option]) {
            m_him.set(option);
            if (!m_himAsked[option])
                reply += command(kDo, option);
            m_himAsked.reset(option);
        }
        break;
    case kWont:
        if (m_him[option] || m_himAsked[option]) {
            if (!m_himAsked[option])
                reply += command(kDont, option);
            m_him.reset(option);
            m_himAsked.reset(option);
        }
        break;
    }
}

void TelnetComPort::subnegotiation(Reading &reading)
{
    const QByteArray sub = m_sub;
    m_sub.clear();
    if (m_subTooLong || sub.size() < 2 || static_cast<unsigned char>(sub[0]) != kComPort)
        return;
    const auto code = static_cast<unsigned char>(sub[1]);
    if (code <= kAnswer || code > kAnswer + kSetStopSize || m_answered[code - kAnswer])
        return;
    // Each setting is judged by the server's first answer; a server repeats them at will.
    m_answered.set(code - kAnswer);
    if (const QString text = problem(code - kAnswer, sub.mid(2)); !text.isEmpty())
        reading.problems.append(text);
}

QString TelnetComPort::problem(unsigned char code, const QByteArray &value)
{
    const auto byte = [&] {
        return value.size() == 1 ? static_cast<unsigned char>(value[0]) : 0;
    };
    switch (code) {
    case kSetBaudRate: {
        quint32 baud = 0;
        for (const char c : value.left(4))
            baud = (baud << 8) | static_cast<unsigned char>(c);
        if (value.size() == 4 && baud == quint32(m_line.baudRate))
            return QString();
        return QCoreApplication::translate("mrv::TelnetComPort",
                                           "the server set the baud rate to %1, not %2")
                .arg(baud)
                .arg(m_line.baudRate);
    }
    case kSetDataSize:
        if (int(byte()) == int(m_line.dataBits))
            return QString();
        return QCoreApplication::translate("mrv::TelnetComPort",
                                           "the server set the data bits to %1, not %2")
                .arg(byte())
                .arg(m_line.dataBits);
    case kSetParity:
        if (byte() == parityCode(m_line.parity))
            return QString();
        return QCoreApplication::translate("mrv::TelnetComPort",
                                           "the server set the parity to %1, not %2")
                .arg(parityName(byte()), parityName(parityCode(m_line.parity)));
    case kSetStopSize:
        if (byte() == stopCode(m_line.stopBits))
            return QString();
        return QCoreApplication::translate("mrv::TelnetComPort",
                                           "the server set the stop bits to %1, not %2")
                .arg(stopName(byte()), stopName(stopCode(m_line.stopBits)));
    }
    return QString();
}

} // namespace mrv

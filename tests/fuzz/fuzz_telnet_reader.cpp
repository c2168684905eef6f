// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Any bytes from a serial device server, in any pieces, read by the telnet side of an rfc2217://
// port: reading never crashes, answers stay in proportion to what came in, each line setting is
// complained about once at most, and the display's bytes still travel intact afterwards.

#include "platform/TelnetComPort.h"

#include "FuzzSupport.h"

namespace {

// Undoes the framing as the server would: a doubled IAC is one data byte, CR NUL is CR.
QByteArray unframed(const QByteArray &framed, bool *ok)
{
    QByteArray data;
    for (qsizetype i = 0; i < framed.size(); ++i) {
        const char byte = framed[i];
        if (byte == '\xff' || (byte == '\r' && i + 1 < framed.size() && framed[i + 1] == '\0'))
            *ok = *ok && i + 1 < framed.size() && (byte == '\r' || framed[i + 1] == '\xff');
        data.append(byte);
        if (byte == '\xff' || (byte == '\r' && i + 1 < framed.size() && framed[i + 1] == '\0'))
            ++i;
    }
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    mrv::LineSettings line;
    line.baudRate = input.ConsumeIntegralInRange<qint32>(1, 4'000'000);
    line.dataBits = QSerialPort::DataBits(input.ConsumeIntegralInRange(5, 8));
    line.parity = input.PickValueInArray({QSerialPort::NoParity, QSerialPort::EvenParity,
                                          QSerialPort::OddParity, QSerialPort::MarkParity,
                                          QSerialPort::SpaceParity});
    line.stopBits = input.ConsumeBool() ? QSerialPort::TwoStop : QSerialPort::OneStop;
    mrv::TelnetComPort telnet(line);

    int problems = 0;
    qsizetype read = 0, answered = 0;
    while (input.remaining_bytes() > 0) {
        const std::string piece = input.ConsumeRandomLengthString(64);
        const mrv::TelnetComPort::Reading reading =
                telnet.read(QByteArray(piece.data(), qsizetype(piece.size())));
        // A three-byte request gets three bytes back, or, when it turns the option on, the line
        // settings too (under 45 bytes); the request may come in pieces.
        read += qsizetype(piece.size());
        answered += reading.reply.size();
        fuzz::check(answered <= 15 * read, "answers out of all proportion");
        problems += int(reading.problems.size());
        fuzz::check(!(telnet.agreed() && telnet.refused()), "agreed and refused at once");
    }
    fuzz::check(problems <= 4, "a line setting complained about twice");

    const QByteArray display = QByteArray::fromRawData("\xff\r\x02"
                                                       "12\xff",
                                                       6);
    bool ok = true;
    fuzz::check(unframed(telnet.frame(display), &ok) == display && ok,
                "the display's bytes changed");
    return 0;
}

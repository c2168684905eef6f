// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/LineSettings.h"

#include <QCoreApplication>
#include <QStringList>

namespace mrv {

namespace {

// lupdate files the texts under this context, the one they are looked up in at run time.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(mrv::LineSettings)
};

LineSettingsResult failure(const QString &why)
{
    return {std::nullopt, why};
}

std::optional<QSerialPort::Parity> parityFrom(const QString &field)
{
    if (field.size() != 1)
        return std::nullopt;
    switch (field.at(0).toLower().unicode()) {
    case 'n':
        return QSerialPort::NoParity;
    case 'e':
        return QSerialPort::EvenParity;
    case 'o':
        return QSerialPort::OddParity;
    case 'm':
        return QSerialPort::MarkParity;
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

bool allDigits(const QString &field)
{
    if (field.isEmpty())
        return false;
    for (QChar c : field) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

LineSettingsResult parseLineSettings(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4) {
        return failure(Texts::tr("“%1” is not of the form speed,parity,data bits,stop bits "
                                 "(for example 9600,n,8,1)")
                               .arg(text));
    }
    const QString baudText = fields.at(0).trimmed();
    const QString parityText = fields.at(1).trimmed();
    const QString dataText = fields.at(2).trimmed();
    const QString stopText = fields.at(3).trimmed();

    LineSettings settings;

    // Digits only: toInt() alone would also take "+9600" or " 96 00" apart.
    bool ok = false;
    const int baud = baudText.toInt(&ok);
    if (!allDigits(baudText) || !ok || baud <= 0)
        return failure(Texts::tr("the speed “%1” is not a positive whole number").arg(baudText));
    settings.baudRate = baud;

    const auto parity = parityFrom(parityText);
    if (!parity)
        return failure(Texts::tr("the parity “%1” is not one of n, e, o, m, s").arg(parityText));
    settings.parity = *parity;

    if (dataText == u"5")
        settings.dataBits = QSerialPort::Data5;
    else if (dataText == u"6")
        settings.dataBits = QSerialPort::Data6;
    else if (dataText == u"7")
        settings.dataBits = QSerialPort::Data7;
    else if (dataText == u"8")
        settings.dataBits = QSerialPort::Data8;
    else
        return failure(Texts::tr("the data bits “%1” are not 5, 6, 7 or 8").arg(dataText));

    if (stopText == u"1") {
        settings.stopBits = QSerialPort::OneStop;
    } else if (stopText == u"2") {
        settings.stopBits = QSerialPort::TwoStop;
    } else if (stopText == u"1.5") {
        // The termios interface knows only one or two stop bits.
        return failure(Texts::tr("1.5 stop bits are not supported on this system"));
    } else {
        return failure(Texts::tr("the stop bits “%1” are not 1, 1.5 or 2").arg(stopText));
    }

    return {settings, QString()};
}

bool applyLineSettings(QSerialPort &port, const LineSettings &settings)
{
    // Evaluate every setter even after a refusal, so the port never keeps half of an old set.
    bool ok = port.setBaudRate(settings.baudRate);
    ok = port.setParity(settings.parity) && ok;
    ok = port.setDataBits(settings.dataBits) && ok;
    ok = port.setStopBits(settings.stopBits) && ok;
    ok = port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    return ok;
}

} // namespace mrv

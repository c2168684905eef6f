// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/SyncFrame.h"

namespace mrv {

QByteArray frameBytes(quint8 second, quint8 minute, quint8 hour,
                      const std::array<quint8, 4> &zoneCodes)
{
    QByteArray frame;
    frame.reserve(kFrameSize);
    frame.append(kFrameStart).append(char(second)).append(char(minute)).append(char(hour));
    for (quint8 code : zoneCodes)
        frame.append(char(code));
    frame.append(kFrameEnd);
    return frame;
}

QByteArray buildSyncFrame(const QDateTime &gmt, const std::array<quint8, 4> &zoneCodes)
{
    const QTime time = gmt.time();
    if (!gmt.isValid() || !time.isValid())
        return {};
    return frameBytes(quint8(time.second()), quint8(time.minute()), quint8(time.hour()), zoneCodes);
}

} // namespace mrv

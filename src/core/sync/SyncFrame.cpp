#include "SyncFrame.h"

namespace mrv {

QByteArray buildSyncFrame(const QDateTime &gmt, const std::array<quint8, 4> &zoneCodes)
{
    const QTime time = gmt.time();
    if (!gmt.isValid() || !time.isValid())
        return {};

    QByteArray frame;
    frame.reserve(kFrameSize);
    frame.append(kFrameStart);
    frame.append(char(time.second()));
    frame.append(char(time.minute()));
    frame.append(char(time.hour()));
    for (quint8 code : zoneCodes)
        frame.append(char(code));
    frame.append(kFrameEnd);
    return frame;
}

} // namespace mrv

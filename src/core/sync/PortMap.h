#pragma once

#include <QString>

namespace mrv {

class IniFile;

// Which device COM n stands for: the [Ports] section of the settings file (COMn=device), read
// and never written; otherwise /dev/ttyS<n-1> on Linux, COMn on Windows.
struct PortDevice
{
    QString path; // empty when the number is no number
    QString error; // why there is no device, for the user
};

PortDevice deviceForPort(const QString &commPortNumber, const IniFile &file);

} // namespace mrv

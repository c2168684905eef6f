#include "PortMap.h"

#include "settings/IniFile.h"
#include "settings/SettingsTable.h"

#include <QCoreApplication>

#include <limits>

namespace mrv {

PortDevice deviceForPort(const QString &commPortNumber, const IniFile &file)
{
    // The number is held as text and used as a 16-bit number, so that is the range.
    bool ok = false;
    const int number = commPortNumber.trimmed().toInt(&ok);
    if (!ok || number <= 0 || number > std::numeric_limits<qint16>::max()) {
        return {QString(), QCoreApplication::translate("mrv::PortMap", "“%1” is not a port number")
                                   .arg(commPortNumber)};
    }

    const QString name = QStringLiteral("COM%1").arg(number);
    const QString configured = file.read(QString::fromLatin1(settings::PortsSection), name);
    if (!configured.trimmed().isEmpty())
        return {configured.trimmed(), QString()};

#ifdef Q_OS_WIN
    return {name, QString()};
#else
    return {QStringLiteral("/dev/ttyS%1").arg(number - 1), QString()};
#endif
}

} // namespace mrv

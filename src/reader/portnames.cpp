#include "reader/portnames.h"

#include <QDir>
#include <QStandardPaths>

namespace portnames {

QString virtualPortDirectory()
{
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    return runtime + QStringLiteral("/belvarium-ports");
}

QString deviceForPort(int number, const QString &virtualDir)
{
    if (number < FirstPort || number > LastPort)
        return QString();
#ifdef Q_OS_WIN
    Q_UNUSED(virtualDir);
    return QStringLiteral("COM%1").arg(number);
#else
    if (number <= 32)
        return QStringLiteral("/dev/ttyS%1").arg(number - 1);
    if (number <= 64)
        return QStringLiteral("/dev/ttyUSB%1").arg(number - 33);
    if (number <= 96)
        return QStringLiteral("/dev/ttyACM%1").arg(number - 65);
    if (number >= FirstVirtualPort) {
        const QString dir = virtualDir.isEmpty() ? virtualPortDirectory() : virtualDir;
        return dir + QLatin1Char('/') + QString::number(number);
    }
    return QString();
#endif
}

} // namespace portnames

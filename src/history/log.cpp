#include "history/log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace history {
namespace {

// A field may hold no tab and no line end: they would split the line.
QString field(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

QString Log::word(Result result)
{
    switch (result) {
    case Result::Done:
        return QStringLiteral("kész");
    case Result::SlotRefused:
        return QStringLiteral("kódhely visszautasítva");
    case Result::GaveUp:
        return QStringLiteral("feladva");
    case Result::TimedOut:
        return QStringLiteral("időtúllépés");
    case Result::PortLost:
        return QStringLiteral("port elveszett");
    case Result::Refused:
        return QStringLiteral("elutasítva");
    case Result::Failed:
        return QStringLiteral("hiba");
    }
    return QString();
}

Log::Log(const QString &dataFolder)
    : m_names(dataFolder)
{
}

void Log::setDataFolder(const QString &dataFolder)
{
    m_names.setDataFolder(dataFolder);
}

QString Log::path(int rotated) const
{
    const QString folder = m_names.folder();
    if (folder.isEmpty())
        return QString();
    return folder + (rotated ? QStringLiteral("naplo.%1.log").arg(rotated) : QStringLiteral("naplo.log"));
}

bool Log::write(const QString &command, const QString &file, const QString &port, Result result,
                const QString &details)
{
    if (path().isEmpty())
        return false;
    const QDateTime now = QDateTime::currentDateTime();
    const QString shownFile = file.isEmpty() ? QString() : QDir::toNativeSeparators(m_names.keyOf(file));
    QByteArray bytes = QStringList{now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate), field(command),
                                   field(shownFile), field(port), word(result), field(details)}
                           .join(QLatin1Char('\t'))
                           .toUtf8()
                       + '\n';
    QDir().mkpath(m_names.folder());
    const qint64 size = QFileInfo(path()).size();
    if (size + bytes.size() > LimitBytes) {
        // The oldest goes first, so that each rename finds its place free.
        QFile::remove(path(RotatedFiles));
        for (int n = RotatedFiles - 1; n >= 0; --n)
            QFile::rename(path(n), path(n + 1));
    }
    QFile log(path());
    if (!log.open(QIODevice::ReadWrite))
        return false;
    const qint64 at = log.size();
    char last = '\n';
    // A line cut short by a crash stays apart from this one.
    if (at > 0 && log.seek(at - 1) && log.getChar(&last) && last != '\n')
        bytes.prepend('\n');
    if (!log.seek(at) || log.write(bytes) != bytes.size() || !log.flush()) {
        log.resize(at);
        return false;
    }
    return true;
}

QStringList Log::read() const
{
    QStringList out;
    for (int n = 0; n <= RotatedFiles && !path().isEmpty(); ++n) {
        QFile file(path(n));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        // Newest last in the file, newest first here.
        qsizetype end = text.size();
        while (end > 0) {
            const qsizetype start = text.lastIndexOf(QLatin1Char('\n'), end - 1) + 1;
            const QStringView line = QStringView(text).mid(start, end - start);
            if (line.count(QLatin1Char('\t')) == FieldCount - 1)
                out << line.toString();
            end = start - 1;
        }
    }
    return out;
}

} // namespace history

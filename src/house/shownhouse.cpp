#include "house/shownhouse.h"
#include "house/housefile.h"

#include <QDir>
#include <QFile>

namespace house {

namespace {
const QString Reopen = QStringLiteral("Nyissa meg újra a házat a Szerkesztés gombbal, vagy kattintson kettőt "
                                      "az útvonalára!");
} // namespace

void ShownHouse::load(const QString &path, const QByteArray &content)
{
    m_path = path;
    m_content = content;
    m_unsaved = false;
}

void ShownHouse::clear()
{
    load(QString(), QByteArray());
}

void ShownHouse::applyWrite(const QString &path, qint64 offset, const QByteArray &bytes)
{
    if (!isLoaded() || !sameFile(path, m_path) || offset < 0 || offset + bytes.size() > m_content.size())
        return;
    m_content.replace(offset, bytes.size(), bytes);
}

QString ShownHouse::problem(const QString &namedPath) const
{
    if (!isLoaded())
        return QStringLiteral("Előbb nyisson meg egy házat a Szerkesztés gombbal!");
    const QString named = QDir::toNativeSeparators(namedPath);
    if (namedPath.trimmed().isEmpty() || !sameFile(namedPath, m_path))
        return QStringLiteral("A 'Friss adatok' lista nem a(z) %1 fájlt mutatja, hanem a(z) %2 fájlt. %3")
            .arg(named, QDir::toNativeSeparators(m_path), Reopen);
    QFile file(m_path);
    // One byte more than expected tells a longer file from an equal one.
    const QByteArray now = file.open(QIODevice::ReadOnly) ? file.read(m_content.size() + 1) : QByteArray();
    if (!file.isOpen() || now != m_content)
        return QStringLiteral("A(z) %1 fájl megváltozott, mióta a 'Friss adatok' lista betöltődött. %2")
            .arg(named, Reopen);
    return QString();
}

} // namespace house

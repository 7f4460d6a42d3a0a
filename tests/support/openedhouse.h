#pragma once
#include "history/history.h"
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

class Form1;
class QListWidget;

// A house as opening it leaves the window, and files checked byte for byte.
namespace openedhouse {

// 16392 bytes of upper-case hexadecimal records that differ for every seed and are never all "F"; record 1366 is empty, as a
// read-out leaves it.
QByteArray houseWithCodes(int seed);
QStringList recordsOf(const QByteArray &content);
// Writes content to path and opens it with "Szerkesztés" (a 0-byte house: opening fills it with 16392 'F' and shows blank rows).
void open(Form1 &form, const QString &path, const QByteArray &content);
// Every file of a folder (not recursive) with its bytes.
QMap<QString, QByteArray> snapshot(const QString &folder);
QStringList rowsOf(const QListWidget *list);
// Every entry of the folder's history, oldest first, with the bytes of its content.
QList<std::pair<history::Entry, QByteArray>> historyOf(const QString &folder);
// Empty when every house or backup that differs between before and after kept its bytes before as one version among the
// entries from `from` on, with the slots it changed, and nothing else was kept; otherwise what was kept and what was due.
QString versionsDiffer(const QString &folder, qsizetype from, const QMap<QString, QByteArray> &before, const QMap<QString, QByteArray> &after);

} // namespace openedhouse

#pragma once
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

} // namespace openedhouse

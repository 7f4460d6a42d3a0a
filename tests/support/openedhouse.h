#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

class Form1;
class QListWidget;

// A house as opening it leaves the window, for commands that work on the
// open house, and helpers for checking files byte for byte.
namespace openedhouse {

// 16392 bytes of upper-case hexadecimal records that differ for every seed
// and are never all "F"; record 1366 is empty, as a read-out leaves it.
QByteArray houseWithCodes(int seed);
QStringList recordsOf(const QByteArray &content);

// Writes content to path and puts the window in the state an opening of it
// leaves: Text2 and houseFilePath name it, List2 shows its rows.
void open(Form1 &form, const QString &path, const QByteArray &content);
// A house opened as a new file: 16392 'F' on disk, List2 with blank record rows.
void openNew(Form1 &form, const QString &path);

// Every file of a folder (not recursive) with its bytes.
QMap<QString, QByteArray> snapshot(const QString &folder);
QStringList rowsOf(const QListWidget *list);

} // namespace openedhouse

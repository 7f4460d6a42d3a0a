#pragma once
#include <QByteArray>
#include <QString>

// Single-byte Windows-1250 text, the code page every file of the program uses.
// A table of its own rather than QStringConverter: Qt builds without ICU
// (Windows' official ones) have no Windows-1250 converter.
namespace cp1250 {

QString decode(const QByteArray &bytes);
// Characters without a Windows-1250 byte make *ok false (and become '?').
QByteArray encode(const QString &text, bool *ok = nullptr);
bool canEncode(const QString &text);

} // namespace cp1250

#pragma once
#include <QString>

// Port numbers as the user sees them in Combo1 ("1" to "256") and the system
// devices behind them. On Windows the number is the COM number. Elsewhere:
//   1-32    /dev/ttyS0  .. /dev/ttyS31
//   33-64   /dev/ttyUSB0.. /dev/ttyUSB31
//   65-96   /dev/ttyACM0.. /dev/ttyACM31
//   201-256 virtual ports: links named after the number in the per-user
//           runtime folder's "belvarium-ports" directory (the simulated
//           reader makes them).
namespace portnames {

constexpr int FirstPort = 1;
constexpr int LastPort = 256;
constexpr int FirstVirtualPort = 201;

// The default folder of the virtual port links.
QString virtualPortDirectory();
// The device for a number; empty when the number maps to none.
// virtualDir overrides the folder of the virtual ports (tests).
QString deviceForPort(int number, const QString &virtualDir = QString());

} // namespace portnames

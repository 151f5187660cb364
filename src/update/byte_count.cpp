#include "update/byte_count.h"

#include <array>
#include <cmath>

namespace UpdatePrompt {

QString byteCount(qint64 bytes) {
  if (bytes < 1000) return QStringLiteral("%1 バイト").arg(std::max<qint64>(bytes, 0));
  struct Unit {
    const char* name;
    double size;
    int decimals;
  };
  static constexpr std::array<Unit, 5> units{
      {{"KB", 1e3, 0}, {"MB", 1e6, 1}, {"GB", 1e9, 2}, {"TB", 1e12, 2}, {"PB", 1e15, 2}}};
  for (std::size_t i = 0; i < units.size(); ++i) {
    const Unit& unit = units[i];
    const double scale = std::pow(10.0, unit.decimals);
    const double value = std::round(static_cast<double>(bytes) / unit.size * scale) / scale;
    // 999,999 bytes rounds to 1000 KB, which reads better as 1 MB.
    if (value >= 1000 && i + 1 < units.size()) continue;
    QString number = QString::number(value, 'f', unit.decimals);
    if (number.contains(u'.')) {
      while (number.endsWith(u'0')) number.chop(1);
      if (number.endsWith(u'.')) number.chop(1);
    }
    return number + u' ' + QLatin1String(unit.name);
  }
  return {};
}

}  // namespace UpdatePrompt

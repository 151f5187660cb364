#pragma once

#include <QString>
#include <QtGlobal>

// What the update window shows.
struct UpdatePhase {
  enum class Kind { offer, downloading, installing, upToDate, checkFailed, failed };

  Kind kind = Kind::offer;
  // downloading: fraction 0…1, bytes received and expected (0 when the server gave no size).
  double fraction = 0;
  qint64 received = 0;
  qint64 expected = 0;
  // failed: the failure's two texts.
  QString headline;
  QString detail;

  bool operator==(const UpdatePhase&) const = default;

  static UpdatePhase offer() { return {}; }
  static UpdatePhase downloading(double fraction, qint64 received, qint64 expected) {
    return {Kind::downloading, fraction, received, expected, {}, {}};
  }
  static UpdatePhase installing() { return of(Kind::installing); }
  static UpdatePhase upToDate() { return of(Kind::upToDate); }
  static UpdatePhase checkFailed() { return of(Kind::checkFailed); }
  static UpdatePhase failed(const QString& headline, const QString& detail) {
    return {Kind::failed, 0, 0, 0, headline, detail};
  }

 private:
  static UpdatePhase of(Kind kind) {
    UpdatePhase phase;
    phase.kind = kind;
    return phase;
  }
};

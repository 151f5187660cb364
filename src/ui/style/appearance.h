#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include "ui/style/theme.h"

class QDBusVariant;

// Whether the application is drawn light or dark. In order: LUMI_APPEARANCE "light" forces light
// (any other value is ignored); else the desktop portal's colour-scheme preference, followed while
// the application runs; else the lightness of the desktop's palette at start.
class Appearance : public QObject {
  Q_OBJECT

 public:
  // Decides the scheme now and starts following the portal; touches nothing of the application.
  explicit Appearance(QObject* parent = nullptr);

  // The application's appearance, made on first use (after the QApplication) and kept for the
  // process. It puts the application under the Fusion style with the theme's palette and keeps
  // that palette in step, so every widget repaints in the new colours on a switch.
  static Appearance& shared();

  ColorScheme scheme() const { return scheme_; }

 signals:
  // After the scheme switched (and, for the shared appearance, after the palette did).
  void changed(ColorScheme scheme);

 private slots:
  void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

 private:
  void follow(const QVariant& portalValue);
  void setScheme(ColorScheme scheme);

  ColorScheme scheme_ = ColorScheme::light;
  ColorScheme desktopPalette_ = ColorScheme::light;
};

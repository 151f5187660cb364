#include "ui/style/ui_type.h"

#include <QGuiApplication>

namespace {

QFont systemFont(int pixelSize, QFont::Weight weight) {
  QFont font = QGuiApplication::font();
  font.setPixelSize(pixelSize);
  font.setWeight(weight);
  return font;
}

}  // namespace

namespace UIType {

QFont title() {
  return systemFont(20, QFont::Bold);
}
QFont heading() {
  return systemFont(16, QFont::DemiBold);
}
QFont body() {
  return systemFont(14, QFont::Normal);
}
QFont bodyBold() {
  return systemFont(14, QFont::DemiBold);
}
QFont note() {
  return systemFont(13, QFont::Normal);
}
QFont columnLabel() {
  return systemFont(13, QFont::Medium);
}

}  // namespace UIType

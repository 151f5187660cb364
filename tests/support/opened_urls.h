#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Catches what QDesktopServices opens, given as the handler of a URL scheme.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls << url; }
};

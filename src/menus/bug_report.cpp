#include "menus/bug_report.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrlQuery>

#include "menus/localization.h"

namespace StandardMenus {

namespace {

QString readText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// A value as a shell would read it: quotes removed, backslash escapes inside double quotes.
QString unquoted(const QString& value) {
  if (value.size() >= 2 && value.front() == u'\'' && value.back() == u'\'') {
    return value.mid(1, value.size() - 2);
  }
  if (value.size() < 2 || value.front() != u'"' || value.back() != u'"') return value;
  QString text;
  const QString inner = value.mid(1, value.size() - 2);
  for (qsizetype i = 0; i < inner.size(); ++i) {
    if (inner[i] == u'\\' && i + 1 < inner.size()) ++i;
    text += inner[i];
  }
  return text;
}

// A query value as a form decodes it: "+" would come back as a space.
QString queryValue(const QString& text) {
  return QString(QUrl::toPercentEncoding(text));
}

}  // namespace

QString prettyName(const QString& osRelease) {
  static const QRegularExpression line(QStringLiteral("^PRETTY_NAME=(.*)$"),
                                       QRegularExpression::MultilineOption);
  const QRegularExpressionMatch match = line.match(osRelease);
  return match.hasMatch() ? unquoted(match.captured(1).trimmed()) : QString();
}

QString environmentText(const Config& config, const EnvironmentSources& sources) {
  QString system;
  for (const QString& path : sources.osRelease) {
    system = prettyName(readText(path));
    if (!system.isEmpty()) break;
  }
  const QString model = readText(sources.productName).trimmed();
  return QStringLiteral("アプリ: ") + config.appName + u' ' + config.version +
         QStringLiteral("\nOS: ") + (system.isEmpty() ? QStringLiteral("?") : system) +
         QStringLiteral("\n機種: ") + (model.isEmpty() ? QStringLiteral("?") : model);
}

QString reportText(const Config& config, const EnvironmentSources& sources) {
  return L("起きたこと・手順:") + QStringLiteral("\n\n\n") + L("お使いの環境:") + u'\n' +
         environmentText(config, sources) + u'\n';
}

QUrl webReportUrl(const QUrl& form, const QString& text) {
  QUrlQuery query(form);
  query.addQueryItem(QStringLiteral("body"), queryValue(text));
  QUrl url = form;
  url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
  return url.isValid() ? url : form;
}

QUrl mailReportUrl(const QString& address, const Config& config, const QString& text) {
  QUrl url;
  url.setScheme(QStringLiteral("mailto"));
  url.setPath(address);
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("subject"),
                     queryValue(fill(L("%@の不具合の報告"), {config.appName})));
  query.addQueryItem(QStringLiteral("body"), queryValue(text));
  url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
  return url;
}

void report(const Report& report, const Config& config) {
  const QString text = reportText(config);
  if (const auto* web = std::get_if<Report::Web>(&report.value)) {
    openUrl(webReportUrl(web->url, text));
  } else if (const auto* mail = std::get_if<Report::Mail>(&report.value)) {
    openUrl(mailReportUrl(mail->address, config, text));
  } else {
    const QString address = std::get<Report::Copy>(report.value).address;
    QApplication::clipboard()->setText(text);
    auto* box = new QMessageBox(QApplication::activeWindow());
    box->setObjectName(QStringLiteral("reportCopiedBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setText(L("お使いの環境をコピーしました"));
    box->setInformativeText(address + u'\n' +
                            L("貼り付けたあと、起きたことと手順を書き足してください。"));
    box->setStandardButtons(QMessageBox::Ok);
    QObject::connect(box, &QMessageBox::finished, box,
                     [url = mailReportUrl(address, config, text)] { openUrl(url); });
    box->open();
  }
}

}  // namespace StandardMenus

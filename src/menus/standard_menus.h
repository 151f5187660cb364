#pragma once

#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>
#include <variant>

#include "ui/style/theme.h"

class QAction;
class QMenu;
class QObject;
class QWidget;

// The application menu and the help menu every application of ours has, built from the host's
// description of itself. Linux desktops have no services menu and no hiding of applications, so
// those items are not built.
namespace StandardMenus {

// Where help lives: a web page, or an HTML file among the application's resources (its base name).
struct Help {
  struct Web {
    QUrl url;
    bool operator==(const Web&) const = default;
  };
  struct Bundled {
    QString name;
    bool operator==(const Bundled&) const = default;
  };
  std::variant<Web, Bundled> value;
  bool operator==(const Help&) const = default;
};

// How a bug is reported: a web form, a mail, or a mail whose text is also put on the clipboard.
struct Report {
  struct Web {
    QUrl url;
    bool operator==(const Web&) const = default;
  };
  struct Mail {
    QString address;
    bool operator==(const Mail&) const = default;
  };
  struct Copy {
    QString address;
    bool operator==(const Copy&) const = default;
  };
  std::variant<Web, Mail, Copy> value;
  bool operator==(const Report&) const = default;
};

struct ColorPair {
  QRgb light;
  QRgb dark;
  bool operator==(const ColorPair&) const = default;
  QColor resolved(ColorScheme scheme) const;
};

// The colours of the release-notes window.
struct Palette {
  ColorPair ink;
  ColorPair sub;
  ColorPair ground;
  bool operator==(const Palette&) const = default;
};
inline constexpr Palette defaultPalette{
    {0x1D2329, 0xE8EAED}, {0x5D6670, 0xA7AFB8}, {0xFFFFFF, 0x1F2226}};

// The host's description of itself. Without an optional part its item is not built.
struct Config {
  QString appName;
  QString version;
  std::optional<Help> help = std::nullopt;
  std::optional<Report> report = std::nullopt;
  std::optional<QUrl> website = std::nullopt;
  std::function<void()> checkForUpdates = {};
  std::function<void()> showSettings = {};
  std::optional<Palette> palette = std::nullopt;
};

// A menu item running `run`. Its shortcut works in every window of the application, as a menu
// bar's does on a desktop with one menu bar for all windows.
QAction* item(const QString& title, const QKeySequence& key, std::function<void()> run,
              QObject* parent);

// The application menu, titled with the application's name: about, check for updates, settings
// (Ctrl+,), the host's extra items, quit (Ctrl+Q).
QMenu* appMenu(const Config& config, const QList<QAction*>& extraAfterSettings, QWidget* parent);

// "ヘルプ": help (F1) and the release notes; the bug report and the web site; the host's extras.
QMenu* helpMenu(const Config& config, const QList<QAction*>& extra, QWidget* parent);

// The "アップデートを確認…" item of the last application menu built, for the host to enable or
// disable; null when that menu has none.
QPointer<QAction> updateItem();

// Opens `url` in the browser, mail program or file manager the desktop chooses. Every link the
// application opens goes through here.
void openUrl(const QUrl& url);

// Opens help in the browser. A bundled page is looked for in `folders`; when it is missing, the
// application beeps and logs it.
void openHelp(const std::optional<Help>& help, const QStringList& folders);
void openHelp(const std::optional<Help>& help);

}  // namespace StandardMenus

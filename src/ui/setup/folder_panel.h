#pragma once

#include <QDialog>
#include <QString>

class QFileDialog;

// The panel for a folder of the user's choice: folders only, new ones can be made, and above
// the folders the message that says what the folder is for (Qt's own folder dialog has no line
// for it). Opened window-modal; `chosen` reports the folder confirmed.
class FolderPanel : public QDialog {
  Q_OBJECT

 public:
  FolderPanel(const QString& message, const QString& prompt, const QString& startFolder,
              QWidget* parent = nullptr);

  QFileDialog* files() const { return files_; }

 signals:
  void chosen(const QString& folder);

 private:
  QFileDialog* files_;
};

#include "ui/setup/folder_panel.h"

#include <QFileDialog>
#include <QVBoxLayout>

#include "ui/setup/setup_texts.h"
#include "ui/style/ui_type.h"
#include "ui/widgets/themed_label.h"

FolderPanel::FolderPanel(const QString& message, const QString& prompt, const QString& startFolder,
                         QWidget* parent)
    : QDialog(parent), files_(new QFileDialog(this)) {
  setObjectName(QStringLiteral("folderPanel"));
  setWindowTitle(SetupTexts::otherPlace());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 8);
  layout->setSpacing(8);

  auto* note = new ThemedLabel(Theme::ink, message);
  note->setFont(UIType::body());
  note->setObjectName(QStringLiteral("folderPanelMessage"));
  note->setWordWrap(true);
  layout->addWidget(note);

  // Qt's own dialog, embedded: the platform's dialog could not carry the message.
  files_->setWindowFlags(Qt::Widget);
  files_->setOption(QFileDialog::DontUseNativeDialog);
  files_->setFileMode(QFileDialog::Directory);
  files_->setOption(QFileDialog::ShowDirsOnly);
  files_->setAcceptMode(QFileDialog::AcceptOpen);
  files_->setLabelText(QFileDialog::Accept, prompt);
  files_->setLabelText(QFileDialog::Reject, SetupTexts::cancel());
  files_->setLabelText(QFileDialog::LookIn, QStringLiteral("場所:"));
  files_->setLabelText(QFileDialog::FileName, QStringLiteral("フォルダ:"));
  // Folders only: a choice of file types has nothing to choose.
  for (const char* name : {"fileTypeCombo", "fileTypeLabel"}) {
    if (auto* part = files_->findChild<QWidget*>(QString::fromLatin1(name))) part->hide();
  }
  files_->setDirectory(startFolder);
  layout->addWidget(files_, 1);

  connect(files_, &QFileDialog::finished, this, [this](int result) {
    if (result == QDialog::Accepted) {
      const QStringList selected = files_->selectedFiles();
      if (!selected.isEmpty()) emit chosen(selected.constFirst());
    }
    done(result);
  });
  resize(720, 480);
}

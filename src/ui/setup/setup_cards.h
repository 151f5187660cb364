#pragma once

#include <QAbstractButton>
#include <QString>

#include "ui/style/theme.h"

class MIcon;
class ThemedLabel;
class QHBoxLayout;
class QVBoxLayout;

// A clickable box of the setup: an icon beside lines of text, highlighted when selected, dimmed
// when disabled. Space clicks it when it has the focus.
class CardButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit CardButton(const QString& icon, QWidget* parent = nullptr);

  bool isSelected() const { return selected_; }
  void setSelected(bool selected);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The lines beside the icon go here.
  QVBoxLayout* lines() const { return lines_; }
  MIcon* icon() const { return icon_; }
  // Colours that follow selection and state are set again here.
  virtual void restyle() {}

 private:
  bool selected_ = false;
  MIcon* icon_;
  QHBoxLayout* row_;
  QVBoxLayout* lines_;
};

// One cloud place, or the last tile that opens the folder panel.
class PlaceTile : public CardButton {
  Q_OBJECT

 public:
  PlaceTile(const QString& icon, const QString& name, QWidget* parent = nullptr);

  void setIconName(const QString& icon);
  void setSubtitle(const QString& subtitle);
  QString name() const;
  QString subtitle() const;

 private:
  ThemedLabel* name_;
  ThemedLabel* subtitle_;
};

// One way to start: a radio mark, its title, a subtitle and, while it cannot be chosen, why.
class ChoiceRow : public CardButton {
  Q_OBJECT

 public:
  explicit ChoiceRow(const QString& title, QWidget* parent = nullptr);

  void setSubtitle(const QString& subtitle);
  // Shown while the row is disabled.
  void setNote(const QString& note);
  QString title() const;
  QString subtitle() const;
  // The note when it shows, else empty.
  QString visibleNote() const;

 protected:
  void restyle() override;

 private:
  ThemedLabel* title_;
  ThemedLabel* subtitle_;
  ThemedLabel* note_;
};

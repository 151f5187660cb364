#include "ui/sheets/part_of_speech_picker.h"

#include <QStandardItemModel>
#include <algorithm>

#include "model/part_of_speech.h"
#include "ui/sheets/entry_draft.h"
#include "ui/sheets/sheet_texts.h"
#include "ui/style/ui_type.h"

namespace {

QString nameOf(std::int64_t code) {
  const std::string_view name = PartOfSpeech::name(code).value_or("?");
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

PartOfSpeechPicker::PartOfSpeechPicker(QWidget* parent) : QComboBox(parent) {
  auto* items = new QStandardItemModel(this);
  const auto addHeading = [&](const QString& text) {
    auto* heading = new QStandardItem(text);
    heading->setFlags(Qt::NoItemFlags);
    heading->setFont(UIType::columnLabel());
    items->appendRow(heading);
  };
  const auto addCode = [&](std::int64_t code) {
    auto* item = new QStandardItem(nameOf(code));
    item->setData(QVariant::fromValue<qlonglong>(code), Qt::UserRole);
    items->appendRow(item);
  };
  addHeading(SheetTexts::frequentSection());
  for (std::int64_t code : frequentPosCodes) addCode(code);
  addHeading(SheetTexts::otherSection());
  for (const PartOfSpeech::Row& row : PartOfSpeech::all()) {
    if (std::find(frequentPosCodes.begin(), frequentPosCodes.end(), row.code) ==
        frequentPosCodes.end()) {
      addCode(row.code);
    }
  }
  setModel(items);
  setMaxVisibleItems(16);
  connect(this, &QComboBox::currentIndexChanged, this, &PartOfSpeechPicker::codeChanged);
}

std::int64_t PartOfSpeechPicker::code() const {
  return currentData(Qt::UserRole).toLongLong();
}

void PartOfSpeechPicker::setCode(std::int64_t code) {
  setCurrentIndex(findData(QVariant::fromValue<qlonglong>(code), Qt::UserRole));
}

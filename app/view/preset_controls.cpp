#include "app/view/preset_controls.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <iostream>

#include "app/preset_file.h"
#include "app/view/console_window.h"
#include "app/view/main_view.h"
#include "protocol/printable_text.h"

namespace tvx::app {

namespace {

// Below "Request 'ACK'" in the left column; the row under them is kept for another button.
const QRect kLabelPlace(10, 508, 54, 24);
const QRect kListPlace(66, 508, 124, 24);
const QRect kApplyPlace(194, 508, 64, 24);
const QRect kSavePlace(10, 536, 124, 24);

QString Name(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// A message of the console layer (its characters, one byte each) as the operator reads it.
QString Sentence(const std::string& console_text) {
  QString text = QString::fromStdString(protocol::PrintableValue(console_text));
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

PresetPrompts WithDialogs(PresetPrompts prompts, QWidget* parent) {
  if (!prompts.ask_name) {
    prompts.ask_name = [parent]() -> std::optional<QString> {
      bool ok = false;
      const QString name =
          QInputDialog::getText(parent, QObject::tr("Save preset"),
                                QObject::tr("Name of the preset:"), QLineEdit::Normal, {}, &ok);
      if (!ok) return std::nullopt;
      return name;
    };
  }
  if (!prompts.confirm_replace) {
    prompts.confirm_replace = [parent](const QString& name) {
      return QMessageBox::question(parent, QObject::tr("Save preset"),
                                   QObject::tr("A preset named '%1' exists. Replace it?").arg(name),
                                   QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::No) == QMessageBox::Yes;
    };
  }
  return prompts;
}

}  // namespace

PresetControls::PresetControls(MainView& view, ConsoleWindow& window, window::FrmMain& w,
                               std::string path, PresetPrompts prompts)
    : QObject(&view),
      view_(view),
      window_(window),
      w_(w),
      path_(std::move(path)),
      prompts_(WithDialogs(std::move(prompts), &window)),
      presets_(LoadPresets(path_, std::cerr)),
      list_(new QComboBox(&view)),
      apply_(new QPushButton(tr("&Apply"), &view)),
      save_(new QPushButton(tr("Sa&ve preset..."), &view)) {
  auto* label = new QLabel(tr("Pr&esets:"), &view);
  label->setBuddy(list_);
  label->setGeometry(kLabelPlace);
  list_->setObjectName("PresetList");
  list_->setGeometry(kListPlace);
  list_->setEditable(false);
  list_->setPlaceholderText(tr("(none saved)"));
  list_->setToolTip(tr("Presets saved with \"Save preset...\": a section with its fields"));
  apply_->setObjectName("ApplyPresetButton");
  apply_->setGeometry(kApplyPlace);
  apply_->setToolTip(tr("Enter the preset's section and fill in its fields; Send sends it"));
  save_->setObjectName("SavePresetButton");
  save_->setGeometry(kSavePlace);
  save_->setToolTip(tr("Keep the section entered, with its fields and address, under a name"));
  for (QWidget* widget : {static_cast<QWidget*>(label), static_cast<QWidget*>(list_),
                          static_cast<QWidget*>(apply_), static_cast<QWidget*>(save_)}) {
    widget->show();
  }
  connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });
  // The view orders the tabs of its own controls anew when a section moves them.
  connect(&view_, &MainView::Refreshed, this, [this] { KeepInTabOrder(); });
  ShowList({});
  KeepInTabOrder();
}

void PresetControls::ShowList(const QString& current) {
  list_->clear();
  for (const console::Preset& p : presets_.All()) list_->addItem(Name(p.name));
  list_->setCurrentIndex(current.isEmpty() ? (list_->count() > 0 ? 0 : -1)
                                           : list_->findText(current, Qt::MatchExactly));
  apply_->setEnabled(list_->count() > 0);
}

// After "Request 'ACK'", in reading order.
void PresetControls::KeepInTabOrder() {
  QWidget* ack = view_.WidgetOf(w_.ACKCheck->Name());
  if (!ack || list_->previousInFocusChain() == ack) return;
  QWidget::setTabOrder(ack, list_);
  QWidget::setTabOrder(list_, apply_);
  QWidget::setTabOrder(apply_, save_);
}

void PresetControls::Save() {
  auto captured = console::CapturePreset(w_);
  if (const auto* why = std::get_if<std::string>(&captured)) {
    window_.ShowMessage(tr("No preset saved: %1. Enter a section and fill it in first.")
                            .arg(QString::fromStdString(*why)),
                        true);
    return;
  }
  const auto asked = prompts_.ask_name();
  if (!asked) return;
  console::Preset preset = std::get<console::Preset>(std::move(captured));
  preset.name = console::TrimmedPresetName(asked->toStdString());
  const QString name = Name(preset.name);
  if (const auto wrong = console::PresetNameProblem(preset.name)) {
    window_.ShowMessage(tr("No preset saved: %1.").arg(QString::fromStdString(*wrong)), true);
    return;
  }
  // The file may have changed since the list was read: another window saves there too.
  const bool taken = presets_.Find(preset.name) || ReadPresetFile(path_).presets.Find(preset.name);
  if (taken && !prompts_.confirm_replace(name)) {
    window_.ShowMessage(tr("Preset '%1' kept as it was.").arg(name));
    return;
  }
  const PresetSaved saved = SavePreset(path_, preset);
  if (!saved.error.empty()) {
    window_.ShowMessage(
        tr("Preset '%1' not saved: %2.").arg(name, QString::fromStdString(saved.error)), true);
    return;
  }
  presets_ = saved.presets;
  ShowList(name);
  QString text = tr("Preset '%1' saved (%2).").arg(name, Name(preset.command));
  if (!saved.kept.empty()) {
    text += tr(" The presets file could not be read and was kept as %1.")
                .arg(QString::fromStdString(saved.kept));
  }
  window_.ShowMessage(text, !saved.kept.empty());
}

void PresetControls::Apply() {
  const console::Preset* preset = presets_.Find(list_->currentText().toStdString());
  if (!preset) {
    window_.ShowMessage(tr("Choose a preset to apply."), true);
    return;
  }
  if (const auto wrong = console::ApplyPreset(w_, *preset)) {
    window_.ShowMessage(Sentence(*wrong) + ".", true);
    return;
  }
  view_.Refresh();
  view_.FocusFirstField();  // so that F1 sends it
  window_.ShowMessage(tr("Preset '%1' applied (%2): press Send to send it.")
                          .arg(Name(preset->name), Name(preset->command)));
}

PresetControls& InstallPresetControls(MainView& view, ConsoleWindow& window, window::FrmMain& w,
                                      const std::string& path, PresetPrompts prompts) {
  return *new PresetControls(view, window, w, path, std::move(prompts));
}

}  // namespace tvx::app

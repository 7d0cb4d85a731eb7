#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "console/presets.h"
#include "window/main_window.h"

class QComboBox;
class QPushButton;
class QWidget;

namespace tvx::app {

class ConsoleWindow;
class MainView;

// What saving a preset asks the operator. Tests answer in place of the modal dialogs.
struct PresetPrompts {
  // The new preset's name; nothing when the operator gives up.
  std::function<std::optional<QString>()> ask_name;
  // Whether the preset of that name is to be replaced.
  std::function<bool(const QString& name)> confirm_replace;
};

// "Save preset...", the list of presets and "Apply", in the left column below "Request 'ACK'".
// Saving keeps the section as it stands in the presets file at path; applying puts a preset
// back as the operator would fill it in, and sends nothing. Their words go to the window's
// status bar, never to the console's status box.
class PresetControls : public QObject {
 public:
  // Prompts left empty are the dialogs.
  PresetControls(MainView& view, ConsoleWindow& window, window::FrmMain& w, std::string path,
                 PresetPrompts prompts);

  void Save();
  void Apply();

 private:
  void ShowList(const QString& current);
  void KeepInTabOrder();

  MainView& view_;
  ConsoleWindow& window_;
  window::FrmMain& w_;
  std::string path_;
  PresetPrompts prompts_;
  console::PresetStore presets_;
  QComboBox* list_;
  QPushButton* apply_;
  QPushButton* save_;
};

// Loads the presets file (a warning on standard error when it cannot be used) and adds the
// controls to the view; they live as long as the view.
PresetControls& InstallPresetControls(MainView& view, ConsoleWindow& window, window::FrmMain& w,
                                      const std::string& path, PresetPrompts prompts = {});

}  // namespace tvx::app

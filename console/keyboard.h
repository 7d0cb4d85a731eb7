#pragma once

#include <functional>

#include "window/main_window.h"

namespace tvx::console {

// F1/F2 everywhere, the service key toggles, the packet editor (control-character
// buttons, Esc in the packet box, typing on the buttons) and double-click to empty a box.
class Keyboard {
 public:
  Keyboard(window::FrmMain& w, std::function<void()> send, std::function<void()> cancel);

 private:
  void CommonKey(int key, int shift);
  void EditorKey(int key, int shift);
  void PacketKey(int key, int shift);
  bool FunctionKey(int key);
  void CommonToggle();
  void EditorToggle();
  void Append(const std::string& text);

  window::FrmMain& w_;
  std::function<void()> send_;
  std::function<void()> cancel_;
};

}  // namespace tvx::console

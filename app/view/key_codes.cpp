#include "app/view/key_codes.h"

#include "window/key_codes.h"

namespace tvx::app {

namespace {

using window::kKeyEsc, window::kKeyF1, window::kKeyF2, window::kKeyLeftBracket;
using window::kKeyNumpad0, window::kKeyRightBracket;

// What a US layout reports for Shift+0 .. Shift+9.
constexpr int kShiftedDigits[] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                  Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                  Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                  Qt::Key_ParenLeft};

// The numeric keypad has codes of its own, apart from the digits of the main keyboard.
std::optional<int> KeypadCode(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return kKeyNumpad0 + (key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Asterisk:
      return 106;
    case Qt::Key_Plus:
      return 107;
    case Qt::Key_Minus:
      return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma:
      return 110;
    case Qt::Key_Slash:
      return 111;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<int> ConsoleKeyCode(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) {
    if (auto code = KeypadCode(key)) return code;
  }
  switch (key) {
    case Qt::Key_Escape:
      return kKeyEsc;
    case Qt::Key_F1:
      return kKeyF1;
    case Qt::Key_F2:
      return kKeyF2;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
      return kKeyLeftBracket;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
      return kKeyRightBracket;
    default:
      break;
  }
  for (int digit = 0; digit <= 9; ++digit) {
    if (key == kShiftedDigits[digit]) return Qt::Key_0 + digit;
  }
  if (key >= 0 && key < 256) return key;
  return std::nullopt;
}

int ConsoleShiftState(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? window::kShiftAlone : 0) +
         (modifiers & Qt::ControlModifier ? window::kCtrlAlone : 0) +
         (modifiers & Qt::AltModifier ? window::kAltAlone : 0);
}

}  // namespace tvx::app

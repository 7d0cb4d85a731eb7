#pragma once

#include <QColor>
#include <QObject>
#include <string>
#include <string_view>

#include "protocol/andon_codes.h"

class QTimer;

// How the simulator's window shows what a device was told: an andon cell's codes read back
// into attribute and colours, and the blink every flashing thing on the bus shares.
namespace tvx::app {

enum class Flash { kNone, kSlow, kFast };

// The attribute names the decoder gives ("OFF", "ON", "FS", "FF"); FS and FF flash.
Flash FlashOf(std::string_view attribute);

// An andon cell as its codes ("2A1P2S", "0A2A1S", "1A1P0S", "[AB]2A") say to show it.
struct CellLook {
  bool set = false;  // false: the cell was never painted whole, so it stays unlit
  bool lit = false;  // false for OFF: dark whatever colours came with it
  Flash flash = Flash::kNone;
  protocol::Colour primary = protocol::Colour::kDark, secondary = protocol::Colour::kDark;
  std::string characters;  // AC2's "[...]"; shown instead of colours
  bool operator==(const CellLook&) const = default;
};

// A cell whose codes are not the grammar's, or carry no attribute, is shown as dark, as a
// board that cannot read its command shows nothing.
CellLook CellLookOf(std::string_view codes);
// "flash slow, red / yellow", "on, green", "off", "characters AB, flash slow".
std::string DescribeCell(const CellLook& look);

// The board's colours are the console grid's: B dark grey, R red, Y yellow, G green.
QColor LetterColour(protocol::Colour colour);

// The shared blink: one timer for the whole window, counting phases of kBlinkTickMs. A
// flashing thing shows its first state (a cell's primary colour, a lamp lit) for
// kFastTicks phases under FF and kSlowTicks under FS, then its second for as long.
class BlinkClock : public QObject {
  Q_OBJECT
 public:
  static constexpr int kBlinkTickMs = 250;
  static constexpr int kFastTicks = 1;  // 2 Hz
  static constexpr int kSlowTicks = 3;  // two thirds of a hertz: plainly slower

  // Still until Run(true): an idle bus wakes nobody.
  explicit BlinkClock(QObject* parent = nullptr);

  int Phase() const { return phase_; }
  // Tests step the blink themselves; the timer only calls Advance.
  void SetPhase(int phase);
  void Advance() { SetPhase(phase_ + 1); }
  // Ticks while something on screen flashes or waits for a phase to pass.
  void Run(bool needed);
  bool Running() const;
  // For good: the blink moves only when told to.
  void Stop();

  // True while a thing flashing at `flash` shows its first state; always for kNone.
  static bool FirstState(Flash flash, int phase);
  bool FirstState(Flash flash) const { return FirstState(flash, phase_); }
  // Whether going from `before` to `after` changes what `flash` shows.
  static bool Changes(Flash flash, int before, int after) {
    return FirstState(flash, before) != FirstState(flash, after);
  }

 signals:
  void Stepped(int before, int after);

 private:
  QTimer* timer_;
  int phase_ = 0;
  bool stopped_ = false;
};

}  // namespace tvx::app

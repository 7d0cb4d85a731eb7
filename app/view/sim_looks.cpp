#include "app/view/sim_looks.h"

#include <QTimer>

#include "andon/grid.h"

namespace tvx::app {

namespace {

// The colour letters in the order of their digits (0 to 3).
constexpr char kLetters[] = {'B', 'R', 'Y', 'G'};

const char* ColourName(char letter) {
  switch (letter) {
    case 'R':
      return "red";
    case 'Y':
      return "yellow";
    case 'G':
      return "green";
    default:
      return "dark";
  }
}

const char* AttributeName(const CellLook& look) {
  if (!look.lit) return "off";
  switch (look.flash) {
    case Flash::kSlow:
      return "flash slow";
    case Flash::kFast:
      return "flash fast";
    case Flash::kNone:
      break;
  }
  return "on";
}

}  // namespace

Flash FlashOf(std::string_view attribute) {
  if (attribute == "FS") return Flash::kSlow;
  if (attribute == "FF") return Flash::kFast;
  return Flash::kNone;
}

CellLook CellLookOf(std::string_view codes) {
  CellLook look;
  look.set = true;
  if (codes.starts_with('[')) {
    const std::size_t close = codes.find(']');
    if (close != std::string_view::npos) {
      look.characters = codes.substr(1, close - 1);
      codes.remove_prefix(close + 1);
    }
  }
  // The row sender writes "0A" and a flash code together for a flashing dark cell; AC2 sends
  // one attribute, where OFF leaves the cell dark whatever colours follow.
  bool attributes[4] = {};
  while (codes.size() >= 2) {
    const int digit = codes[0] - '0';
    if (digit < 0 || digit > 3) {
      codes.remove_prefix(1);
      continue;
    }
    switch (codes[1]) {
      case 'A':
        attributes[digit] = true;
        break;
      case 'P':
        look.primary = kLetters[digit];
        break;
      case 'S':
        look.secondary = kLetters[digit];
        break;
      default:
        break;
    }
    codes.remove_prefix(2);
  }
  look.flash = attributes[3] ? Flash::kFast : attributes[2] ? Flash::kSlow : Flash::kNone;
  look.lit = attributes[1] || look.flash != Flash::kNone;
  return look;
}

std::string DescribeCell(const CellLook& look) {
  if (!look.set) return "unset";
  if (!look.characters.empty()) return "characters " + look.characters + ", " + AttributeName(look);
  std::string text = AttributeName(look);
  if (!look.lit) return text;
  text += ", ";
  text += ColourName(look.primary);
  if (look.flash != Flash::kNone) text += std::string(" / ") + ColourName(look.secondary);
  return text;
}

QColor LetterColour(char letter) {
  const window::Color c = andon::LetterColor(letter);
  return QColor(c.r, c.g, c.b);
}

BlinkClock::BlinkClock(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
  timer_->setInterval(kBlinkTickMs);
  connect(timer_, &QTimer::timeout, this, &BlinkClock::Advance);
}

void BlinkClock::Run(bool needed) {
  if (needed && !stopped_ && !timer_->isActive()) {
    timer_->start();
  } else if (!needed && timer_->isActive()) {
    timer_->stop();
  }
}

bool BlinkClock::Running() const {
  return timer_->isActive();
}

void BlinkClock::SetPhase(int phase) {
  const int before = phase_;
  phase_ = phase < 0 ? 0 : phase;
  if (before != phase_) emit Stepped(before, phase_);
}

void BlinkClock::Stop() {
  stopped_ = true;
  timer_->stop();
}

bool BlinkClock::FirstState(Flash flash, int phase) {
  switch (flash) {
    case Flash::kFast:
      return (phase / kFastTicks) % 2 == 0;
    case Flash::kSlow:
      return (phase / kSlowTicks) % 2 == 0;
    case Flash::kNone:
      break;
  }
  return true;
}

}  // namespace tvx::app

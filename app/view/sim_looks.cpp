#include "app/view/sim_looks.h"

#include <QTimer>

#include "andon/grid.h"

namespace tvx::app {

namespace {

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
  const auto a = protocol::AttributeNamed(attribute);
  const auto speed = a ? protocol::SpeedOf(*a) : std::nullopt;
  if (!speed) return Flash::kNone;
  return *speed == protocol::FlashSpeed::kSlow ? Flash::kSlow : Flash::kFast;
}

CellLook CellLookOf(std::string_view text) {
  CellLook look;
  look.set = true;
  const auto codes = protocol::CellCodes::Parse(text);
  if (!codes) return look;
  using protocol::AndonAttribute;
  auto has = [&codes](AndonAttribute a) { return codes->attributes[static_cast<int>(a)]; };
  look.characters = codes->characters;
  look.primary = codes->primary.value_or(look.primary);
  look.secondary = codes->secondary.value_or(look.secondary);
  // The row sender writes OFF and a flash together for a flashing dark cell; AC2 sends one
  // attribute, where OFF leaves the cell dark whatever colours follow.
  look.flash = has(AndonAttribute::kFlashFast)   ? Flash::kFast
               : has(AndonAttribute::kFlashSlow) ? Flash::kSlow
                                                 : Flash::kNone;
  look.lit = has(AndonAttribute::kOn) || look.flash != Flash::kNone;
  return look;
}

std::string DescribeCell(const CellLook& look) {
  if (!look.set) return "unset";
  if (!look.characters.empty()) return "characters " + look.characters + ", " + AttributeName(look);
  std::string text = AttributeName(look);
  if (!look.lit) return text;
  text += ", ";
  text += protocol::NameOf(look.primary);
  if (look.flash != Flash::kNone) {
    text += " / ";
    text += protocol::NameOf(look.secondary);
  }
  return text;
}

QColor LetterColour(protocol::Colour colour) {
  const window::Color c = andon::ColorOf(colour);
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

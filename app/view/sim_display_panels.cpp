// The panels of the marquee, numeric display, stack light, tune unit and head-end.
#include <QPainter>

#include "app/view/sim_panels.h"
#include "protocol/catalogue.h"
#include "protocol/display.h"

namespace tvx::app {

namespace {

constexpr int kPanelWidth = 240;
constexpr int kFacePadding = 6;
const QColor kMarqueeText(255, 176, 0);
const QColor kNumberLit(255, 48, 32);
const QColor kNumberUnlit(84, 26, 20);
const QColor kLampLit(255, 196, 40);
const QColor kLampUnlit(70, 70, 74);
const QColor kDim(150, 150, 156);
const QString kDot = QStringLiteral(" \u00B7 ");

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString Name(const char* name) {
  return QLatin1String(name);
}

bool IsOff(const QString& attribute) {
  return attribute == Latin1(protocol::kOff);
}

QFont Scaled(const QFont& base, int pixels, bool bold) {
  QFont f = base;
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

QFont Monospace(int pixels) {
  QFont f(QStringLiteral("monospace"));
  f.setStyleHint(QFont::TypeWriter);
  f.setPixelSize(pixels);
  f.setBold(true);
  return f;
}

}  // namespace

// --- marquee

MarqueePanel::MarqueePanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent)
    : DevicePanel(device, clock, kPanelWidth, parent) {}

void MarqueePanel::RefreshBody() {
  const auto* m = std::get_if<sim::Marquee>(&device_.state);
  if (!m) return;
  text_ = Latin1(protocol::DisplayForm(m->text));
  clear_home_ = m->clear_home;
  carriage_return_ = m->carriage_return;
  flash_ = m->flash;
  auto_centre_ = m->auto_centre.value_or(false);
  template_ = m->template_id ? Latin1(*m->template_id) : QString();
  SetFlashes(flash_ && !text_.isEmpty(), false);
}

QStringList MarqueePanel::Options() const {
  QStringList on;
  if (clear_home_) on << Name(protocol::fields::kClearHome);
  if (carriage_return_) on << QStringLiteral("carriage return");
  if (flash_) on << Name(protocol::fields::kFlash);
  if (auto_centre_) on << Name(protocol::fields::kAutoCentre);
  if (!template_.isNull()) on << QStringLiteral("template %1").arg(template_);
  return on;
}

QString MarqueePanel::ToolTipAt(QPoint pos) const {
  QString options = Options().join(QStringLiteral(", "));
  if (options.isEmpty()) options = tr("none");
  return QStringLiteral("message: %1\noptions: %2\n\n%3")
      .arg(text_.isEmpty() ? tr("(none)") : text_, options, DevicePanel::ToolTipAt(pos));
}

void MarqueePanel::PaintBody(QPainter& painter, const QRect& body) const {
  const QRect face(body.left(), body.top(), body.width(), 44);
  PaintFace(painter, face);
  const QRect line = face.adjusted(kFacePadding, 0, -kFacePadding, 0);
  if (text_.isEmpty()) {
    painter.setFont(font());
    painter.setPen(kDim);
    painter.drawText(line, Qt::AlignCenter, tr("no message"));
  } else if (ShowsText()) {
    painter.setFont(Monospace(18));
    painter.setPen(kMarqueeText);
    const int align = (auto_centre_ ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
    painter.drawText(line, align,
                     painter.fontMetrics().elidedText(text_, Qt::ElideRight, line.width()));
  }
  // The options as tags, lit when on.
  painter.setFont(Scaled(font(), 11, false));
  const QFontMetrics metrics = painter.fontMetrics();
  const std::pair<QString, bool> tags[] = {{Name(protocol::fields::kClearHome), clear_home_},
                                           {QStringLiteral("CR"), carriage_return_},
                                           {Name(protocol::fields::kFlash), flash_},
                                           {Name(protocol::fields::kAutoCentre), auto_centre_}};
  int x = body.left();
  const int y = face.bottom() + 8;
  for (const auto& [name, on] : tags) {
    const QRect tag(x, y, metrics.horizontalAdvance(name) + 10, metrics.height() + 4);
    painter.setPen(on ? Qt::NoPen : QPen(kDim));
    painter.setBrush(on ? QBrush(kMarqueeText) : Qt::NoBrush);
    painter.drawRoundedRect(QRectF(tag).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter.setPen(on ? QColor(Qt::black) : kDim);
    painter.drawText(tag, Qt::AlignCenter, name);
    x = tag.right() + 5;
  }
  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(
      QRect(body.left(), y + metrics.height() + 10, body.width(), metrics.height()), Qt::AlignLeft,
      template_.isNull() ? tr("no display template") : tr("template %1").arg(template_));
}

// --- numeric display

NumericPanel::NumericPanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent)
    : DevicePanel(device, clock, kPanelWidth, parent) {}

bool NumericPanel::ShowsNumber() const {
  if (IsOff(attribute_)) return false;
  return clock_.FirstState(FlashOf(attribute_.toStdString()));
}

void NumericPanel::RefreshBody() {
  const auto* d = std::get_if<sim::NumericDisplay>(&device_.state);
  if (!d) return;
  number_ = Latin1(d->number);
  attribute_ = Latin1(d->attribute);
  QStringList parts;
  if (d->number.empty()) {
    parts << tr("nothing shown");
  } else {
    if (d->row.empty()) {
      parts << tr("no position");
    } else {
      parts << tr("row %1").arg(Latin1(d->row)) << tr("column %1").arg(Latin1(d->column));
    }
    parts << (attribute_.isEmpty() ? tr("no attribute") : attribute_);
  }
  details_ = parts.join(kDot);
  const Flash flash = FlashOf(d->attribute);
  SetFlashes(!number_.isEmpty() && flash == Flash::kSlow,
             !number_.isEmpty() && flash == Flash::kFast);
}

void NumericPanel::PaintBody(QPainter& painter, const QRect& body) const {
  const QRect face(body.left(), body.top(), body.width(), 60);
  PaintFace(painter, face);
  if (!number_.isEmpty()) {
    const bool lit = ShowsNumber();
    // Unlit digits stay faintly visible, as on a real display; a blink shows nothing.
    if (lit || IsOff(attribute_)) {
      painter.setFont(Monospace(44));
      painter.setPen(lit ? kNumberLit : kNumberUnlit);
      const QRect digits = face.adjusted(kFacePadding, 0, -kFacePadding, 0);
      painter.drawText(digits, Qt::AlignRight | Qt::AlignVCenter,
                       painter.fontMetrics().elidedText(number_, Qt::ElideLeft, digits.width()));
    }
  }
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(
      QRect(body.left(), face.bottom() + 6, body.width(), body.bottom() - face.bottom() - 6),
      Qt::AlignLeft | Qt::AlignTop, details_);
}

// --- stack light

StackLightPanel::StackLightPanel(const sim::Device& device, const BlinkClock& clock,
                                 QWidget* parent)
    : DevicePanel(device, clock, kPanelWidth, parent) {}

namespace {
constexpr int kLampSize = 22;
constexpr int kLampSlot = 30;
}  // namespace

void StackLightPanel::RefreshBody() {
  const auto* s = std::get_if<sim::StackLight>(&device_.state);
  if (!s) return;
  lamps_.clear();
  bool slow = false, fast = false;
  for (const auto& [row, attribute] : s->rows) {
    lamps_.push_back({row, Latin1(attribute)});
    slow = slow || FlashOf(attribute) == Flash::kSlow;
    fast = fast || FlashOf(attribute) == Flash::kFast;
  }
  SetFlashes(slow, fast);
}

bool StackLightPanel::Lit(std::size_t lamp) const {
  const std::string attribute = lamps_.at(lamp).attribute.toStdString();
  if (attribute == protocol::kOn) return true;
  const Flash flash = FlashOf(attribute);
  return flash != Flash::kNone && clock_.FirstState(flash);
}

std::size_t StackLightPanel::LampsShown(const QRect& body) const {
  const std::size_t room = static_cast<std::size_t>((body.width() - 2 * kFacePadding) / kLampSlot);
  // With more rows than room, the last place says how many more there are.
  return lamps_.size() <= room ? lamps_.size() : room - 1;
}

QRect StackLightPanel::LampRect(const QRect& body, std::size_t lamp) const {
  const int left =
      body.left() + kFacePadding + static_cast<int>(lamp) * kLampSlot + (kLampSlot - kLampSize) / 2;
  return QRect(left, body.top() + 12, kLampSize, kLampSize);
}

QString StackLightPanel::ToolTipAt(QPoint pos) const {
  QStringList rows;
  for (const Lamp& lamp : lamps_) {
    rows << QStringLiteral("row %1: %2")
                .arg(lamp.row)
                .arg(lamp.attribute.isEmpty() ? tr("no attribute") : lamp.attribute);
  }
  if (rows.isEmpty()) rows << tr("no rows set");
  return rows.join('\n') + QStringLiteral("\n\n") + DevicePanel::ToolTipAt(pos);
}

void StackLightPanel::PaintBody(QPainter& painter, const QRect& body) const {
  PaintFace(painter, body);
  if (lamps_.empty()) {
    painter.setPen(kDim);
    painter.drawText(body, Qt::AlignCenter, tr("no rows set"));
    return;
  }
  const std::size_t shown = LampsShown(body);
  painter.setFont(Scaled(font(), 11, false));
  for (std::size_t i = 0; i < shown; ++i) {
    const QRect lamp = LampRect(body, i);
    const Lamp& l = lamps_[i];
    if (l.attribute.isEmpty()) {
      // Told a row but no attribute: an outline, neither on nor off.
      painter.setPen(QPen(kLampUnlit, 1.5, Qt::DashLine));
      painter.setBrush(Qt::NoBrush);
    } else {
      painter.setPen(Qt::NoPen);
      painter.setBrush(Lit(i) ? kLampLit : kLampUnlit);
    }
    painter.drawEllipse(lamp);
    const QRect label(lamp.center().x() - kLampSlot / 2, lamp.bottom() + 6, kLampSlot, 30);
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("%1\n%2").arg(l.row).arg(
                         l.attribute.isEmpty() ? QStringLiteral("?") : l.attribute));
  }
  if (shown < lamps_.size()) {
    painter.setPen(kDim);
    painter.drawText(LampRect(body, shown).adjusted(-4, 0, 4, 0), Qt::AlignCenter,
                     QStringLiteral("+%1").arg(lamps_.size() - shown));
  }
}

// --- tune unit and head-end

TextPanel::TextPanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent)
    : DevicePanel(device, clock, kPanelWidth, parent) {}

void TextPanel::RefreshBody() {
  lines_.clear();
  if (std::holds_alternative<sim::HeadEnd>(device_.state)) {
    lines_ << tr("version requests %1").arg(device_.maintenance.version_requests);
    return;
  }
  const auto* t = std::get_if<sim::TuneUnit>(&device_.state);
  if (!t) return;
  if (!t->last_tune) {
    lines_ << tr("no tune yet");
    return;
  }
  const sim::Tune& tune = *t->last_tune;
  lines_ << tr("%1 tune %2").arg(Latin1(tune.code), Latin1(tune.tune));
  QStringList timing;
  namespace f = protocol::fields;
  const std::pair<const char*, const std::string*> values[] = {{f::kSeconds, &tune.seconds},
                                                               {f::kRepeat, &tune.repeat},
                                                               {f::kDuration, &tune.duration},
                                                               {f::kPriority, &tune.priority}};
  for (const auto& [name, value] : values) {
    if (!value->empty()) timing << QStringLiteral("%1 %2").arg(QLatin1String(name), Latin1(*value));
  }
  if (tune.code == protocol::CodeOf(protocol::Command::kTU2)) timing.prepend(tr("double speed"));
  lines_ << (timing.isEmpty() ? tr("no timing given") : timing.join(kDot));
  lines_ << (t->tunes_played == 1 ? tr("played once") : tr("played %1 times").arg(t->tunes_played));
}

void TextPanel::PaintBody(QPainter& painter, const QRect& body) const {
  int y = body.top() + 4;
  for (int i = 0; i < lines_.size(); ++i) {
    painter.setFont(i == 0 ? Scaled(font(), 20, true) : font());
    painter.setPen(palette().color(QPalette::Text));
    const int h = painter.fontMetrics().height();
    painter.drawText(QRect(body.left(), y, body.width(), h), Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(lines_[i], Qt::ElideRight, body.width()));
    y += h + 4;
  }
}

}  // namespace tvx::app

// What every device panel has: its header (kind, address, serial number, packets), its footer
// (maintenance and settings), the summary tooltip and the outline of a recent packet.
#include "app/sim/view/sim_panels.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace tvx::app {

namespace {

constexpr int kMargin = 6;
constexpr int kHeaderHeight = 20;     // the kind and address
constexpr int kSubHeaderHeight = 16;  // serial number and packets
constexpr int kFooterHeight = 16;
constexpr int kGap = 4;
const QString kDot = QStringLiteral(" \u00B7 ");

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString Counted(std::uint64_t n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Tooltips take rich text; device texts are what the packets carried, so escape them.
QString AsToolTip(const QString& plain) {
  return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(plain.toHtmlEscaped());
}

}  // namespace

DevicePanel::DevicePanel(const sim::Device& device, const BlinkClock& clock, int width,
                         QWidget* parent)
    : QWidget(parent), device_(device), clock_(clock) {
  // A fixed size keeps a panel's changing texts from reflowing the whole bus.
  setFixedSize(width, kHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void DevicePanel::Refresh() {
  ++refreshes_;
  const sim::DeviceEntry& who = device_.identity;
  const std::string_view kind = sim::KindTitle(who.kind);
  kind_ = QString::fromLatin1(kind.data(), static_cast<qsizetype>(kind.size()));
  serial_ = QString::number(who.serial);
  const auto enabled = std::count_if(device_.sets.begin(), device_.sets.end(),
                                     [](const sim::DeviceSet& set) { return set.Enabled(); });
  if (enabled == 0) {
    address_ = tr("no address");
  } else {
    address_ = QStringLiteral("at %1%2").arg(Latin1(who.group), Latin1(who.unit));
    if (enabled > 1) address_ += QStringLiteral(" +%1").arg(enabled - 1);
  }
  count_ = Counted(device_.packets, "packet", "packets");
  const sim::MaintenanceCounts& m = device_.maintenance;
  QStringList upkeep;
  const std::pair<std::uint64_t, const char*> counts[] = {{m.lamp_tests, "lamp tests"},
                                                          {m.clears, "clears"},
                                                          {m.diagnostics, "diagnostics"},
                                                          {m.soft_boots, "soft boots"}};
  for (const auto& [n, name] : counts) {
    if (n > 0) upkeep << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(n);
  }
  if (!device_.settings.empty()) {
    upkeep << Counted(device_.settings.size(), "setting", "settings");
  }
  upkeep_ = upkeep.isEmpty() ? tr("no maintenance, no settings") : upkeep.join(kDot);
  RefreshBody();
  setAccessibleName(Title() + QLatin1Char(' ') + address_);
  update();
}

QString DevicePanel::SummaryText() const {
  QStringList lines{Title()};
  QStringList sets;
  for (std::size_t i = 0; i < device_.sets.size(); ++i) {
    const sim::DeviceSet& set = device_.sets[i];
    if (set.Enabled())
      sets << QStringLiteral("%1 at %2%3").arg(i + 1).arg(Latin1(set.group), Latin1(set.unit));
  }
  lines << QStringLiteral("device sets: %1").arg(sets.isEmpty() ? tr("none") : sets.join(", "));
  lines << QStringLiteral("packets: %1 (%2 changed nothing)")
               .arg(device_.packets)
               .arg(device_.ignored);
  const sim::MaintenanceCounts& m = device_.maintenance;
  lines << QStringLiteral(
               "version requests %1, lamp tests %2, clears %3, diagnostics %4, "
               "soft boots %5")
               .arg(m.version_requests)
               .arg(m.lamp_tests)
               .arg(m.clears)
               .arg(m.diagnostics)
               .arg(m.soft_boots);
  if (device_.settings.empty()) {
    lines << tr("no settings");
  } else {
    lines << tr("settings:");
    for (const auto& [name, value] : device_.settings) {
      lines << QStringLiteral("  %1 = %2").arg(Latin1(name), Latin1(value));
    }
  }
  return lines.join('\n');
}

bool DevicePanel::FlashesAt(Flash flash) const {
  return (flash == Flash::kSlow && flashes_slow_) || (flash == Flash::kFast && flashes_fast_);
}

void DevicePanel::SetReached(bool reached) {
  if (reached_ == reached) return;
  reached_ = reached;
  update();
}

QString DevicePanel::ToolTipAt(QPoint) const {
  return SummaryText();
}

QRect DevicePanel::BodyRect() const {
  const int top = kMargin + kHeaderHeight + kSubHeaderHeight + kGap;
  const int bottom = height() - kMargin - kFooterHeight - kGap;
  return QRect(kMargin, top, width() - 2 * kMargin, bottom - top);
}

void DevicePanel::PaintFace(QPainter& painter, const QRect& rect) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(28, 28, 30));
  painter.drawRoundedRect(rect, 3, 3);
}

bool DevicePanel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), AsToolTip(text), this);
    }
    return true;
  }
  return QWidget::event(event);
}

void DevicePanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), pal.color(QPalette::Window));
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(reached_ ? QPen(pal.color(QPalette::Highlight), 2)
                          : QPen(pal.color(QPalette::Mid)));
  painter.setBrush(pal.color(QPalette::Base));
  painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);

  const QRect header(kMargin, kMargin, width() - 2 * kMargin, kHeaderHeight);
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(pal.color(QPalette::Text));
  const int address_width = painter.fontMetrics().horizontalAdvance(address_) + 8;
  painter.drawText(
      header.adjusted(0, 0, -address_width, 0), Qt::AlignLeft | Qt::AlignVCenter,
      painter.fontMetrics().elidedText(kind_, Qt::ElideRight, header.width() - address_width));
  painter.drawText(header, Qt::AlignRight | Qt::AlignVCenter, address_);

  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  painter.setFont(small);
  const QRect sub_header(kMargin, header.bottom() + 1, header.width(), kSubHeaderHeight);
  painter.drawText(sub_header, Qt::AlignLeft | Qt::AlignVCenter, tr("serial %1").arg(serial_));
  painter.setPen(pal.color(QPalette::PlaceholderText));
  painter.drawText(sub_header, Qt::AlignRight | Qt::AlignVCenter, count_);

  const QRect footer(kMargin, height() - kMargin - kFooterHeight, width() - 2 * kMargin,
                     kFooterHeight);
  painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText(upkeep_, Qt::ElideRight, footer.width()));

  painter.setFont(font());
  PaintBody(painter, BodyRect());
}

std::unique_ptr<DevicePanel> MakePanel(const sim::Device& device, const BlinkClock& clock,
                                       QWidget* parent) {
  std::unique_ptr<DevicePanel> panel;
  switch (device.identity.kind) {
    case sim::DeviceKind::kAndonBoard:
      panel = std::make_unique<AndonPanel>(device, clock, parent);
      break;
    case sim::DeviceKind::kMarquee:
      panel = std::make_unique<MarqueePanel>(device, clock, parent);
      break;
    case sim::DeviceKind::kNumericDisplay:
      panel = std::make_unique<NumericPanel>(device, clock, parent);
      break;
    case sim::DeviceKind::kStackLight:
      panel = std::make_unique<StackLightPanel>(device, clock, parent);
      break;
    case sim::DeviceKind::kTuneUnit:
    case sim::DeviceKind::kHeadEnd:
      panel = std::make_unique<TextPanel>(device, clock, parent);
      break;
  }
  panel->Refresh();
  return panel;
}

}  // namespace tvx::app

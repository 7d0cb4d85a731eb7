#include "app/view/sim_view.h"

#include <QLabel>
#include <QLocale>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/view/flow_layout.h"

namespace tvx::app {

namespace {
constexpr int kPanelSpacing = 8;
constexpr int kMinPanelAreaHeight = DevicePanel::kHeight + 2 * kPanelSpacing;
constexpr int kMinMonitorHeight = 120;
}  // namespace

SimView::SimView(const sim::Bus& bus, QWidget* parent)
    : QWidget(parent),
      bus_(bus),
      split_(new QSplitter(Qt::Vertical, this)),
      area_(new QScrollArea(split_)),
      shelf_(new QWidget),
      summary_(new QLabel),
      monitor_(new MonitorList),
      flush_timer_(new QTimer(this)) {
  setObjectName("SimView");
  const std::size_t devices = bus.Devices().size();
  auto* flow = new FlowLayout(shelf_, kPanelSpacing);
  flow->setContentsMargins(kPanelSpacing, kPanelSpacing, kPanelSpacing, kPanelSpacing);
  panels_.reserve(devices);
  for (const sim::Device& device : bus.Devices()) {
    DevicePanel* panel = MakePanel(device, clock_, shelf_).release();
    flow->addWidget(panel);
    panels_.push_back(panel);
  }
  shelf_->setObjectName("SimPanels");
  area_->setObjectName("SimPanelArea");
  area_->setWidget(shelf_);
  area_->setWidgetResizable(true);
  area_->setMinimumHeight(kMinPanelAreaHeight);

  auto* lower = new QWidget(split_);
  auto* lower_layout = new QVBoxLayout(lower);
  lower_layout->setContentsMargins(0, 0, 0, 0);
  lower_layout->setSpacing(2);
  summary_->setObjectName("SimSummary");
  summary_->setTextFormat(Qt::PlainText);
  lower_layout->addWidget(summary_);
  lower_layout->addWidget(monitor_, 1);
  monitor_->setMinimumHeight(kMinMonitorHeight);
  split_->addWidget(area_);
  split_->addWidget(lower);
  split_->setStretchFactor(0, 3);
  split_->setStretchFactor(1, 2);
  split_->setChildrenCollapsible(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(split_);

  pending_.assign(devices, false);
  is_blinking_.assign(devices, false);
  reached_phase_.assign(devices, 0);
  for (std::size_t i = 0; i < devices; ++i) {
    if (panels_[i]->FlashesAt(Flash::kSlow) || panels_[i]->FlashesAt(Flash::kFast)) {
      is_blinking_[i] = true;
      blinking_.push_back(i);
    }
  }
  flush_timer_->setSingleShot(true);
  flush_timer_->setInterval(kFlushMs);
  connect(flush_timer_, &QTimer::timeout, this, &SimView::Flush);
  connect(&clock_, &BlinkClock::Stepped, this, &SimView::Blinked);
  summary_->setText(SummaryText());
}

void SimView::Show(const MonitorEntry& entry) {
  // The line now: it names the devices as they are when the packet arrived.
  pending_lines_.push_back({QString::fromStdString(MonitorText(entry, bus_)), entry.error});
  if (pending_lines_.size() > 2 * static_cast<std::size_t>(MonitorList::kMaxLines)) {
    pending_lines_.erase(pending_lines_.begin(), pending_lines_.end() - MonitorList::kMaxLines);
  }
  if (entry.error) {
    ++errors_;
  } else if (entry.item) {
    ++packets_;
  }
  for (const std::size_t device : entry.reached) {
    if (device < pending_.size() && !pending_[device]) {
      pending_[device] = true;
      pending_devices_.push_back(device);
    }
  }
  if (!flush_timer_->isActive()) flush_timer_->start();
}

void SimView::Flush() {
  flush_timer_->stop();
  const int phase = clock_.Phase();
  for (const std::size_t device : pending_devices_) {
    DevicePanel* panel = panels_[device];
    panel->Refresh();
    if (!panel->Reached()) outlined_.push_back(device);
    panel->SetReached(true);
    reached_phase_[device] = phase;
    const bool blinks = panel->FlashesAt(Flash::kSlow) || panel->FlashesAt(Flash::kFast);
    if (blinks && !is_blinking_[device]) blinking_.push_back(device);
    is_blinking_[device] = blinks;
    pending_[device] = false;
  }
  pending_devices_.clear();
  std::erase_if(blinking_, [this](std::size_t device) { return !is_blinking_[device]; });
  monitor_->Append(pending_lines_);
  pending_lines_.clear();
  summary_->setText(SummaryText());
  UpdateBlink();
}

void SimView::showEvent(QShowEvent* event) {
  on_screen_ = true;
  UpdateBlink();
  QWidget::showEvent(event);
}

// Also when the window is minimized: the window system's hide.
void SimView::hideEvent(QHideEvent* event) {
  on_screen_ = false;
  UpdateBlink();
  QWidget::hideEvent(event);
}

void SimView::UpdateBlink() {
  clock_.Run(on_screen_ && (!blinking_.empty() || !outlined_.empty()));
}

QString SimView::SummaryText() const {
  const QLocale locale;
  const auto n = [&locale](std::uint64_t value, const char* one, const char* many) {
    return locale.toString(static_cast<qulonglong>(value)) + QLatin1Char(' ') +
           QLatin1String(value == 1 ? one : many);
  };
  return tr("%1 \u00B7 %2 \u00B7 %3 \u00B7 the monitor keeps the last %4 lines")
      .arg(n(bus_.Devices().size(), "device", "devices"), n(packets_, "packet", "packets"),
           n(errors_, "error", "errors"), locale.toString(MonitorList::kMaxLines));
}

void SimView::Blinked(int before, int after) {
  for (const std::size_t device : blinking_) {
    DevicePanel* panel = panels_[device];
    if ((panel->FlashesAt(Flash::kFast) && BlinkClock::Changes(Flash::kFast, before, after)) ||
        (panel->FlashesAt(Flash::kSlow) && BlinkClock::Changes(Flash::kSlow, before, after))) {
      panel->update();
    }
  }
  std::erase_if(outlined_, [this, after](std::size_t device) {
    if (after - reached_phase_[device] < kReachedPhases) return false;
    panels_[device]->SetReached(false);
    return true;
  });
  UpdateBlink();
}

}  // namespace tvx::app

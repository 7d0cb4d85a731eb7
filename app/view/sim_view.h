#pragma once

#include <QWidget>
#include <vector>

#include "app/sim_session.h"
#include "app/view/sim_looks.h"
#include "app/view/sim_monitor.h"
#include "app/view/sim_panels.h"

class QLabel;
class QScrollArea;
class QSplitter;
class QTimer;

// What `tvxorm sim` shows: a panel per device of the bus above, the live monitor beneath.
// It only reads the bus; whoever delivers packets to it tells the view with Show.
namespace tvx::app {

class SimView : public QWidget {
  Q_OBJECT
 public:
  // Redraws at most this often, however fast packets come: a burst costs one refresh of
  // each device it reached and one layout of the monitor.
  static constexpr int kFlushMs = 40;
  // How long a panel stays outlined after a packet reached it, in blink phases.
  static constexpr int kReachedPhases = 2;

  explicit SimView(const sim::Bus& bus, QWidget* parent = nullptr);

  // The entry's monitor line, and its devices to be refreshed, at the next Flush.
  void Show(const MonitorEntry& entry);
  // Draws what Show collected; a timer calls it kFlushMs after the first entry.
  void Flush();

  DevicePanel* Panel(std::size_t device) const { return panels_.at(device); }
  MonitorList* Monitor() const { return monitor_; }
  QScrollArea* PanelArea() const { return area_; }
  BlinkClock& Blink() { return clock_; }
  QString SummaryText() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Blinked(int before, int after);
  // The blink runs only while the view is on screen with something flashing or outlined.
  void UpdateBlink();

  const sim::Bus& bus_;
  BlinkClock clock_;
  QSplitter* split_;
  QScrollArea* area_;
  QWidget* shelf_;  // holds the panels
  QLabel* summary_;
  MonitorList* monitor_;
  QTimer* flush_timer_;
  std::vector<DevicePanel*> panels_;  // owned by shelf_

  std::vector<MonitorList::Line> pending_lines_;
  std::vector<std::size_t> pending_devices_;
  std::vector<bool> pending_;          // by device: in pending_devices_
  std::vector<std::size_t> blinking_;  // devices with something flashing
  std::vector<bool> is_blinking_;      // by device
  std::vector<std::size_t> outlined_;  // devices outlined as reached
  std::vector<int> reached_phase_;     // by device: the blink phase of its last packet
  std::uint64_t packets_ = 0, errors_ = 0;
  bool on_screen_ = false;  // shown, and not minimized
};

}  // namespace tvx::app

#pragma once

#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/sim/view/sim_looks.h"
#include "protocol/andon_commands.h"
#include "sim/device.h"

// One panel per device of the simulated bus, drawing what the device was last told. A panel
// paints itself whole (no child widgets), so a bus of a thousand devices is a thousand
// widgets; it reads its device again only when told to refresh.
namespace tvx::app {

class DevicePanel : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHeight = 172;

  // The device must outlive the panel; the bus never moves its devices.
  DevicePanel(const sim::Device& device, const BlinkClock& clock, int width,
              QWidget* parent = nullptr);

  // Reads the device again and repaints.
  void Refresh();
  // Times Refresh ran: what a packet reaching other devices must leave alone.
  std::uint64_t Refreshes() const { return refreshes_; }

  // The texts drawn around the body.
  QString Title() const { return kind_ + QLatin1Char(' ') + serial_; }  // "andon board 10001"
  QString AddressText() const { return address_; }  // "at 0101", "at 0101 +2", "no address"
  QString CountText() const { return count_; }      // "12 packets"
  QString UpkeepText() const { return upkeep_; }    // "clears 2 · 3 settings"
  // Maintenance counts, device sets, settings: the panel's tooltip away from its body.
  QString SummaryText() const;

  // Whether something in it flashes at that rate, so the shared blink repaints it.
  bool FlashesAt(Flash flash) const;
  // Outlined for a moment after a packet reached it.
  void SetReached(bool reached);
  bool Reached() const { return reached_; }

  // What the tooltip shows at `pos`.
  virtual QString ToolTipAt(QPoint pos) const;

 protected:
  // Where the kind draws its content.
  QRect BodyRect() const;
  virtual void RefreshBody() = 0;
  virtual void PaintBody(QPainter& painter, const QRect& body) const = 0;
  void SetFlashes(bool slow, bool fast) {
    flashes_slow_ = slow;
    flashes_fast_ = fast;
  }
  // The dark face a display draws on.
  static void PaintFace(QPainter& painter, const QRect& rect);

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

  const sim::Device& device_;
  const BlinkClock& clock_;

 private:
  QString kind_, serial_, address_, count_, upkeep_;
  std::uint64_t refreshes_ = 0;
  bool flashes_slow_ = false, flashes_fast_ = false;
  bool reached_ = false;
};

class AndonPanel : public DevicePanel {
  Q_OBJECT
 public:
  AndonPanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent = nullptr);

  // Row and column from 1, as the packets count them.
  QRect CellRect(int row, int column) const;
  const CellLook& Look(int row, int column) const { return looks_[row - 1][column - 1]; }
  // The fill the cell shows at the clock's phase; invalid for an unset cell.
  QColor CellColour(int row, int column) const;
  // Whether a character cell shows its characters at the clock's phase.
  bool ShowsCharacters(int row, int column) const;
  bool HasSubCells(int row, int column) const { return sub_cells_[row - 1][column - 1]; }
  QString ToolTipAt(QPoint pos) const override;

 protected:
  void RefreshBody() override;
  void PaintBody(QPainter& painter, const QRect& body) const override;

 private:
  template <typename T>
  using Grid = std::array<std::array<T, protocol::kAndonColumns>, protocol::kAndonRows>;
  Grid<CellLook> looks_;
  Grid<bool> sub_cells_{};
};

class MarqueePanel : public DevicePanel {
  Q_OBJECT
 public:
  MarqueePanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent = nullptr);
  // The message with control bytes as tokens ("LINE1<0D>LINE2").
  QString Text() const { return text_; }
  // The options that are on, of "clear-home", "carriage return", "flash", "auto-centre",
  // and "template N" once SDM chose one.
  QStringList Options() const;
  // Whether the message shows at the clock's phase (it flashes slowly with the flash option).
  bool ShowsText() const { return !flash_ || clock_.FirstState(Flash::kSlow); }
  QString ToolTipAt(QPoint pos) const override;

 protected:
  void RefreshBody() override;
  void PaintBody(QPainter& painter, const QRect& body) const override;

 private:
  QString text_;
  bool clear_home_ = false, carriage_return_ = false, flash_ = false, auto_centre_ = false;
  QString template_;
};

class NumericPanel : public DevicePanel {
  Q_OBJECT
 public:
  NumericPanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent = nullptr);
  QString Number() const { return number_; }
  // "row 2 · column 3 · FF", "no position · ON", "nothing shown".
  QString Details() const { return details_; }
  // Lit, unlit (OFF) or blinking with FS and FF.
  bool ShowsNumber() const;

 protected:
  void RefreshBody() override;
  void PaintBody(QPainter& painter, const QRect& body) const override;

 private:
  QString number_, details_, attribute_;
};

class StackLightPanel : public DevicePanel {
  Q_OBJECT
 public:
  struct Lamp {
    int row = 0;
    QString attribute;  // "ON", "OFF", "FS", "FF", or "" when the packet carried none
    bool operator==(const Lamp&) const = default;
  };
  StackLightPanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent = nullptr);
  const std::vector<Lamp>& Lamps() const { return lamps_; }
  // Whether the lamp of that index is lit at the clock's phase.
  bool Lit(std::size_t lamp) const;
  QString ToolTipAt(QPoint pos) const override;

 protected:
  void RefreshBody() override;
  void PaintBody(QPainter& painter, const QRect& body) const override;

 private:
  QRect LampRect(const QRect& body, std::size_t lamp) const;
  std::size_t LampsShown(const QRect& body) const;
  std::vector<Lamp> lamps_;
};

// Tune units and the head-end: a few lines of text, the first one large.
class TextPanel : public DevicePanel {
  Q_OBJECT
 public:
  TextPanel(const sim::Device& device, const BlinkClock& clock, QWidget* parent = nullptr);
  QStringList Lines() const { return lines_; }

 protected:
  void RefreshBody() override;
  void PaintBody(QPainter& painter, const QRect& body) const override;

 private:
  QStringList lines_;
};

// The panel for the device's kind.
std::unique_ptr<DevicePanel> MakePanel(const sim::Device& device, const BlinkClock& clock,
                                       QWidget* parent = nullptr);

}  // namespace tvx::app

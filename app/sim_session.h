#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/sim_sources.h"
#include "protocol/decode.h"
#include "sim/bus.h"
#include "sim/devices_file.h"

// `tvxorm sim`: its arguments, and a running bus with its sources and monitor, shared by the
// headless run and the window.
namespace tvx::app {

struct SimArgs {
  bool help = false;
  std::vector<ListenAddress> listen;
  std::vector<std::string> ptys;
  std::vector<std::string> serials;
  std::string devices;  // empty: the default bus
  bool headless = false;
  bool json = false;
  std::string state;  // where the final state goes; empty: nowhere
  std::optional<std::int64_t> for_ms;
  std::string screenshot;  // the window as a PNG at the end; empty: none
};

[[nodiscard]] std::variant<SimArgs, std::string> ParseSimArgs(const std::vector<std::string>& args);
std::string SimUsage();

// One line of the monitor: a decoded item and the devices it reached, or a note on a source.
struct MonitorEntry {
  std::int64_t utc_ms = 0;
  int offset_s = 0;
  std::string source;
  std::optional<protocol::DecodedItem> item;  // none for a note
  std::vector<std::size_t> reached;           // device indexes
  std::string note;
  bool error = false;  // a malformed item, or a note on a failure
};

// "09:14:03.123  tcp:3001#1  <02>0102<1B>NUM12N<04>  NUM to group 01 unit 02: ...  -> numeric
// display 10003 at 0102"; what the window lists and --headless prints.
std::string MonitorText(const MonitorEntry& entry, const sim::Bus& bus);
// One JSON object: the decoder's members plus "time", "source" and "reached" (serial numbers).
std::string MonitorJson(const MonitorEntry& entry, const sim::Bus& bus);

class SimSession : public QObject {
  Q_OBJECT
 public:
  explicit SimSession(const std::vector<sim::DeviceEntry>& devices, QObject* parent = nullptr);
  ~SimSession() override;

  // Opens every source the arguments name; the first that cannot be opened is the error.
  [[nodiscard]] std::optional<std::string> Open(const SimArgs& args);
  // Ends the sources (open packets are reported cut off).
  void Close();

  const sim::Bus& Bus() const { return bus_; }
  SimSources& Sources() { return sources_; }
  // Told of every monitor entry as it happens.
  void OnEntry(std::function<void(const MonitorEntry&)> listener) {
    listener_ = std::move(listener);
  }

 private:
  void Emit(MonitorEntry&& entry);

  sim::Bus bus_;
  SimSources sources_;
  std::function<void(const MonitorEntry&)> listener_;
  std::int64_t offset_minute_ = -1;
  int offset_s_ = 0;
};

// The devices of a devices file, or the default bus when path is empty; the error names the
// line and why.
[[nodiscard]] std::variant<std::vector<sim::DeviceEntry>, std::string> LoadDevices(
    const std::string& path);

// The largest devices file read: a line per serial number with room for comments.
constexpr std::uintmax_t kMaxDevicesFileBytes = 16 << 20;

// Writes the bus's state as JSON, replacing the file whole or not at all; why not, or empty.
[[nodiscard]] std::string WriteSimState(const sim::Bus& bus, const std::string& path);

}  // namespace tvx::app

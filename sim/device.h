#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>
#include <vector>

#include "protocol/andon_commands.h"
#include "protocol/config_commands.h"

// One device of the simulated bus: who it is, where it answers, and what the packets that
// reached it have left in it. Texts are kept as the packets carried them (Latin-1 bytes).
namespace tvx::sim {

enum class DeviceKind { kAndonBoard, kMarquee, kNumericDisplay, kStackLight, kTuneUnit, kHeadEnd };
inline constexpr DeviceKind kDeviceKinds[] = {DeviceKind::kAndonBoard,     DeviceKind::kMarquee,
                                              DeviceKind::kNumericDisplay, DeviceKind::kStackLight,
                                              DeviceKind::kTuneUnit,       DeviceKind::kHeadEnd};

// For files and JSON: "andon", "marquee", "numeric", "stacklight", "tune", "headend".
std::string_view KindName(DeviceKind kind);
// For people: "andon board", "marquee", "numeric display", "stack light", "tune unit",
// "head-end controller".
std::string_view KindTitle(DeviceKind kind);
[[nodiscard]] std::optional<DeviceKind> KindFromName(std::string_view name);

inline constexpr int kMaxSerial = 99999;

struct DeviceEntry {
  DeviceKind kind = DeviceKind::kAndonBoard;
  int serial = 0;
  std::string group, unit;  // two digits each
  bool operator==(const DeviceEntry&) const = default;
};

// A group and unit the device answers at; "00" with "00" is a disabled set.
struct DeviceSet {
  std::string group = "00", unit = "00";
  bool Enabled() const { return group != "00" || unit != "00"; }
  bool operator==(const DeviceSet&) const = default;
};
using DeviceSets = std::array<DeviceSet, protocol::kDeviceSets>;

// Where inside an andon cell an AC2 packet with a sub-row or sub-column lands; -1 where the
// packet named none.
struct SubCellKey {
  int row = 0, column = 0, sub_row = -1, sub_column = -1;
  auto operator<=>(const SubCellKey&) const = default;
};

struct AndonBoard {
  // Row-major, [0][0] being row 1, column 1. A cell holds the codes of the last packet that
  // painted it whole: the parameter text after the cell's address, up to EOT. So "2A1P2S"
  // for AC13R12C2A1P2S, "1A1P0S" for AC23R12C1A1P0S and "[AB]2A" for AC23R12C[AB]2A.
  // On the heap: a device's state is as large as its largest kind, and 150 cells inline made
  // every device ~6 KB, whatever its kind (a gateway keeps thousands).
  std::vector<std::array<std::optional<std::string>, protocol::kAndonColumns>> cells =
      std::vector<std::array<std::optional<std::string>, protocol::kAndonColumns>>(
          protocol::kAndonRows);
  // Codes of AC2 packets that named a sub-row or sub-column, by where they landed. Painting
  // the whole cell again drops them.
  std::map<SubCellKey, std::string> sub_cells;
  bool operator==(const AndonBoard&) const = default;
};
// Sub-row and sub-column are one or two digits, so this bounds a board's sub-cells anyway;
// the cap keeps a hostile stream from filling 150 cells with ten thousand each.
inline constexpr std::size_t kMaxSubCells = 1000;

struct Marquee {
  // The last message and the options it came with, as the marquee text packet carried them.
  std::string text;
  bool clear_home = false, carriage_return = false, flash = false;
  std::optional<bool> auto_centre;         // SMC; none until one arrives
  std::optional<std::string> template_id;  // SDM's template number, as sent
  bool operator==(const Marquee&) const = default;
};

struct NumericDisplay {
  // As sent; row and column are empty when the packet carried no position, attribute when it
  // carried no code. Nothing shown while number is empty.
  std::string number, row, column, attribute;
  bool operator==(const NumericDisplay&) const = default;
};

struct StackLight {
  // Row number (1 to 99) to the attribute its last SL1 packet set ("ON", "OFF", "FS", "FF",
  // or "" for a packet without attribute code).
  std::map<int, std::string> rows;
  bool operator==(const StackLight&) const = default;
};

struct Tune {
  // "TU1", or "TU2" for twice the speed.
  std::string code;
  // As sent; empty when not sent.
  std::string tune, seconds, repeat, duration, priority;
  bool operator==(const Tune&) const = default;
};
struct TuneUnit {
  std::optional<Tune> last_tune;
  std::uint64_t tunes_played = 0;
  bool operator==(const TuneUnit&) const = default;
};

// The head-end has no display state of its own: SVN's count is in the maintenance record.
struct HeadEnd {
  bool operator==(const HeadEnd&) const = default;
};

using DeviceState =
    std::variant<AndonBoard, Marquee, NumericDisplay, StackLight, TuneUnit, HeadEnd>;

struct MaintenanceCounts {
  std::uint64_t version_requests = 0;  // SVN, head-end only
  std::uint64_t lamp_tests = 0;
  std::uint64_t clears = 0;
  std::uint64_t diagnostics = 0;
  std::uint64_t soft_boots = 0;
  bool operator==(const MaintenanceCounts&) const = default;
};

struct Device {
  explicit Device(const DeviceEntry& entry);

  // The current serial, and as group and unit the first enabled device set ("00", "00" when
  // SGU disabled them all).
  DeviceEntry identity;
  // DS1 starts at the devices file's address, the others disabled; SGU replaces all fifteen.
  DeviceSets sets;
  // "<command> <field>" as the decoder names them, for example "SMB regular" or
  // "SLI intensity", to the value last sent.
  std::map<std::string, std::string, std::less<>> settings;
  MaintenanceCounts maintenance;
  std::uint64_t packets = 0;  // packets that reached it
  std::uint64_t ignored = 0;  // of those, packets that changed nothing it keeps
  DeviceState state;
};

}  // namespace tvx::sim

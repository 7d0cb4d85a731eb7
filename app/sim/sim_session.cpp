#include "app/sim/sim_session.h"

#include <QDateTime>
#include <cstdio>
#include <sstream>

#include "app/arg_reader.h"
#include "app/decoded_item_text.h"
#include "app/files.h"
#include "app/journal_file.h"
#include "app/sim/sim_state.h"
#include "links/link_status.h"
#include "protocol/link.h"

namespace tvx::app {

namespace {

// Reached devices named one by one up to this many; a broadcast on a big bus is summed up.
constexpr std::size_t kNamedDevices = 4;

// "09:14:03.123", local time. By hand: a busy bus has thousands of lines a second.
std::string ClockText(const MonitorEntry& e) {
  constexpr std::int64_t kDayMs = 86'400'000;
  const std::int64_t local = e.utc_ms + std::int64_t{e.offset_s} * 1000;
  const auto of_day = static_cast<int>(((local % kDayMs) + kDayMs) % kDayMs);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", of_day / 3'600'000, of_day / 60'000 % 60,
                of_day / 1000 % 60, of_day % 1000);
  return text;
}

std::string DeviceLabel(const sim::Device& device) {
  return std::string(sim::KindTitle(device.identity.kind)) + " " +
         std::to_string(device.identity.serial) + " at " + device.identity.group +
         device.identity.unit;
}

}  // namespace

std::variant<SimArgs, std::string> ParseSimArgs(const std::vector<std::string>& args) {
  SimArgs a;
  for (ArgReader r(args); !r.Done(); r.Next()) {
    std::string value;
    if (r.Arg() == "--help" || r.Arg() == "-h") {
      a.help = true;
    } else if (r.Arg() == "--headless") {
      a.headless = true;
    } else if (r.Arg() == "--json") {
      a.json = true;
    } else if (r.Is("--listen")) {
      if (!r.Value("--listen", value)) return "--listen needs [ADDR:]PORT";
      auto where = ParseListenAddress(value);
      if (const auto* wrong = std::get_if<std::string>(&where)) return "--listen: " + *wrong;
      a.listen.push_back(std::get<ListenAddress>(where));
    } else if (r.Is("--pty")) {
      if (!r.Value("--pty", value) || value.empty()) return "--pty needs a path";
      a.ptys.push_back(value);
    } else if (r.Is("--serial")) {
      if (!r.Value("--serial", value) || value.empty()) return "--serial needs a device";
      a.serials.push_back(value);
    } else if (r.Is("--devices")) {
      if (!r.Value("--devices", a.devices) || a.devices.empty()) return "--devices needs a file";
    } else if (r.Is("--state")) {
      if (!r.Value("--state", a.state) || a.state.empty()) return "--state needs a file";
    } else if (r.Is("--screenshot")) {
      if (!r.Value("--screenshot", a.screenshot) || a.screenshot.empty()) {
        return "--screenshot needs a file";
      }
    } else if (r.Is("--for")) {
      if (!r.Value("--for", value)) return "--for needs milliseconds";
      char* end = nullptr;
      const long long ms = std::strtoll(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || ms < 0) {
        return "--for: '" + value + "' is no number of milliseconds";
      }
      a.for_ms = ms;
    } else {
      return "unknown argument '" + r.Arg() + "'";
    }
  }
  if (!a.help && a.listen.empty() && a.ptys.empty() && a.serials.empty()) {
    return "give where to listen: --listen [ADDR:]PORT, --pty PATH or --serial DEVICE";
  }
  if (a.json && !a.headless) return "--json is for --headless runs";
  if (!a.screenshot.empty() && a.headless) return "--screenshot is for the window";
  return a;
}

std::string SimUsage() {
  return "Usage: tvxorm sim [--listen [ADDR:]PORT]... [--pty PATH]... [--serial DEVICE]...\n"
         "                  [--devices FILE] [--headless [--json]] [--state FILE] [--for MS]\n"
         "                  [--screenshot FILE]\n\n"
         "A bus of simulated devices that listens where the console writes, decodes every\n"
         "packet and shows what each device was told.\n"
         "  --listen [ADDR:]PORT  a TCP server on PORT, as a serial-to-Ethernet server, on\n"
         "                    127.0.0.1 unless ADDR says otherwise (0.0.0.0:PORT every\n"
         "                    interface, [::]:PORT with IPv6; repeatable)\n"
         "  --pty PATH        a pty whose console end is linked at PATH, for\n"
         "                    tvxorm --comm 1=PATH (Linux; repeatable)\n"
         "  --serial DEVICE   read a serial port at " +
         links::LineSettings(protocol::kLineSettings) +
         ": a monitor of a real bus\n"
         "  --devices FILE    the devices of the bus (default: one of each kind; see README)\n"
         "  --headless        no window: print the monitor lines on standard output\n"
         "  --json            with --headless: one JSON object per line\n"
         "  --state FILE      at the end, write every device's state to FILE as JSON\n"
         "  --for MS          stop after MS milliseconds (SIGINT, SIGTERM and SIGHUP stop it\n"
         "                    too)\n"
         "  --screenshot FILE with the window: write it to FILE as a PNG at the end and quit;\n"
         "                    the end is --for MS when given, else one second\n"
         "Exit status: 0; 1 when the state or the monitor could not be written; 2 for bad\n"
         "usage, a bad devices file or a source that cannot open.\n";
}

std::string MonitorText(const MonitorEntry& e, const sim::Bus& bus) {
  std::string line = ClockText(e) + "  " + e.source + "  ";
  if (!e.item) return line + (e.error ? "ERROR: " : "") + e.note;
  std::string scratch;
  if (e.error) line += "ERROR: ";
  AppendItemText(line, *e.item, scratch);
  if (e.error) return line;
  line += "  -> ";
  const auto& devices = bus.Devices();
  if (e.reached.empty()) return line + "no device at this address";
  if (e.reached.size() > kNamedDevices) {
    return line + (e.reached.size() == devices.size() ? "every device (" : "") +
           std::to_string(e.reached.size()) + " devices" +
           (e.reached.size() == devices.size() ? ")" : "");
  }
  for (std::size_t i = 0; i < e.reached.size(); ++i) {
    if (i > 0) line += ", ";
    line += DeviceLabel(devices[e.reached[i]]);
  }
  return line;
}

std::string MonitorJson(const MonitorEntry& e, const sim::Bus& bus) {
  std::string line = "{\"time\":";
  AppendJson(line, LocalTimeText({e.utc_ms, e.offset_s}), false);
  line += ",\"source\":";
  AppendJson(line, e.source, false);
  if (!e.item) {
    line += ",\"note\":";
    AppendJson(line, e.note, false);
    line += e.error ? ",\"error\":true}" : ",\"error\":false}";
    return line;
  }
  line += ",\"reached\":[";
  for (std::size_t i = 0; i < e.reached.size(); ++i) {
    if (i > 0) line += ',';
    line += std::to_string(bus.Devices()[e.reached[i]].identity.serial);
  }
  line += "],";
  AppendItemJsonMembers(line, *e.item);
  return line + "}";
}

SimSession::SimSession(const std::vector<sim::DeviceEntry>& devices, QObject* parent)
    : QObject(parent),
      bus_(devices),
      sources_(
          SimSources::Sink{[this](const std::string& source, protocol::DecodedItem&& item) {
                             MonitorEntry entry;
                             entry.source = source;
                             if (const auto* packet = std::get_if<protocol::DecodedPacket>(&item)) {
                               entry.reached = bus_.Deliver(*packet);
                             } else {
                               entry.error = true;
                             }
                             entry.item = std::move(item);
                             Emit(std::move(entry));
                           },
                           [this](const std::string& source, const std::string& note, bool error) {
                             MonitorEntry entry;
                             entry.source = source;
                             entry.note = note;
                             entry.error = error;
                             Emit(std::move(entry));
                           },
                           {}}) {}

SimSession::~SimSession() {
  Close();
}

void SimSession::Emit(MonitorEntry&& entry) {
  entry.utc_ms = QDateTime::currentMSecsSinceEpoch();
  // The zone's offset is costly to look up and changes rarely: once a minute is enough.
  if (entry.utc_ms / 60'000 != offset_minute_) {
    offset_minute_ = entry.utc_ms / 60'000;
    offset_s_ = QDateTime::currentDateTime().offsetFromUtc();
  }
  entry.offset_s = offset_s_;
  if (listener_) listener_(entry);
}

std::optional<std::string> SimSession::Open(const SimArgs& args) {
  // Each source says it listens, so a reader knows when to start writing (and which port
  // --listen 0 got).
  const auto listening = [this](const std::string& source, const std::string& note) {
    MonitorEntry entry;
    entry.source = source;
    entry.note = note;
    Emit(std::move(entry));
  };
  for (ListenAddress where : args.listen) {
    if (auto error = sources_.ListenTcp(where)) return error;
    where.port = sources_.TcpPorts().back();
    listening("tcp:" + std::to_string(where.port), "listening on " + ListenAddressText(where));
  }
  for (const std::string& path : args.ptys) {
    if (auto error = sources_.CreatePty(path)) return error;
    listening(path, "listening");
  }
  for (const std::string& device : args.serials) {
    if (auto error = sources_.OpenSerial(device)) return error;
    listening(device, "listening at " + links::LineSettings(protocol::kLineSettings));
  }
  return std::nullopt;
}

void SimSession::Close() {
  sources_.Close();
}

std::variant<std::vector<sim::DeviceEntry>, std::string> LoadDevices(const std::string& path) {
  if (path.empty()) return sim::DefaultBus();
  InputFile file = ReadInputFile(path, kMaxDevicesFileBytes);
  if (!file.refusal.empty())
    return "cannot read the devices file " + Quoted(path) + ": " + file.refusal;
  std::istringstream in(std::move(file.text));
  auto parsed = sim::ParseDevices(in);
  if (const auto* error = std::get_if<sim::DevicesError>(&parsed)) {
    std::string where = path;
    // Appended piece by piece: gcc 12 warns falsely on "literal" + a temporary string.
    if (error->line > 0) where.append(":").append(std::to_string(error->line));
    return where + ": " + error->message;
  }
  return std::get<std::vector<sim::DeviceEntry>>(std::move(parsed));
}

std::string WriteSimState(const sim::Bus& bus, const std::string& path) {
  const QByteArray json = BusStateJson(bus).toJson();
  return SaveFileWhole(path, json.toStdString());
}

}  // namespace tvx::app

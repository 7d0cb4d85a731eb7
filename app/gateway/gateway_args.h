#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/host_port.h"
#include "app/journal_recorder.h"
#include "app/listen_address.h"

namespace tvx::app {

// Exit statuses of `tvxorm gateway`.
inline constexpr int kGatewayStopped = 0;
inline constexpr int kGatewayCannotStart = 1;
inline constexpr int kGatewayBadUsage = 2;

struct GatewayArgs {
  bool help = false;
  std::string bus;
  std::string serial;
  std::optional<HostPort> tcp;
  std::vector<std::string> brokers;  // as given
  std::string prefix = "tvxorm";
  std::string devices;
  std::vector<ListenAddress> listen;
  std::vector<std::string> ptys;
  std::string state_dir;  // empty: DefaultGatewayStateDir(bus)
  std::string credentials;
  std::string ca;
  std::string cert;
  std::string key;
  int pace_ms = 100;
  std::size_t queue = 1000;
  std::int64_t max_age_s = 60;
  std::string client_id;   // empty: "tvxorm-gateway-" + bus
  JournalOptions journal;  // an empty file: the journal in the state folder

  std::string ClientId() const { return client_id.empty() ? "tvxorm-gateway-" + bus : client_id; }
  std::string StateDir() const;
  std::string JournalPath() const {
    return journal.file.empty() ? StateDir() + "/journal.jsonl" : journal.file;
  }
  // "serial:/dev/ttyUSB0" or "tcp:10.0.0.5:4001", as B/status names the bus.
  std::string BusDescription() const;
};

// $XDG_STATE_HOME/tvxorm/gateway/NAME.
std::string DefaultGatewayStateDir(const std::string& bus);

// mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (8883) as Paho takes it:
// tcp://HOST:PORT or ssl://HOST:PORT. An IPv6 host is written in brackets.
struct BrokerUri {
  std::string paho;
  bool tls = false;
};
std::variant<BrokerUri, std::string> ParseBrokerUri(const std::string& text);

// The arguments after "gateway", or what is wrong with them.
std::variant<GatewayArgs, std::string> ParseGatewayArgs(const std::vector<std::string>& args);

std::string GatewayUsage();

}  // namespace tvx::app

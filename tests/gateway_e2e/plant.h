#pragma once

#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "tests/app/sim_process.h"
#include "tests/gateway_e2e/gateway_process.h"
#include "tests/gateway_e2e/mosquitto.h"

// A real broker, the simulator listening as the bus, and the gateway between them.
namespace tvx::e2e {

QJsonObject Json(const Seen& s);
std::string Field(const Seen& s, const char* name);
bool Online(const Seen& s);
bool LinkUp(const Seen& s);
std::string NumRequest(const std::string& id, const std::string& number);
// An AC1 request for group 01 unit 02 whose first `cells` cells of the top row are red.
std::string GridRequest(const std::string& id, int cells);
// numeric 10003 at 01 03 and andon 10001 at 01 02.
QString DevicesFile(const QTemporaryDir& dir);

struct Plant {
  // sim_more: the simulator's options besides its listener.
  explicit Plant(const QStringList& sim_more = {});

  // Starts the gateway on the simulator (or on bus_args) and waits for it to be online.
  bool Start(const QStringList& more = {}, const QStringList& bus_args = {});
  // The answer to id among the messages from the from-th on, waiting for it.
  std::optional<Seen> Answer(const std::string& id, std::size_t from = 0);

  Mosquitto broker;
  QTemporaryDir dir;
  SimProcess sim;
  std::unique_ptr<Watch> watch;
  std::unique_ptr<GatewayProcess> gateway;
};

}  // namespace tvx::e2e

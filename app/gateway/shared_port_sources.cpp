#include "app/gateway/shared_port_sources.h"

#include "gateway/gateway.h"

namespace tvx::app {

SourceLimits SharedPortLimits() {
  SourceLimits limits;
  limits.idle = std::chrono::hours(24);
  // One read's items wait in the gateway until their turn: a small read keeps that small.
  limits.read_chunk = 1024;
  limits.read_buffer = 4096;
  return limits;
}

SharedPortSources::SharedPortSources(tvx::gateway::Gateway& gateway,
                                     std::function<void(const std::string&)> note, QObject* parent)
    : QObject(parent),
      gateway_(gateway),
      note_(std::move(note)),
      sources_(SimSources::Sink{
                   [this](const std::string& source, protocol::DecodedItem&& item) {
                     gateway_.ConsoleItem(source, std::move(item));
                   },
                   [this](const std::string& source, const std::string& note, bool error) {
                     if (note_) note_(source + ": " + (error ? "ERROR: " : "") + note);
                     CountConsoles();
                   },
                   [this](const std::string& source) { return gateway_.ConsoleMore(source); }},
               SharedPortLimits()) {
  gateway_.OnConsoleResume([this](const std::string& source) { sources_.Resume(source); });
}

SharedPortSources::~SharedPortSources() {
  Close();
}

std::optional<std::string> SharedPortSources::Open(const std::vector<ListenAddress>& listen,
                                                   const std::vector<std::string>& ptys) {
  for (ListenAddress where : listen) {
    if (auto error = sources_.ListenTcp(where)) return error;
    where.port = sources_.TcpPorts().back();
    if (note_) {
      note_("tcp:" + std::to_string(where.port) + ": listening on " + ListenAddressText(where));
    }
  }
  for (const std::string& path : ptys) {
    if (auto error = sources_.CreatePty(path)) return error;
    if (note_) note_(path + ": listening");
  }
  gateway_.ConsolesConnected(sources_.Connections());
  return std::nullopt;
}

void SharedPortSources::Close() {
  gateway_.OnConsoleResume({});
  sources_.Close();
}

void SharedPortSources::CountConsoles() {
  // A connection's note comes before the sources count it gone.
  if (count_due_) return;
  count_due_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        count_due_ = false;
        gateway_.ConsolesConnected(sources_.Connections());
      },
      Qt::QueuedConnection);
}

}  // namespace tvx::app

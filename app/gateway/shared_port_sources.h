#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/listen_address.h"
#include "app/sim/sim_sources.h"

namespace tvx::gateway {
class Gateway;
}

// The gateway's shared port for consoles: the simulator's TCP and pty sources, each with its
// own decoder, feeding the gateway's queue and read only as fast as the queue takes them.
namespace tvx::app {

class SharedPortSources : public QObject {
  Q_OBJECT
 public:
  // note: what happens to a source ("tcp:4001#2: connected from 10.0.0.9:50312").
  SharedPortSources(tvx::gateway::Gateway& gateway, std::function<void(const std::string&)> note,
                    QObject* parent = nullptr);
  ~SharedPortSources() override;

  // Opens every one; the first that cannot open is the error.
  [[nodiscard]] std::optional<std::string> Open(const std::vector<ListenAddress>& listen,
                                                const std::vector<std::string>& ptys);
  // Ends every source: packets still open are reported cut off.
  void Close();

 private:
  void CountConsoles();

  tvx::gateway::Gateway& gateway_;
  std::function<void(const std::string&)> note_;
  SimSources sources_;
  bool count_due_ = false;
};

// How the gateway takes on its sources: a console may stay connected and quiet for a shift.
SourceLimits SharedPortLimits();

}  // namespace tvx::app

#pragma once

#include <string>
#include <string_view>

#include "protocol/link.h"
#include "protocol/packet.h"
#include "window/comm_controls.h"

namespace tvx::protocol {

// Sees every piece that reaches a link, in order, and whether the link took it. An empty piece
// that failed: the link could not pass on what it had taken.
class OutputObserver {
 public:
  virtual ~OutputObserver() = default;
  virtual void Written(Link link, std::string_view piece, bool ok) = 0;
};

// The one way packets reach a link. The link is chosen once (per dispatcher tick, or per
// andon cell) from the socket state: connected means TCP, anything else the serial port.
// Failed writes do not stop the packet; they are remembered so the caller can say so.
class LinkOutput {
 public:
  LinkOutput(window::MSComm& serial, window::Winsock& socket);

  Link Choose();
  Link Current() const { return link_; }

  void Write(const std::string& piece);
  // The packet's pieces, then Flush: a packet leaves in one write.
  void Write(const Packet& packet);
  // Hands the pieces written since the last flush to the link together. Callers flush before
  // they ask Failed(), so a line that fails then counts as a failed write.
  void Flush();

  // One observer at most (the journal); nullptr for none.
  void SetObserver(OutputObserver* observer) { observer_ = observer; }

  // Whether any write failed since the last ClearFailure().
  bool Failed() const { return failed_; }
  void ClearFailure() { failed_ = false; }

 private:
  window::MSComm& serial_;
  window::Winsock& socket_;
  Link link_ = Link::Serial;
  bool failed_ = false;
  OutputObserver* observer_ = nullptr;
};

}  // namespace tvx::protocol

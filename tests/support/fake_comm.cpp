#include "tests/support/fake_comm.h"

namespace tvx::testing {

bool FakeSerial::SetPortOpen(bool open) {
  if (!open) {
    if (!open_) return true;
    if (fail_close) {
      events.push_back("close " + std::to_string(port_) + " failed");
      return false;
    }
    open_ = false;
    events.push_back("close " + std::to_string(port_));
    return true;
  }
  if (open_) return true;
  if (!existing.contains(port_) || busy.contains(port_)) {
    events.push_back("open " + std::to_string(port_) + " failed");
    return false;
  }
  open_ = true;
  events.push_back("open " + std::to_string(port_));
  return true;
}

bool FakeSerial::Output(const std::string& piece) {
  if (!open_ || fail_writes) {
    ++failed_writes;
    return false;
  }
  pieces.push_back({port_, piece});
  return true;
}

bool FakeSerial::Flush() {
  flushes.push_back(pieces.size());
  return !fail_flush;
}

std::string FakeSerial::Bytes() const {
  std::string bytes;
  for (const Piece& p : pieces) bytes += p.bytes;
  return bytes;
}

void FakeSocket::Close() {
  ++closes;
  state = window::kSckClosed;
}

void FakeSocket::Connect(const std::string& host, int port) {
  connects.emplace_back(host, port);
  state = state_after_connect;
  if (state == window::kSckConnected) remote_host_ip = host;
}

bool FakeSocket::SendData(const std::string& piece) {
  if (state != window::kSckConnected || fail_sends) return false;
  pieces.push_back(piece);
  return true;
}

bool FakeSocket::Flush() {
  flushes.push_back(pieces.size());
  return !fail_flush;
}

std::string FakeSocket::Bytes() const {
  std::string bytes;
  for (const std::string& p : pieces) bytes += p;
  return bytes;
}

}  // namespace tvx::testing

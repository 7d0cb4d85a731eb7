#include "protocol/link_output.h"

namespace tvx::protocol {

LinkOutput::LinkOutput(window::MSComm& serial, window::Winsock& socket)
    : serial_(serial), socket_(socket) {}

Link LinkOutput::Choose() {
  link_ = socket_.State() == window::kSckConnected ? Link::Tcp : Link::Serial;
  return link_;
}

void LinkOutput::Write(const std::string& piece) {
  const bool ok = link_ == Link::Tcp ? socket_.SendData(piece) : serial_.Output(piece);
  if (!ok) failed_ = true;
  if (observer_) observer_->Written(link_, piece, ok);
}

void LinkOutput::Write(const Packet& packet) {
  for (const std::string& piece : packet.pieces) Write(piece);
  Flush();
}

void LinkOutput::Flush() {
  if (link_ == Link::Tcp ? socket_.Flush() : serial_.Flush()) return;
  failed_ = true;
  if (observer_) observer_->Written(link_, {}, false);
}

}  // namespace tvx::protocol

#include "links/tcp_link.h"

#include "links/texts.h"
#include "protocol/numeric.h"

namespace tvx::links {

namespace {}  // namespace

TcpLink::TcpLink(window::FrmMain& w) : w_(w) {
  w_.RemoteIPButton->on_click = [this] { ConnectRequest(); };
  w_.Timer4->on_tick = [this] { PollTick(); };
}

void TcpLink::ConnectRequest() {
  window::Winsock& s = w_.Winsock1;
  w_.TCPIPCounter = 0;
  const std::string& host = w_.RemoteIPText->Text();
  if (s.State() == window::kSckConnected && s.RemoteHostIP() == host) {
    w_.StatusText->SetText(texts::AlreadyConnected(s.LocalPort(), s.RemoteHostIP()));
    return;
  }
  if (s.State() != window::kSckClosed) s.Close();
  // Any TCP port from 0 to 65535 is read (serial-to-Ethernet servers listen above 32767 too);
  // anything else is port 0, which cannot connect, rather than some other port by wrap-round.
  const auto typed = protocol::ToInt32(w_.RemotePortText->Text());
  const int port = typed && *typed >= 0 && *typed <= 65535 ? *typed : 0;
  s.SetProtocol(0);
  s.SetLocalPort(0);
  s.SetRemoteHost(host);
  s.SetRemotePort(port);
  s.Connect(host, port);
  w_.Timer4->SetInterval(kPollMs);
  w_.Timer4->SetEnabled(true);
}

void TcpLink::PollTick() {
  window::Winsock& s = w_.Winsock1;
  ++w_.TCPIPCounter;
  if (w_.TCPIPCounter == kPollLimit) {
    w_.StatusText->SetText(texts::ConnectTimedOut(s.RemoteHost()));
    w_.Timer4->SetEnabled(false);
    // An attempt reported as unsuccessful must not connect later and take over the link.
    s.Close();
    return;
  }
  const int port = s.LocalPort();
  bool stop = false;
  std::string message;
  switch (s.State()) {
    case window::kSckClosed:
      message = texts::PortClosed(port);
      if (w_.NewComm < 5) {
        stop = true;
        w_.TCPIP = false;
      }
      break;
    case window::kSckOpen:
      message = texts::PortOpened(port);
      break;
    case window::kSckListening:
      message = texts::PortListening(port);
      break;
    case window::kSckConnectionPending:
      message = texts::Connecting(s.RemoteHost());
      break;
    case window::kSckResolvingHost:
      message = texts::Resolving(s.RemoteHost());
      break;
    case window::kSckHostResolved:
      message = texts::Resolved(s.RemoteHost());
      break;
    case window::kSckConnecting:
      message = texts::Connecting(s.RemoteHost());
      break;
    case window::kSckConnected:
      message = texts::Connected(s.RemoteHostIP());
      stop = true;
      break;
    case window::kSckClosing:
      message = texts::RemoteClosing(s.RemoteHostIP());
      break;
    case window::kSckError:
      message = texts::kSocketError;
      stop = true;
      break;
    default:
      message = texts::kUnknownSocketState;
      stop = true;
      break;
  }
  w_.StatusText->SetText(message);
  if (stop) w_.Timer4->SetEnabled(false);
}

}  // namespace tvx::links

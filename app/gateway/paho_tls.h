#pragma once

#include <MQTTAsync.h>

#include <functional>
#include <mutex>
#include <string>

#include "app/gateway/paho_session.h"

namespace tvx::app {

// OpenSSL's reasons for a failed handshake ("certificate verify failed"), which Paho's own
// failure leaves out; Paho's threads add, the connect's failure takes.
struct TlsErrors {
  static int Collect(const char* text, std::size_t length, void* errors);
  std::string Take();

  std::mutex mutex;
  std::string last;
};

// Whether any of the brokers is ssl://.
bool AnyTls(const BrokerOptions& options);

// The server's certificate checked against the CA (or the system's trust store) and its name
// against the host of the broker's address; the optional client certificate.
MQTTAsync_SSLOptions PahoTlsOptions(const BrokerOptions& options, TlsErrors* errors);

// Why the first ssl:// broker whose certificate does not verify is refused ("TLS to
// mqtts://HOST: its certificate is not for 'HOST' ..."), or empty, given to done on a thread of
// its own: the handshakes may take seconds. done must hold what it uses.
void DiagnoseTlsAway(const BrokerOptions& options, std::function<void(const std::string&)> done);

}  // namespace tvx::app

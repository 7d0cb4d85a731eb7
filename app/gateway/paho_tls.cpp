#include "app/gateway/paho_tls.h"

#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

#include "app/gateway/paho_texts.h"
#include "app/gateway/tls_probe.h"

namespace tvx::app {

int TlsErrors::Collect(const char* text, std::size_t length, void* errors) {
  auto& e = *static_cast<TlsErrors*>(errors);
  const std::lock_guard lock(e.mutex);
  e.last = OpenSslReason(Text(text, static_cast<int>(length)));
  return 0;
}

std::string TlsErrors::Take() {
  const std::lock_guard lock(mutex);
  return std::exchange(last, {});
}

bool AnyTls(const BrokerOptions& o) {
  return std::any_of(o.uris.begin(), o.uris.end(),
                     [](const std::string& u) { return u.rfind("ssl://", 0) == 0; });
}

MQTTAsync_SSLOptions PahoTlsOptions(const BrokerOptions& o, TlsErrors* errors) {
  MQTTAsync_SSLOptions ssl = MQTTAsync_SSLOptions_initializer;
  const auto path = [](const std::string& p) { return p.empty() ? nullptr : p.c_str(); };
  ssl.trustStore = path(o.ca);
  ssl.keyStore = path(o.cert);
  ssl.privateKey = path(o.key);
  ssl.enableServerCertAuth = 1;
  ssl.verify = 1;
  ssl.sslVersion = MQTT_SSL_VERSION_TLS_1_2;
  ssl.ssl_error_cb = &TlsErrors::Collect;
  ssl.ssl_error_context = errors;
  return ssl;
}

void DiagnoseTlsAway(const BrokerOptions& o, std::function<void(const std::string&)> done) {
  std::vector<std::pair<std::string, std::string>> brokers;  // Paho's URI, the user's
  for (std::size_t i = 0; i < o.uris.size(); ++i)
    if (o.uris[i].rfind("ssl://", 0) == 0)
      brokers.emplace_back(o.uris[i], i < o.names.size() ? o.names[i] : o.uris[i]);
  // Not waited for: a stopping gateway does not wait on a handshake.
  std::thread([brokers, ca = o.ca, cert = o.cert, key = o.key, done = std::move(done)] {
    std::string problem;
    for (const auto& [uri, name] : brokers) {
      problem = TlsVerifyProblem(uri, ca, cert, key, std::chrono::seconds(3));
      if (!problem.empty()) {
        problem = "TLS to " + name + ": " + problem;
        break;
      }
    }
    done(problem);
  }).detach();
}

}  // namespace tvx::app

#include "app/gateway/broker_security.h"

#include "app/files.h"
#include "app/gateway/credentials.h"

namespace tvx::app {

namespace {

// Certificates and keys in PEM are a few KiB; a CA bundle (the system's) some hundreds.
constexpr std::uintmax_t kMaxPemBytes = 4 * 1024 * 1024;

}  // namespace

std::string TlsUsageRefusal(const GatewayArgs& a) {
  std::size_t tls = 0;
  for (const auto& b : a.brokers) {
    const auto parsed = ParseBrokerUri(b);
    if (const auto* uri = std::get_if<BrokerUri>(&parsed); uri && uri->tls) ++tls;
  }
  if (tls == 0 && !(a.ca.empty() && a.cert.empty() && a.key.empty()))
    return "--ca, --cert and --key are for mqtts:// brokers";
  if (tls != 0 && tls != a.brokers.size())
    return "give every --broker as mqtts:// or none: a failover to mqtt:// would send in clear "
           "what TLS protects";
  return {};
}

std::string SecureBroker(const GatewayArgs& a, BrokerOptions& broker) {
  if (!a.credentials.empty()) {
    auto read = ReadCredentials(a.credentials);
    if (const auto* why = std::get_if<std::string>(&read))
      return "cannot use the credentials file " + Quoted(a.credentials) + ": " + *why;
    auto& c = std::get<BrokerCredentials>(read);
    broker.username = std::move(c.username);
    broker.password = std::move(c.password);
  }
  const struct {
    const char* what;
    const std::string& path;
    std::string& into;
  } files[] = {{"CA file", a.ca, broker.ca},
               {"certificate file", a.cert, broker.cert},
               {"key file", a.key, broker.key}};
  for (const auto& f : files) {
    if (f.path.empty()) continue;
    if (const std::string why = InputFileRefusal(f.path, kMaxPemBytes); !why.empty())
      return std::string("cannot use the ") + f.what + " " + Quoted(f.path) + ": " + why;
    f.into = f.path;
  }
  return {};
}

}  // namespace tvx::app

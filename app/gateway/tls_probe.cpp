#include "app/gateway/tls_probe.h"

#include <netdb.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <memory>

namespace tvx::app {

namespace {

struct Address {
  std::string host;  // without brackets
  std::string port;
};

Address Split(const std::string& paho_uri) {
  std::string rest = paho_uri.substr(paho_uri.find("://") + 3);
  const auto colon = rest.rfind(':');
  Address a{rest.substr(0, colon), rest.substr(colon + 1)};
  if (a.host.size() >= 2 && a.host.front() == '[') a.host = a.host.substr(1, a.host.size() - 2);
  return a;
}

// A connected socket with send and receive bounded by timeout, or -1.
int Connect(const Address& a, std::chrono::milliseconds timeout) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(a.host.c_str(), a.port.c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* i = found; i != nullptr && fd < 0; i = i->ai_next) {
    fd = socket(i->ai_family, i->ai_socktype | SOCK_CLOEXEC, i->ai_protocol);
    if (fd < 0) continue;
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);  // bounds connect() too
    if (connect(fd, i->ai_addr, i->ai_addrlen) != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  return fd;
}

}  // namespace

std::string OpenSslReason(const std::string& line) {
  // thread:error:code:library:function:reason:file:line:data
  std::size_t at = line.find(":error:");
  if (at == std::string::npos) return line;
  for (int field = 0; field < 4; ++field) {
    at = line.find(':', at + 1);
    if (at == std::string::npos) return line;
  }
  const std::size_t end = line.find(':', at + 1);
  return line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
}

std::string TlsVerifyProblem(const std::string& paho_uri, const std::string& ca,
                             const std::string& cert, const std::string& key,
                             std::chrono::milliseconds timeout) {
  const Address a = Split(paho_uri);
  const std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> ctx(SSL_CTX_new(TLS_client_method()),
                                                              &SSL_CTX_free);
  if (!ctx) return {};
  if (ca.empty() ? SSL_CTX_set_default_verify_paths(ctx.get()) != 1
                 : SSL_CTX_load_verify_locations(ctx.get(), ca.c_str(), nullptr) != 1)
    return "the CA file cannot be read as PEM certificates";
  if (!cert.empty() &&
      (SSL_CTX_use_certificate_chain_file(ctx.get(), cert.c_str()) != 1 ||
       SSL_CTX_use_PrivateKey_file(ctx.get(), key.c_str(), SSL_FILETYPE_PEM) != 1 ||
       SSL_CTX_check_private_key(ctx.get()) != 1))
    return "the client certificate and key cannot be read as PEM, or do not belong together";
  const std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(ctx.get()), &SSL_free);
  if (!ssl) return {};
  SSL_set_verify(ssl.get(), SSL_VERIFY_PEER, nullptr);
  const bool ip = a.host.find_first_not_of("0123456789.") == std::string::npos ||
                  a.host.find(':') != std::string::npos;
  if (ip) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl.get()), a.host.c_str());
  } else {
    SSL_set1_host(ssl.get(), a.host.c_str());
    SSL_set_tlsext_host_name(ssl.get(), a.host.c_str());
  }
  const int fd = Connect(a, timeout);
  if (fd < 0) return {};
  SSL_set_fd(ssl.get(), fd);
  const bool shaken = SSL_connect(ssl.get()) == 1;
  const long verified = SSL_get_verify_result(ssl.get());
  if (shaken) SSL_shutdown(ssl.get());
  close(fd);
  if (verified == X509_V_OK) return {};
  const std::string by = ca.empty() ? "the system's trust store" : "the --ca file";
  switch (verified) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return "its certificate is not for '" + a.host + "' (the name in the broker's address)";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
      return "its certificate is not signed by a CA in " + by;
    default:
      return std::string("its certificate does not verify: ") +
             X509_verify_cert_error_string(verified);
  }
}

}  // namespace tvx::app

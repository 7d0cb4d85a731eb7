#include <MQTTAsync.h>

#include <algorithm>

#include "app/gateway/paho_session.h"
#include "app/gateway/paho_tls.h"

// Connecting again: failures told, a list of brokers tried whole, why TLS was refused.
namespace tvx::app {

void PahoSession::HandleConnectFailed(int code, int reason, const std::string& why) {
  if (closed_) return;
  // A 3.1.1 broker answers a version it does not speak with return code 1; a 5 one with 0x84.
  const bool refuses_five =
      reason == MQTTREASONCODE_UNSUPPORTED_PROTOCOL_VERSION || reason == 1 || code == 1;
  if (version_ == 5 && !version_settled_ && refuses_five) {
    Destroy();
    version_ = 4;
    Create();
    Connect();
    return;
  }
  troubled_ = true;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(next_retry_).count();
  const auto& names = options_.names.empty() ? options_.uris : options_.names;
  // A broker that answered and said no (a user, password or certificate it does not take).
  const bool refused =
      reason >= MQTTREASONCODE_UNSPECIFIED_ERROR || (version_ == 4 && (code == 4 || code == 5));
  Notice(
      std::string(refused ? "the broker refused the connection (" : "cannot reach the broker (") +
      names.front() + (names.size() > 1 ? " and the others" : "") + "): " + why +
      "; trying again in " + std::to_string(std::max<long long>(seconds, 1)) + " s");
  retry_.start(next_retry_);
  next_retry_ = std::min(next_retry_ * 2, options_.retry_max);
  DiagnoseTls();
}

// Paho's failure does not say why a certificate was refused: a handshake of its own does.
void PahoSession::DiagnoseTls() {
  if (probing_ || !AnyTls(options_)) return;
  probing_ = true;
  DiagnoseTlsAway(options_, [relay = relay_](const std::string& problem) {
    Post(relay, [problem](PahoSession* s) {
      s->probing_ = false;
      if (problem.empty() || problem == s->told_tls_) return;
      s->told_tls_ = problem;
      s->Notice(problem);
    });
  });
}

void PahoSession::HandleLost(const std::string& why) {
  if (closed_) return;
  connected_ = false;
  if (drain_loop_ != nullptr) drain_loop_->quit();
  troubled_ = true;
  Notice("lost the broker: " + why + "; reconnecting");
  if (FailsOver()) {
    retry_.start(options_.retry_min);
    next_retry_ = std::min(options_.retry_min * 2, options_.retry_max);
  }
  if (events_) events_->ConnectionLost(why);
}

bool PahoSession::FailsOver() const {
  return options_.uris.size() > 1;
}

}  // namespace tvx::app

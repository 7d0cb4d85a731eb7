#include "app/gateway/paho_session.h"

#include <MQTTAsync.h>

#include <QEventLoop>
#include <QMetaObject>
#include <algorithm>
#include <future>
#include <limits>
#include <mutex>

#include "app/gateway/paho_texts.h"
#include "app/gateway/paho_tls.h"

namespace tvx::app {

using tvx::gateway::MqttMessage;

// Shared with Paho's threads. A callback posts to the owner only while the owner is there; the
// owner's Close takes it away under the same lock, so nothing is posted to a session gone.
struct PahoSession::Relay {
  std::mutex mutex;
  PahoSession* owner = nullptr;
  std::shared_ptr<std::promise<void>> disconnected;

  std::size_t subscription_count = 0;
  TlsErrors tls_errors;                    // OpenSSL's complaints during a connect
  std::function<bool(MqttMessage&)> keep;  // set before Start, only read afterwards

  // f(owner) on the owner's thread.
  template <class F>
  void Post(F f) {
    const std::lock_guard lock(mutex);
    if (owner == nullptr) return;
    PahoSession* o = owner;
    QMetaObject::invokeMethod(
        o, [o, f = std::move(f)] { f(o); }, Qt::QueuedConnection);
  }

  static Relay& Of(void* context) { return *static_cast<Relay*>(context); }

  static void OnConnected(void* context, char* /*cause*/) {
    Relay& r = Of(context);
    r.Post([](PahoSession* o) { o->HandleConnected(); });
  }

  static void OnLost(void* context, char* cause) {
    Relay& r = Of(context);
    std::string why = Text(cause);
    if (why.empty()) why = "the connection was lost";
    r.Post([why](PahoSession* o) { o->HandleLost(why); });
  }

  // Paho acknowledged it before this call and holds its lock meanwhile: waiting here for the
  // logic (which publishes) would deadlock. The keeper (the durable queue) records it first.
  static int OnMessage(void* context, char* topic, int topic_length, MQTTAsync_message* m) {
    Relay& r = Of(context);
    MqttMessage message = FromPaho(topic, topic_length, *m);
    if (r.keep && !r.keep(message)) return 0;  // Paho keeps it and offers it again
    r.Post([message = std::move(message)](PahoSession* o) { o->Arrived(message); });
    MQTTAsync_freeMessage(&m);
    MQTTAsync_free(topic);
    return 1;
  }

  static void OnConnectSuccess5(void* context, MQTTAsync_successData5* s) {
    Relay& r = Of(context);
    int receive_maximum = 65535;  // what MQTT 5 means by its absence
    if (s && MQTTProperties_hasProperty(&s->properties, MQTTPROPERTY_CODE_RECEIVE_MAXIMUM))
      receive_maximum =
          MQTTProperties_getNumericValue(&s->properties, MQTTPROPERTY_CODE_RECEIVE_MAXIMUM);
    r.Post([receive_maximum](PahoSession* o) {
      o->window_ = static_cast<std::size_t>(
          std::clamp(receive_maximum, 1, std::max(o->options_.max_buffered, 1)));
      o->Pump();
    });
  }

  static void OnConnectFailure5(void* context, MQTTAsync_failureData5* f) {
    Relay& r = Of(context);
    const int code = f ? f->code : MQTTASYNC_FAILURE;
    int reason = f ? static_cast<int>(f->reasonCode) : 0;
    // Paho 1.3 gives a CONNACK's refusal as the code, its message only "CONNACK return code".
    if (reason == 0 && code >= MQTTREASONCODE_UNSPECIFIED_ERROR) reason = code;
    std::string why = f ? FailureText(code, f->message) : "connect failed";
    if (reason != MQTTREASONCODE_SUCCESS)
      why = Text(MQTTReasonCode_toString(static_cast<MQTTReasonCodes>(reason)));
    why = TlsReason(why, r.tls_errors.Take());
    r.Post([code, reason, why](PahoSession* o) { o->HandleConnectFailed(code, reason, why); });
  }

  static void OnConnectFailure(void* context, MQTTAsync_failureData* f) {
    Relay& r = Of(context);
    const int code = f ? f->code : MQTTASYNC_FAILURE;
    const std::string why =
        TlsReason(f ? FailureText(code, f->message) : "connect failed", r.tls_errors.Take());
    r.Post([code, why](PahoSession* o) { o->HandleConnectFailed(code, 0, why); });
  }

  static std::string Refused(const std::vector<int>& codes) {
    for (int c : codes)
      if (c >= 0x80) return "the broker refused a subscription (" + std::to_string(c) + ")";
    return {};
  }

  static void OnSubscribed5(void* context, MQTTAsync_successData5* s) {
    std::vector<int> codes;
    if (s && s->alt.sub.reasonCodeCount > 0) {
      for (int i = 0; i < s->alt.sub.reasonCodeCount; ++i)
        codes.push_back(s->alt.sub.reasonCodes[i]);
    } else if (s) {
      codes.push_back(s->reasonCode);
    }
    Relay& r = Of(context);
    r.Post([refused = Refused(codes)](PahoSession* o) { o->HandleSubscribed(refused); });
  }

  static void OnSubscribed(void* context, MQTTAsync_successData* s) {
    Relay& r = Of(context);
    std::vector<int> codes;
    const std::size_t count = r.subscription_count;
    if (s && count == 1) codes.push_back(s->alt.qos);
    if (s && count > 1 && s->alt.qosList) codes.assign(s->alt.qosList, s->alt.qosList + count);
    r.Post([refused = Refused(codes)](PahoSession* o) { o->HandleSubscribed(refused); });
  }

  static void OnSubscribeFailure5(void* context, MQTTAsync_failureData5* f) {
    Relay& r = Of(context);
    const std::string why = "subscribing failed: " + (f ? FailureText(f->code, f->message) : "");
    r.Post([why](PahoSession* o) { o->HandleSubscribed(why); });
  }

  static void OnSubscribeFailure(void* context, MQTTAsync_failureData* f) {
    Relay& r = Of(context);
    const std::string why = "subscribing failed: " + (f ? FailureText(f->code, f->message) : "");
    r.Post([why](PahoSession* o) { o->HandleSubscribed(why); });
  }

  static void Published(void* context, int token, const std::string& failure) {
    Of(context).Post([token, failure](PahoSession* o) {
      // Told once until it changes or a connection comes: an ACL refuses every message alike.
      if (!failure.empty() && failure != o->told_publish_)
        o->Notice("a message was not published: " + failure);
      if (!failure.empty()) o->told_publish_ = failure;
      o->Completed(token, failure.empty());
    });
  }
  static void OnPublished(void* context, MQTTAsync_successData* s) {
    Published(context, s ? s->token : -1, {});
  }
  // An MQTT 5 broker says so when its ACL refuses a message; it is not published.
  static void OnPublished5(void* context, MQTTAsync_successData5* s) {
    std::string refused;
    if (s && s->reasonCode >= MQTTREASONCODE_UNSPECIFIED_ERROR)
      refused = RefusedText(s->reasonCode);
    Published(context, s ? s->token : -1, refused);
  }
  static void OnPublishFailed(void* context, MQTTAsync_failureData* f) {
    Published(context, f ? f->token : -1, f ? FailureText(f->code, f->message) : "failed");
  }
  static void OnPublishFailed5(void* context, MQTTAsync_failureData5* f) {
    std::string why = f ? FailureText(f->code, f->message) : "failed";
    // An MQTT 5 broker's refusal (its ACL) comes as a reason code, with Paho's code 0.
    if (f && f->reasonCode >= MQTTREASONCODE_UNSPECIFIED_ERROR) why = RefusedText(f->reasonCode);
    Published(context, f ? f->token : -1, why);
  }

  static void Disconnected(void* context) {
    Relay& r = Of(context);
    const std::lock_guard lock(r.mutex);
    if (r.disconnected) r.disconnected->set_value();
    r.disconnected.reset();
  }
  static void OnDisconnected(void* context, MQTTAsync_successData*) { Disconnected(context); }
  static void OnDisconnectFailed(void* context, MQTTAsync_failureData*) { Disconnected(context); }
};

PahoSession::PahoSession(BrokerOptions options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      relay_(std::make_shared<Relay>()),
      next_retry_(options_.retry_min) {
  relay_->owner = this;
  relay_->subscription_count = options_.subscriptions.size();
  retry_.setSingleShot(true);
  offer_again_.setSingleShot(true);
  connect(&offer_again_, &QTimer::timeout, this, [this] { Offer(); });
  connect(&retry_, &QTimer::timeout, this, [this] { Connect(); });
}

PahoSession::~PahoSession() {
  Close(std::chrono::milliseconds{0});
}

void PahoSession::SetTopics(std::string will_topic, std::string will_payload,
                            std::vector<std::string> subscriptions) {
  options_.will_topic = std::move(will_topic);
  options_.will_payload = std::move(will_payload);
  options_.subscriptions = std::move(subscriptions);
  const std::lock_guard lock(relay_->mutex);
  relay_->subscription_count = options_.subscriptions.size();
}

void PahoSession::SetKeeper(std::function<bool(MqttMessage&)> keep) {
  const std::lock_guard lock(relay_->mutex);
  relay_->keep = std::move(keep);
}

void PahoSession::Start() {
  if (client_ != nullptr || closed_) return;
  Create();
  Connect();
}

void PahoSession::Create() {
  MQTTAsync_createOptions create = MQTTAsync_createOptions_initializer;
  create.sendWhileDisconnected = 1;
  create.maxBufferedMessages = std::max(options_.max_buffered, 1);
  create.MQTTVersion = version_ == 5 ? MQTTVERSION_5 : MQTTVERSION_3_1_1;
  create.deleteOldestMessages = 0;
  MQTTAsync client = nullptr;
  const int rc = MQTTAsync_createWithOptions(&client, options_.uris.front().c_str(),
                                             options_.client_id.c_str(),
                                             MQTTCLIENT_PERSISTENCE_NONE, nullptr, &create);
  if (rc != MQTTASYNC_SUCCESS) {
    Notice("cannot create the MQTT client: " + FailureText(rc, nullptr));
    return;
  }
  client_ = client;
  MQTTAsync_setCallbacks(client, relay_.get(), &Relay::OnLost, &Relay::OnMessage, nullptr);
  MQTTAsync_setConnected(client, relay_.get(), &Relay::OnConnected);
}

void PahoSession::Connect() {
  if (client_ == nullptr || closed_) return;
  const bool v5 = version_ == 5;
  MQTTAsync_connectOptions opts = MQTTAsync_connectOptions_initializer;
  MQTTAsync_connectOptions opts5 = MQTTAsync_connectOptions_initializer5;
  if (v5) opts = opts5;
  opts.MQTTVersion = v5 ? MQTTVERSION_5 : MQTTVERSION_3_1_1;
  opts.keepAliveInterval = options_.keep_alive_seconds;
  opts.connectTimeout = 10;
  // The broker keeps the session (and what arrives for it) while the gateway restarts.
  opts.cleansession = 0;
  opts.cleanstart = 0;
  MQTTProperties props = MQTTProperties_initializer;
  if (v5) {
    MQTTProperty expiry{};
    expiry.identifier = MQTTPROPERTY_CODE_SESSION_EXPIRY_INTERVAL;
    expiry.value.integer4 = options_.session_expiry_seconds;
    MQTTProperties_add(&props, &expiry);
    opts.connectProperties = &props;
  }
  MQTTAsync_willOptions will = MQTTAsync_willOptions_initializer;
  if (!options_.will_topic.empty()) {
    will.topicName = options_.will_topic.c_str();
    will.message = options_.will_payload.c_str();
    will.qos = 1;
    will.retained = 1;
    opts.will = &will;
  }
  MQTTAsync_SSLOptions ssl = PahoTlsOptions(options_, &relay_->tls_errors);
  if (AnyTls(options_)) opts.ssl = &ssl;
  if (options_.username) opts.username = options_.username->c_str();
  if (options_.password) opts.password = options_.password->c_str();
  std::vector<char*> uris;
  for (auto& u : options_.uris) uris.push_back(u.data());
  opts.serverURIs = uris.data();
  opts.serverURIcount = static_cast<int>(uris.size());
  // Paho's own reconnect tries only the broker it had: a list is tried whole again from here.
  opts.automaticReconnect = FailsOver() ? 0 : 1;
  opts.minRetryInterval = static_cast<int>(std::max<long>(1, options_.retry_min.count() / 1000));
  opts.maxRetryInterval = static_cast<int>(std::max<long>(1, options_.retry_max.count() / 1000));
  opts.context = relay_.get();
  if (v5) {
    opts.onSuccess5 = &Relay::OnConnectSuccess5;
    opts.onFailure5 = &Relay::OnConnectFailure5;
  } else {
    opts.onFailure = &Relay::OnConnectFailure;
  }
  const int rc = MQTTAsync_connect(client_, &opts);
  MQTTProperties_free(&props);
  if (rc != MQTTASYNC_SUCCESS) HandleConnectFailed(rc, 0, FailureText(rc, nullptr));
}

void PahoSession::HandleConnected() {
  if (closed_ || client_ == nullptr) return;
  std::vector<char*> topics;
  std::vector<int> qos;
  std::vector<MQTTSubscribe_options> subscribe;
  for (auto& t : options_.subscriptions) {
    topics.push_back(t.data());
    qos.push_back(1);
    MQTTSubscribe_options o = MQTTSubscribe_options_initializer;
    // A retained request must show as retained, so it is never acted on.
    o.retainAsPublished = 1;
    subscribe.push_back(o);
  }
  if (topics.empty()) {
    HandleSubscribed({});
    return;
  }
  MQTTAsync_responseOptions ro = MQTTAsync_responseOptions_initializer;
  ro.context = relay_.get();
  if (version_ == 5) {
    ro.onSuccess5 = &Relay::OnSubscribed5;
    ro.onFailure5 = &Relay::OnSubscribeFailure5;
    ro.subscribeOptionsCount = static_cast<int>(subscribe.size());
    ro.subscribeOptionsList = subscribe.data();
  } else {
    ro.onSuccess = &Relay::OnSubscribed;
    ro.onFailure = &Relay::OnSubscribeFailure;
  }
  const int rc = MQTTAsync_subscribeMany(client_, static_cast<int>(topics.size()), topics.data(),
                                         qos.data(), &ro);
  if (rc != MQTTASYNC_SUCCESS) HandleSubscribed("subscribing failed: " + FailureText(rc, nullptr));
}

void PahoSession::HandleSubscribed(const std::string& refused) {
  if (closed_) return;
  if (!refused.empty()) Notice(refused);
  // The operator was told it could not; now that it could.
  if (troubled_) Notice("connected to the broker");
  troubled_ = false;
  told_tls_.clear();
  told_publish_.clear();
  connected_ = true;
  next_retry_ = options_.retry_min;
  version_settled_ = true;
  Pump();
  if (events_) events_->Connected();
}

// f(session) on the session's thread, while the session is there.
void PahoSession::Post(const std::shared_ptr<Relay>& relay, std::function<void(PahoSession*)> f) {
  relay->Post([f = std::move(f)](PahoSession* o) { f(o); });
}

void PahoSession::Publish(const MqttMessage& message) {
  if (closed_) return;
  if (outgoing_.size() >= static_cast<std::size_t>(std::max(options_.max_buffered, 1))) {
    Notice(std::to_string(outgoing_.size()) + " messages wait for the broker: dropped one on " +
           message.topic);
    return;
  }
  outgoing_.push_back(message);
  Pump();
}

// Paho's send thread sleeps about a second whenever the broker's receive maximum is reached
// and is woken only by a new command: so no more than that many are handed to it at once, and
// each one completed hands over the next.
void PahoSession::Pump() {
  while (version_settled_ && client_ != nullptr && !outgoing_.empty() && handed_.size() < window_) {
    const int token = Send(outgoing_.front());
    if (token == kBufferFull) return;  // kept here until Paho has room
    if (token >= 0 && outgoing_.front().sequence != 0)
      handed_sequences_[token] = outgoing_.front().sequence;
    outgoing_.pop_front();
    if (token >= 0) handed_.push_back(token);
  }
  if (drain_loop_ != nullptr && outgoing_.empty() && handed_.empty()) drain_loop_->quit();
}

void PahoSession::Completed(int token, bool delivered) {
  std::erase(handed_, token);
  if (auto it = handed_sequences_.find(token); it != handed_sequences_.end()) {
    if (delivered && delivered_) delivered_(it->second);
    handed_sequences_.erase(it);
  }
  Pump();
}

int PahoSession::Send(const MqttMessage& message) {
  MQTTAsync_message m = MQTTAsync_message_initializer;
  m.payload = const_cast<char*>(message.payload.data());
  m.payloadlen = static_cast<int>(message.payload.size());
  m.qos = message.qos;
  m.retained = message.retained ? 1 : 0;
  if (version_ == 5) {
    if (message.response_topic)
      AddString(m.properties, MQTTPROPERTY_CODE_RESPONSE_TOPIC, *message.response_topic);
    if (message.correlation_data)
      AddString(m.properties, MQTTPROPERTY_CODE_CORRELATION_DATA, *message.correlation_data);
    if (message.expiry_seconds) {
      MQTTProperty p{};
      p.identifier = MQTTPROPERTY_CODE_MESSAGE_EXPIRY_INTERVAL;
      p.value.integer4 = static_cast<unsigned>(std::clamp<std::int64_t>(
          *message.expiry_seconds, 0, std::numeric_limits<std::uint32_t>::max()));
      MQTTProperties_add(&m.properties, &p);
    }
  }
  MQTTAsync_responseOptions ro = MQTTAsync_responseOptions_initializer;
  ro.context = relay_.get();
  if (version_ == 5) {
    ro.onSuccess5 = &Relay::OnPublished5;
    ro.onFailure5 = &Relay::OnPublishFailed5;
  } else {
    ro.onSuccess = &Relay::OnPublished;
    ro.onFailure = &Relay::OnPublishFailed;
  }
  const int rc = MQTTAsync_sendMessage(client_, message.topic.c_str(), &m, &ro);
  MQTTProperties_free(&m.properties);
  if (rc == MQTTASYNC_MAX_BUFFERED_MESSAGES) return kBufferFull;
  if (rc != MQTTASYNC_SUCCESS) {
    Notice("cannot publish on " + message.topic + ": " + FailureText(rc, nullptr));
    return -1;
  }
  return ro.token;
}

void PahoSession::Close(std::chrono::milliseconds timeout) {
  if (closed_) return;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  if (connected_ && timeout.count() > 0) Drain(deadline);
  closed_ = true;
  retry_.stop();
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> disconnected = done->get_future();
  {
    const std::lock_guard lock(relay_->mutex);
    relay_->owner = nullptr;
    relay_->disconnected = done;
  }
  if (client_ != nullptr) {
    MQTTAsync_disconnectOptions opts = MQTTAsync_disconnectOptions_initializer;
    opts.timeout = static_cast<int>(std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                 std::chrono::steady_clock::now())
               .count()));
    opts.context = relay_.get();
    opts.onSuccess = &Relay::OnDisconnected;
    opts.onFailure = &Relay::OnDisconnectFailed;
    if (MQTTAsync_disconnect(client_, &opts) == MQTTASYNC_SUCCESS)
      disconnected.wait_for(std::chrono::milliseconds(opts.timeout) +
                            std::chrono::milliseconds(200));
  }
  Destroy();
  connected_ = false;
  if (!inbox_.empty())
    Notice(std::to_string(inbox_.size()) + " arrived messages were not taken before the stop");
}

// In arrival order: one not taken holds back those after it until it is.
void PahoSession::Arrived(const MqttMessage& message) {
  inbox_.push_back(message);
  if (offer_again_.isActive() || offer_posted_) return;
  // Offered on the next turn: arrivals already posted are only put in the inbox before that.
  offer_posted_ = true;
  QMetaObject::invokeMethod(
      this, [this] { Offer(); }, Qt::QueuedConnection);
}

void PahoSession::Offer() {
  offer_posted_ = false;
  for (int offered = 0; !inbox_.empty() && !closed_; ++offered) {
    if (offered == kOfferPerTurn) {
      offer_posted_ = true;
      QMetaObject::invokeMethod(
          this, [this] { Offer(); }, Qt::QueuedConnection);
      return;
    }
    if (events_ == nullptr || !events_->MessageArrived(inbox_.front())) {
      offer_again_.start(kOfferAgain);
      return;
    }
    inbox_.pop_front();
  }
}

// Runs the loop until what was published has gone (or the broker is lost, or time is up), so
// that answers to requests still arriving go out too.
void PahoSession::Drain(std::chrono::steady_clock::time_point deadline) {
  if (outgoing_.empty() && handed_.empty()) return;
  QEventLoop loop;
  QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(
                         deadline - std::chrono::steady_clock::now()),
                     &loop, &QEventLoop::quit);
  drain_loop_ = &loop;
  loop.exec();
  drain_loop_ = nullptr;
}

void PahoSession::Destroy() {
  if (client_ == nullptr) return;
  MQTTAsync client = client_;
  client_ = nullptr;
  MQTTAsync_destroy(&client);
}

void PahoSession::Notice(const std::string& text) {
  if (notice_) notice_(text);
}

}  // namespace tvx::app

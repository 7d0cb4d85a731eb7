#include "app/gateway/paho_texts.h"

#include <algorithm>

namespace tvx::app {

using tvx::gateway::MqttMessage;

std::string Text(const char* text, int length) {
  if (text == nullptr) return {};
  return length < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(length));
}

std::string Lenstring(const MQTTLenString& s) {
  return s.data == nullptr ? std::string() : std::string(s.data, static_cast<std::size_t>(s.len));
}

MqttMessage FromPaho(const char* topic, int topic_length, const MQTTAsync_message& m) {
  MqttMessage out;
  out.topic = Text(topic, topic_length > 0 ? topic_length : -1);
  out.payload.assign(static_cast<const char*>(m.payload),
                     static_cast<std::size_t>(std::max(m.payloadlen, 0)));
  out.qos = m.qos;
  out.retained = m.retained != 0;
  out.redelivered = m.dup != 0;
  auto* props = const_cast<MQTTProperties*>(&m.properties);
  if (auto* p = MQTTProperties_getProperty(props, MQTTPROPERTY_CODE_RESPONSE_TOPIC))
    out.response_topic = Lenstring(p->value.data);
  if (auto* p = MQTTProperties_getProperty(props, MQTTPROPERTY_CODE_CORRELATION_DATA))
    out.correlation_data = Lenstring(p->value.data);
  if (auto* p = MQTTProperties_getProperty(props, MQTTPROPERTY_CODE_MESSAGE_EXPIRY_INTERVAL))
    out.expiry_seconds = p->value.integer4;
  return out;
}

void AddString(MQTTProperties& props, MQTTPropertyCodes code, const std::string& value) {
  MQTTProperty p{};
  p.identifier = code;
  p.value.data.data = const_cast<char*>(value.data());
  p.value.data.len = static_cast<int>(value.size());
  MQTTProperties_add(&props, &p);  // copies the data
}

std::string FailureText(int code, const char* message) {
  std::string why = Text(message);
  if (why.empty()) why = Text(MQTTAsync_strerror(code));
  return why.empty() ? "error " + std::to_string(code) : why;
}

std::string TlsReason(const std::string& why, const std::string& tls) {
  if (tls.empty()) return why;
  return why + " (TLS: " + tls + ")";
}

std::string RefusedText(int reason) {
  return "the broker refused it (" +
         Text(MQTTReasonCode_toString(static_cast<MQTTReasonCodes>(reason))) + ")";
}

}  // namespace tvx::app

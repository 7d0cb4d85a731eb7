#pragma once

#include <MQTTAsync.h>

#include <string>

#include "gateway/mqtt_session.h"

// Between Paho C's structures and ours: texts, a message and its MQTT 5 properties.
namespace tvx::app {

std::string Text(const char* text, int length = -1);
std::string Lenstring(const MQTTLenString& s);
gateway::MqttMessage FromPaho(const char* topic, int topic_length, const MQTTAsync_message& m);
// Copies value into props.
void AddString(MQTTProperties& props, MQTTPropertyCodes code, const std::string& value);
// Paho's words for a failure, or its code's.
std::string FailureText(int code, const char* message);
// A failed connect's reason with OpenSSL's (tls, as its error callback gave it) when there is
// one: "TLS: certificate verify failed".
std::string TlsReason(const std::string& why, const std::string& tls);
// A broker's refusal by its MQTT 5 reason code: "the broker refused it (Not authorized)".
std::string RefusedText(int reason);

}  // namespace tvx::app

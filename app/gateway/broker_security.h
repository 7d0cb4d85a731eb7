#pragma once

#include <string>

#include "app/gateway/gateway_args.h"
#include "app/gateway/paho_session.h"

namespace tvx::app {

// What is wrong with the TLS options on the command line (bad usage), or empty: --ca, --cert
// and --key need an mqtts:// broker, and a failover list is all mqtts:// or all mqtt://, so that
// no failover sends in clear what TLS protects.
std::string TlsUsageRefusal(const GatewayArgs& args);

// The credentials and TLS files of args put in broker; the line that says why the gateway
// cannot start (a file that cannot be used), or empty. Never holds a secret.
std::string SecureBroker(const GatewayArgs& args, BrokerOptions& broker);

}  // namespace tvx::app

#pragma once

#include <chrono>
#include <string>

namespace tvx::app {

// Why a TLS broker's certificate does not verify, as an operator reads it ("its certificate is
// not for 'localhost' (hostname mismatch)"), found by a handshake of its own: Paho's failure
// says only "TCP/TLS connect failure", and says nothing at all of a name that does not match.
// Empty when the handshake verifies, or when the broker cannot be reached to tell. Blocks for
// at most about timeout; run it off the event loop's thread.
// paho_uri: ssl://HOST:PORT; ca empty: the system's trust store.
std::string TlsVerifyProblem(const std::string& paho_uri, const std::string& ca,
                             const std::string& cert, const std::string& key,
                             std::chrono::milliseconds timeout);

// The reason in one of OpenSSL's error lines ("...:error:0A000086:SSL routines:func:certificate
// verify failed:file:line:"): "certificate verify failed"; the line when it has no such shape.
std::string OpenSslReason(const std::string& line);

}  // namespace tvx::app

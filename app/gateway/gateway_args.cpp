#include "app/gateway/gateway_args.h"

#include <limits>

#include "app/arg_reader.h"
#include "app/journal_file.h"

namespace tvx::app {

namespace {

bool BusNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

std::optional<std::string> CheckBusName(const std::string& name) {
  if (name.empty() || name.size() > 64)
    return "--bus takes 1 to 64 characters, not " + std::to_string(name.size());
  for (char c : name)
    if (!BusNameChar(c))
      return "--bus '" + name + "': only A-Z, a-z, 0-9, '_' and '-' may name a bus";
  return std::nullopt;
}

// Topic levels: no wildcard, no empty level, nothing a broker keeps for itself.
std::optional<std::string> CheckPrefix(const std::string& prefix) {
  const std::string said = "--prefix '" + prefix + "': ";
  if (prefix.empty()) return std::string("--prefix needs at least one topic level");
  if (prefix.size() > 1024) return said + "longer than 1024 bytes";
  if (prefix.front() == '$') return said + "topics starting with '$' belong to the broker";
  if (prefix.front() == '/' || prefix.back() == '/' || prefix.find("//") != std::string::npos)
    return said + "a topic level may not be empty";
  for (unsigned char c : prefix) {
    if (c == '+' || c == '#') return said + "'+' and '#' are wildcards, not names";
    if (c < 0x20 || c == 0x7F) return said + "control characters cannot be in a topic";
  }
  return std::nullopt;
}

// A whole number in [low, high] for option, or the complaint.
std::variant<std::int64_t, std::string> Number(const std::string& option, const std::string& text,
                                               std::int64_t low, std::int64_t high) {
  std::int64_t value = 0;
  bool digits = !text.empty();
  for (char c : text) {
    if (c < '0' || c > '9' || value > high) {
      digits = false;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (!digits || value < low || value > high)
    return option + " takes a whole number from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not '" + text + "'";
  return value;
}

}  // namespace

std::string DefaultGatewayStateDir(const std::string& bus) {
  return StateDirectory() + "/gateway/" + bus;
}

std::string GatewayArgs::StateDir() const {
  return state_dir.empty() ? DefaultGatewayStateDir(bus) : state_dir;
}

std::string GatewayArgs::BusDescription() const {
  if (tcp) {
    const bool v6 = tcp->host.find(':') != std::string::npos;
    return "tcp:" + (v6 ? "[" + tcp->host + "]" : tcp->host) + ":" + std::to_string(tcp->port);
  }
  return "serial:" + serial;
}

std::variant<BrokerUri, std::string> ParseBrokerUri(const std::string& text) {
  const std::string said = "--broker '" + text + "': ";
  BrokerUri uri;
  std::string rest;
  if (text.rfind("mqtt://", 0) == 0) {
    rest = text.substr(7);
  } else if (text.rfind("mqtts://", 0) == 0) {
    rest = text.substr(8);
    uri.tls = true;
  } else {
    return said + "give mqtt://HOST[:PORT] or mqtts://HOST[:PORT]";
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  if (rest.find('@') != std::string::npos)
    return said + "no user or password in the address: they go in --credentials FILE";
  if (rest.find_first_of("/?#") != std::string::npos)
    return said + "an address is HOST[:PORT], with no path";
  std::string host = rest;
  std::string port = uri.tls ? "8883" : "1883";
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    if (close == std::string::npos) return said + "an IPv6 address needs its closing ']'";
    host = rest.substr(0, close + 1);
    const std::string after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return said + "expected ':PORT' after the address";
      port = after.substr(1);
    }
  } else if (const auto colon = rest.rfind(':'); colon != std::string::npos) {
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
  }
  if (host.empty() || host == "[]") return said + "no host";
  for (unsigned char c : host)
    if (c <= 0x20 || c == 0x7F) return said + "blanks and control characters cannot be in a host";
  const auto number = Number("--broker", port, 1, 65535);
  if (std::holds_alternative<std::string>(number))
    return said + "'" + port + "' is not a port (1 to 65535)";
  uri.paho = (uri.tls ? "ssl://" : "tcp://") + host + ":" + port;
  return uri;
}

std::variant<GatewayArgs, std::string> ParseGatewayArgs(const std::vector<std::string>& args) {
  GatewayArgs a;
  bool prefix_given = false;
  for (ArgReader r(args); !r.Done(); r.Next()) {
    const std::string& arg = r.Arg();
    std::string v;
    bool has_value = false;
    // Options that take a value; false when the argument was not one of them.
    const auto take = [&](const std::string& name) {
      if (!r.Is(name)) return false;
      has_value = r.Value(name, v);
      return true;
    };
    const auto missing = [&](const std::string& name, const std::string& what) {
      return has_value ? std::string() : name + " needs " + what;
    };
    const auto once = [](const std::string& name, const std::string& held) {
      return held.empty() ? std::string() : "give " + name + " once";
    };
    std::string error;
    if (arg == "--help" || arg == "-h") {
      a.help = true;
    } else if (take("--bus")) {
      error = missing("--bus", "a NAME");
      if (error.empty()) error = once("--bus", a.bus);
      if (error.empty()) {
        if (auto wrong = CheckBusName(v)) error = *wrong;
        a.bus = v;
      }
    } else if (take("--serial")) {
      error = missing("--serial", "a DEVICE");
      if (error.empty() && v.empty()) error = "--serial needs a DEVICE";
      if (error.empty() && (!a.serial.empty() || a.tcp))
        error = "give one bus link: --serial or --tcp, once";
      a.serial = v;
    } else if (take("--tcp")) {
      error = missing("--tcp", "HOST:PORT");
      if (error.empty() && (!a.serial.empty() || a.tcp))
        error = "give one bus link: --serial or --tcp, once";
      if (error.empty()) {
        auto parsed = ParseHostPort(v, "--tcp");
        if (auto* wrong = std::get_if<std::string>(&parsed))
          error = *wrong;
        else
          a.tcp = std::get<HostPort>(parsed);
      }
    } else if (take("--broker")) {
      error = missing("--broker", "a URI");
      if (error.empty()) {
        auto parsed = ParseBrokerUri(v);
        if (auto* wrong = std::get_if<std::string>(&parsed)) error = *wrong;
        a.brokers.push_back(v);
      }
    } else if (take("--prefix")) {
      error = missing("--prefix", "a PREFIX");
      if (error.empty() && prefix_given) error = "give --prefix once";
      if (error.empty()) {
        if (auto wrong = CheckPrefix(v)) error = *wrong;
        a.prefix = v;
        prefix_given = true;
      }
    } else if (take("--devices")) {
      error = missing("--devices", "a FILE");
      if (error.empty()) error = once("--devices", a.devices);
      a.devices = v;
    } else if (take("--listen")) {
      error = missing("--listen", "[ADDR:]PORT");
      if (error.empty()) {
        auto parsed = ParseListenAddress(v);
        if (auto* wrong = std::get_if<std::string>(&parsed))
          error = "--listen: " + *wrong;
        else
          a.listen.push_back(std::get<ListenAddress>(parsed));
      }
    } else if (take("--pty")) {
      error = missing("--pty", "a PATH");
      a.ptys.push_back(v);
    } else if (take("--state-dir")) {
      error = missing("--state-dir", "a DIR");
      if (error.empty() && v.empty()) error = "--state-dir needs a DIR";
      if (error.empty()) error = once("--state-dir", a.state_dir);
      a.state_dir = v;
    } else if (take("--credentials")) {
      error = missing("--credentials", "a FILE");
      a.credentials = v;
    } else if (take("--ca")) {
      error = missing("--ca", "a FILE");
      a.ca = v;
    } else if (take("--cert")) {
      error = missing("--cert", "a FILE");
      a.cert = v;
    } else if (take("--key")) {
      error = missing("--key", "a FILE");
      a.key = v;
    } else if (take("--pace")) {
      error = missing("--pace", "MS");
      if (error.empty()) {
        auto n = Number("--pace", v, 1, 60000);
        if (auto* wrong = std::get_if<std::string>(&n))
          error = *wrong;
        else
          a.pace_ms = static_cast<int>(std::get<std::int64_t>(n));
      }
    } else if (take("--queue")) {
      error = missing("--queue", "N");
      if (error.empty()) {
        auto n = Number("--queue", v, 1, 1000000);
        if (auto* wrong = std::get_if<std::string>(&n))
          error = *wrong;
        else
          a.queue = static_cast<std::size_t>(std::get<std::int64_t>(n));
      }
    } else if (take("--max-age")) {
      error = missing("--max-age", "S");
      if (error.empty()) {
        auto n = Number("--max-age", v, 1, 31'536'000);
        if (auto* wrong = std::get_if<std::string>(&n))
          error = *wrong;
        else
          a.max_age_s = std::get<std::int64_t>(n);
      }
    } else if (take("--client-id")) {
      error = missing("--client-id", "an ID");
      if (error.empty() && (v.empty() || v.size() > 256))
        error = "--client-id takes 1 to 256 characters";
      for (unsigned char c : v)
        if (error.empty() && (c < 0x20 || c == 0x7F))
          error = "--client-id: control characters cannot be in a client id";
      a.client_id = v;
    } else if (std::string journal_error; TakeJournalOption(r, a.journal, journal_error)) {
      error = journal_error;
    } else {
      error = arg.rfind('-', 0) == 0 ? "unknown option '" + arg + "'"
                                     : "unexpected argument '" + arg + "'";
    }
    if (!error.empty()) return error;
  }
  if (a.help) return a;
  if (a.bus.empty()) return std::string("give --bus NAME");
  if (a.serial.empty() && !a.tcp)
    return std::string("give the bus: --serial DEVICE or --tcp HOST:PORT");
  if (a.brokers.empty()) return std::string("give --broker URI (mqtt://HOST[:PORT])");
  if (a.cert.empty() != a.key.empty()) return std::string("--cert and --key go together");
  if (a.journal.off && !a.journal.file.empty())
    return std::string("give --journal FILE or --no-journal, not both");
  return a;
}

std::string GatewayUsage() {
  return "Usage: tvxorm gateway --bus NAME (--serial DEVICE | --tcp HOST:PORT) --broker URI\n"
         "                      [--broker URI]... [--prefix PREFIX] [--devices FILE]\n"
         "                      [--listen [ADDR:]PORT]... [--pty PATH]... [--state-dir DIR]\n"
         "                      [--credentials FILE] [--ca FILE] [--cert FILE --key FILE]\n"
         "                      [--pace MS] [--queue N] [--max-age S]\n"
         "                      [--client-id ID] [--journal FILE | --no-journal]\n"
         "Owns one bus and serves it on an MQTT broker: requests on PREFIX/NAME/request are\n"
         "written to the bus one whole packet at a time, as tvxorm send would write them,\n"
         "and answered on PREFIX/NAME/response.\n"
         "  --bus NAME          the bus's name in topics (1 to 64 of A-Z a-z 0-9 _ -)\n"
         "  --serial DEVICE     the bus is a serial device (9600 8N1, serial link rules)\n"
         "  --tcp HOST:PORT     the bus is a serial-to-Ethernet server (TCP link rules)\n"
         "  --broker URI        mqtt://HOST[:1883] or mqtts://HOST[:8883] (TLS); several are\n"
         "                      tried in order, all mqtts:// or none\n"
         "  --prefix PREFIX     topic prefix (default tvxorm; may hold levels: plant1/area2)\n"
         "  --devices FILE      the bus's devices, as tvxorm sim reads them: their states\n"
         "                      are published on PREFIX/NAME/device/SERIAL/state\n"
         "  --listen [ADDR:]PORT  the shared port: consoles write to it over TCP/IP as to a\n"
         "                      serial-to-Ethernet server, and each whole packet joins the\n"
         "                      bus's queue; 127.0.0.1 unless ADDR says otherwise (0.0.0.0:PORT,\n"
         "                      [::]:PORT; repeatable)\n"
         "  --pty PATH          the shared port as a pty linked at PATH, for a console's\n"
         "                      --comm 1=PATH (Linux; repeatable)\n"
         "  --state-dir DIR     the journal and what the gateway keeps\n"
         "                      (default $XDG_STATE_HOME/tvxorm/gateway/NAME)\n"
         "  --credentials FILE  the broker user: username= and password= lines; the file\n"
         "                      must be the owner's only (chmod 600)\n"
         "  --ca FILE           mqtts://: the CA that signed the broker's certificate (default:\n"
         "                      the system's); the certificate must name the broker's HOST\n"
         "  --cert FILE, --key FILE  mqtts://: a client certificate and its key, in PEM\n"
         "  --pace MS           at most one request per MS milliseconds (default 100)\n"
         "  --queue N           at most N requests waiting (default 1000)\n"
         "  --max-age S         a request waits at most S seconds (default 60)\n"
         "  --client-id ID      the MQTT client id and session (default tvxorm-gateway-NAME)\n"
         "  --journal FILE      journal every write to FILE (default: journal.jsonl in the\n"
         "                      state folder); --no-journal journals nothing\n"
         "Exit status: 0 after SIGINT or SIGTERM; 1 when it cannot start; 2 for bad usage.\n";
}

}  // namespace tvx::app

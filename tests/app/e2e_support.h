#pragma once

#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <string>
#include <vector>

// Runs the real program headless against real ptys and loopback TCP listeners.
namespace tvx::e2e {

// Built with AddressSanitizer, the programs keep freed memory in its quarantine and descriptors
// of its own: bounds on memory or descriptors measure the sanitizer, not the program.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// A pty pair: the console opens the slave by its path; the test reads the master.
class Pty {
 public:
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  const std::string& Path() const { return path_; }
  // Everything that has arrived so far.
  std::string Drain();

 private:
  int master_ = -1;
  std::string path_;
};

struct ConsoleRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs tvxorm --headless on a script while the test's own event loop keeps serving.
ConsoleRun RunConsole(const std::string& script, const QStringList& comm_args);
// The program under test.
QString ProgramPath();
// Runs tvxorm with the arguments given, the same way.
ConsoleRun RunProgram(const QStringList& args);

// Collects what arrives on a loopback listener.
struct Listener {
  QTcpServer server;
  std::string received;
  std::vector<std::unique_ptr<QTcpSocket>> peers;
  Listener();
  int Port() const { return server.serverPort(); }
};

// --comm arguments for the four ports; ports not named map to paths that do not exist.
QStringList Comm(const std::string& p1, const std::string& p2 = "/nonexistent/tty2",
                 const std::string& p3 = "/nonexistent/tty3",
                 const std::string& p4 = "/nonexistent/tty4");

// A script prefix that chooses TCP/IP and connects to 127.0.0.1:port.
std::string ConnectTcp(int port);

std::string AllByteTokens();
std::string AllBytes();

}  // namespace tvx::e2e

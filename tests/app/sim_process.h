#pragma once

#include <QProcess>
#include <QStringList>
#include <functional>
#include <string>

// `tvxorm sim --headless` as a separate process, for tests of how it serves and how it ends.
namespace tvx::e2e {

class SimProcess {
 public:
  struct Options {
    QString out_file;  // where its standard output goes; empty: read here
    QString limits;    // shell commands run before it ("ulimit -n 48"); empty: none
  };
  explicit SimProcess(const QStringList& args, const Options& options = {});
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Serves the test's event loop until done() or ms have passed; done()'s last answer.
  bool WaitUntil(const std::function<bool()>& done, int ms = 20000);
  // Until its standard output holds text count times.
  bool WaitFor(const std::string& text, int count = 1);
  int Count(const std::string& text);
  // Where its first TCP source says it listens ("127.0.0.1:4001"), and its port.
  std::string ListensOn();
  int TcpPort();

  void Signal(int signal);
  // Where the kernel holds it ("pipe_write"), and the processor time it has used in clock
  // ticks, as /proc tells.
  std::string WaitChannel() const;
  long CpuTicks() const;
  // Its exit status, or -1 for a crash or a run still going after ms.
  int Finish(int ms = 10000);

  const std::string& Out();
  const std::string& Err() const { return err_; }

 private:
  QProcess process_;
  std::string out_;
  std::string err_;
};

}  // namespace tvx::e2e

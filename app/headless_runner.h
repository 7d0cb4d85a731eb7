#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "console/script.h"

namespace tvx::app {

// Runs a console script on the live event loop: lines run in order, a wait lets real time
// pass with timers and links running, and the loop never blocks on input.
class HeadlessRunner : public QObject {
  Q_OBJECT
 public:
  explicit HeadlessRunner(console::ScriptInterpreter& interpreter);
  ~HeadlessRunner() override;

  // Reads the script from a file, or from standard input when path is empty; false when
  // the file cannot be read.
  bool Start(const std::string& path);

 signals:
  void Finished(int exit_code);

 private:
  void Enqueue(std::optional<std::string> line);
  void Pump();
  void WaitUntil(QDeadlineTimer deadline);

  // The standard-input reader outlives the runner; it may post lines only while this is set.
  struct ReaderLink {
    std::mutex mutex;
    HeadlessRunner* runner = nullptr;
  };

  console::ScriptInterpreter& interpreter_;
  std::shared_ptr<ReaderLink> reader_ = std::make_shared<ReaderLink>();
  std::deque<std::optional<std::string>> lines_;  // nullopt marks the end of the script
  bool waiting_ = false;
  bool done_ = false;
  int line_number_ = 0;
};

}  // namespace tvx::app

#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "console/script.h"

namespace tvx::app {

// Runs a console script on the live event loop: lines run in order, a wait lets real time
// pass with timers and links running, and the loop never blocks on input. At the end of the
// script a send still going out finishes before the run ends.
class HeadlessRunner : public QObject {
  Q_OBJECT
 public:
  explicit HeadlessRunner(console::ScriptInterpreter& interpreter);
  ~HeadlessRunner() override;

  // Reads the script from a file, or from standard input when path is empty. For a file that
  // cannot be read (missing, a directory, a read error) it says why and nothing runs.
  [[nodiscard]] std::optional<std::string> Start(const std::string& path);
  // Runs after every line, as the window runs its refresh after every event.
  void AfterEachLine(std::function<void()> hook) { after_line_ = std::move(hook); }

 signals:
  void Finished(int exit_code);

 private:
  struct Line {
    enum Kind { kText, kEnd, kUnreadable } kind = kText;
    std::string text;  // the line, or why the script could not be read
  };
  void Enqueue(Line line);
  void Pump();
  void WaitUntil(QDeadlineTimer deadline);
  void FinishWhenSent(QDeadlineTimer bound);

  // The standard-input reader outlives the runner; it may post lines only while this is set.
  struct ReaderLink {
    std::mutex mutex;
    HeadlessRunner* runner = nullptr;
  };

  console::ScriptInterpreter& interpreter_;
  std::shared_ptr<ReaderLink> reader_ = std::make_shared<ReaderLink>();
  std::deque<Line> lines_;
  bool waiting_ = false;
  bool done_ = false;
  int line_number_ = 0;
  std::function<void()> after_line_;
};

}  // namespace tvx::app

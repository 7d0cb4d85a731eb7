#include "app/headless_runner.h"

#include <QTimer>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <thread>

namespace tvx::app {

HeadlessRunner::HeadlessRunner(console::ScriptInterpreter& interpreter)
    : interpreter_(interpreter) {}

HeadlessRunner::~HeadlessRunner() {
  std::lock_guard lock(reader_->mutex);
  reader_->runner = nullptr;  // events already posted die with this object
}

bool HeadlessRunner::Start(const std::string& path) {
  if (!path.empty()) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::string line;
    while (std::getline(file, line)) lines_.emplace_back(line);
    lines_.emplace_back(std::nullopt);
    QTimer::singleShot(0, this, [this] { Pump(); });
    return true;
  }
  // Standard input may be a person typing: read it on its own thread so the console keeps
  // running meanwhile. The thread is detached; it may still be blocked in a read at exit.
  reader_->runner = this;
  std::thread([link = reader_] {
    auto post = [&link](std::optional<std::string> line) {
      std::lock_guard lock(link->mutex);
      if (HeadlessRunner* runner = link->runner) {
        QMetaObject::invokeMethod(
            runner, [runner, line] { runner->Enqueue(line); }, Qt::QueuedConnection);
      }
    };
    std::string line;
    while (std::getline(std::cin, line)) post(line);
    post(std::nullopt);
  }).detach();
  return true;
}

void HeadlessRunner::Enqueue(std::optional<std::string> line) {
  lines_.push_back(std::move(line));
  Pump();
}

// A Qt timer takes at most 2^31 - 1 ms: longer waits run in steps to their deadline.
void HeadlessRunner::WaitUntil(QDeadlineTimer deadline) {
  constexpr qint64 kStepMs = 24LL * 60 * 60 * 1000;
  const qint64 left = deadline.remainingTime();
  if (left <= 0) {
    waiting_ = false;
    Pump();
    return;
  }
  QTimer::singleShot(static_cast<int>(std::min(left, kStepMs)), Qt::PreciseTimer, this,
                     [this, deadline] { WaitUntil(deadline); });
}

void HeadlessRunner::Pump() {
  while (!waiting_ && !done_ && !lines_.empty()) {
    std::optional<std::string> line = std::move(lines_.front());
    lines_.pop_front();
    if (!line) {
      done_ = true;
      emit Finished(0);
      return;
    }
    ++line_number_;
    const auto outcome = interpreter_.Execute(*line);
    if (outcome.kind == console::ScriptInterpreter::Outcome::kError) {
      std::cerr << "ERROR: line " << line_number_ << ": " << outcome.error << std::endl;
      done_ = true;
      emit Finished(2);
      return;
    }
    if (outcome.kind == console::ScriptInterpreter::Outcome::kWait) {
      waiting_ = true;
      WaitUntil(QDeadlineTimer(outcome.wait_ms, Qt::PreciseTimer));
    }
  }
}

}  // namespace tvx::app

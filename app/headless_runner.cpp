#include "app/headless_runner.h"

#include <QTimer>
#include <algorithm>
#include <iostream>
#include <thread>

#include "app/script_reader.h"

namespace tvx::app {

namespace {
// A send at the end of a script is given this long to go out (an andon grid takes 15.6 s).
constexpr qint64 kEndBoundMs = 60'000;
constexpr int kEndPollMs = 10;
}  // namespace

HeadlessRunner::HeadlessRunner(console::ScriptInterpreter& interpreter)
    : interpreter_(interpreter) {}

HeadlessRunner::~HeadlessRunner() {
  std::lock_guard lock(reader_->mutex);
  reader_->runner = nullptr;  // events already posted die with this object
}

std::optional<std::string> HeadlessRunner::Start(const std::string& path) {
  if (!path.empty()) {
    std::string error;
    ReadScriptLines(
        path,
        [this](std::string text) {
          lines_.push_back({Line::kText, std::move(text)});
        },
        [&error](std::string why) { error = std::move(why); });
    if (!error.empty()) return error;
    lines_.push_back({Line::kEnd, {}});
    QTimer::singleShot(0, this, [this] { Pump(); });
    return std::nullopt;
  }
  // Standard input may be a person typing: read it on its own thread so the console keeps
  // running meanwhile. The thread is detached; it may still be blocked in a read at exit.
  reader_->runner = this;
  std::thread([link = reader_] {
    auto post = [&link](const Line& line) {
      std::lock_guard lock(link->mutex);
      if (HeadlessRunner* runner = link->runner) {
        QMetaObject::invokeMethod(
            runner, [runner, line] { runner->Enqueue(line); }, Qt::QueuedConnection);
      }
    };
    ReadScriptLines(
        {},
        [&post](std::string text) {
          post({Line::kText, std::move(text)});
        },
        [&post](std::string why) {
          post(why.empty() ? Line{Line::kEnd, {}} : Line{Line::kUnreadable, std::move(why)});
        });
  }).detach();
  return std::nullopt;
}

void HeadlessRunner::Enqueue(Line line) {
  lines_.push_back(std::move(line));
  Pump();
}

// A Qt timer takes at most 2^31 - 1 ms: longer waits run in steps to their deadline. The next
// line always runs from the event loop, never from here: a script of many short waits would
// otherwise nest a call per wait.
void HeadlessRunner::WaitUntil(QDeadlineTimer deadline) {
  constexpr qint64 kStepMs = 24LL * 60 * 60 * 1000;
  // A deadline past the clock's range is forever: it never ends before it.
  const qint64 remaining = deadline.remainingTime();
  const qint64 left = remaining < 0 ? kStepMs : std::min(remaining, kStepMs);
  QTimer::singleShot(static_cast<int>(left), Qt::PreciseTimer, this, [this, deadline] {
    if (!deadline.hasExpired()) {
      WaitUntil(deadline);
      return;
    }
    waiting_ = false;
    Pump();
  });
}

void HeadlessRunner::FinishWhenSent(QDeadlineTimer bound) {
  if (!interpreter_.SendPending() || bound.hasExpired()) {
    emit Finished(0);
    return;
  }
  QTimer::singleShot(kEndPollMs, this, [this, bound] { FinishWhenSent(bound); });
}

void HeadlessRunner::Pump() {
  while (!waiting_ && !done_ && !lines_.empty()) {
    Line line = std::move(lines_.front());
    lines_.pop_front();
    if (line.kind == Line::kEnd) {
      done_ = true;
      FinishWhenSent(QDeadlineTimer(kEndBoundMs));
      return;
    }
    if (line.kind == Line::kUnreadable) {
      std::cerr << "ERROR: the script could not be read from standard input: " << line.text
                << std::endl;
      done_ = true;
      emit Finished(2);
      return;
    }
    ++line_number_;
    const auto outcome = interpreter_.Execute(line.text);
    if (after_line_) after_line_();
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

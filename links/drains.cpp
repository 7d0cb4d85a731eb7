#include "links/drains.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <list>

namespace tvx::links::drains {

namespace {

struct Drain {
  std::unique_ptr<QIODevice> device;
  std::string name;
  std::function<void(QIODevice&)> finish;
  std::function<bool()> gone;
  std::unique_ptr<QTimer> bound;
  std::unique_ptr<QObject> context;  // owns the signal connections
};

std::list<Drain>& All() {
  static std::list<Drain> drains;
  return drains;
}

void End(std::list<Drain>::iterator it) {
  it->finish(*it->device);
  // The device may be inside one of its own signals: let it go once that has returned.
  it->device.release()->deleteLater();
  it->context.release()->deleteLater();
  it->bound.release()->deleteLater();
  All().erase(it);
}

void Check(QObject* context, bool bound_passed) {
  auto& all = All();
  for (auto it = all.begin(); it != all.end(); ++it) {
    if (it->context.get() != context) continue;
    const bool done =
        it->device->bytesToWrite() == 0 || !it->device->isOpen() || (it->gone && it->gone());
    if (done || bound_passed) End(it);
    return;
  }
}

}  // namespace

void Adopt(std::unique_ptr<QIODevice> device, const std::string& name, qint64 bound_ms,
           std::function<void(QIODevice&)> finish, std::function<bool()> gone) {
  Drain d{std::move(device),          name,
          std::move(finish),          std::move(gone),
          std::make_unique<QTimer>(), std::make_unique<QObject>()};
  QObject* context = d.context.get();
  QObject::connect(d.device.get(), &QIODevice::bytesWritten, context,
                   [context] { Check(context, false); });
  d.bound->setSingleShot(true);
  QObject::connect(d.bound.get(), &QTimer::timeout, context, [context] { Check(context, true); });
  d.bound->start(static_cast<int>(std::min<qint64>(bound_ms, 24LL * 60 * 60 * 1000)));
  All().push_back(std::move(d));
  // Errors (a vanished device) show on the next write attempt; look again soon as well.
  auto* poll = new QTimer(context);
  QObject::connect(poll, &QTimer::timeout, context, [context] { Check(context, false); });
  poll->start(50);
}

bool Draining(const std::string& name) {
  for (const Drain& d : All()) {
    if (d.name == name) return true;
  }
  return false;
}

void FinishAll() {
  // After the application's loop has been told to quit, a new event loop would return at once;
  // processing events directly still works, and each drain's timers keep events coming.
  while (!All().empty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int Count() {
  return static_cast<int>(All().size());
}

}  // namespace tvx::links::drains

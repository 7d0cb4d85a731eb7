#pragma once

#include <QIODevice>
#include <functional>
#include <memory>
#include <string>

// Ports and connections being closed let their queued bytes leave in the background: the
// console goes on at once, and no packet is cut off. Each drain ends when its bytes are out,
// when its device is gone, or when its bound (the bytes' line time plus a margin) has passed.
namespace tvx::links::drains {

// Takes over a device with bytes still queued. finish closes it; gone says whether the device
// has vanished, so waiting is pointless.
void Adopt(std::unique_ptr<QIODevice> device, const std::string& name, qint64 bound_ms,
           std::function<void(QIODevice&)> finish, std::function<bool()> gone = {});

// Whether the named device is still draining: it must not be opened around the drain.
bool Draining(const std::string& name);

// Runs the event loop until every drain has ended; for the end of the program.
void FinishAll();

// How many drains are under way.
int Count();

}  // namespace tvx::links::drains

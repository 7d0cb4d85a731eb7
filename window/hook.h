#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

namespace tvx::window {

// An event's handler. Each event is wired by the one subsystem that owns it: wiring it a
// second time would silently drop the first handler, so debug builds stop right there.
template <typename Signature>
class Hook;

template <typename R, typename... Args>
class Hook<R(Args...)> {
 public:
  Hook() = default;
  Hook(const Hook&) = delete;
  Hook& operator=(const Hook&) = delete;

  template <typename F>
  Hook& operator=(F&& handler) {
#ifndef NDEBUG
    if (handler_) {
      std::fputs("tvxorm: an event that is already wired is wired again\n", stderr);
      std::abort();
    }
#endif
    handler_ = std::forward<F>(handler);
    return *this;
  }
  // Unwires the event; the owner does this before the objects its handler uses go away.
  void Clear() {
    handler_ = nullptr;
  }
  // Unwires the event and hands back its handler, to wrap it in another.
  std::function<R(Args...)> Take() {
    return std::exchange(handler_, nullptr);
  }

  explicit operator bool() const {
    return static_cast<bool>(handler_);
  }
  R operator()(Args... args) const {
    return handler_(std::forward<Args>(args)...);
  }

 private:
  std::function<R(Args...)> handler_;
};

}  // namespace tvx::window

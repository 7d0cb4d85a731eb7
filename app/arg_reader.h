#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tvx::app {

// Walks command-line arguments; an option's value may follow it ("--opt VALUE") or be joined
// to it ("--opt=VALUE").
class ArgReader {
 public:
  explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}

  bool Done() const { return i_ >= args_.size(); }
  // The current argument; Next() moves on.
  const std::string& Arg() const { return args_[i_]; }
  void Next() { ++i_; }

  // Whether the current argument is option name, alone or with "=VALUE".
  bool Is(const std::string& name) const {
    return Arg() == name || Arg().rfind(name + "=", 0) == 0;
  }
  // The value of option name (the current argument); false when it has none.
  bool Value(const std::string& name, std::string& out) {
    if (Arg() == name) {
      if (i_ + 1 >= args_.size()) return false;
      out = args_[++i_];
      return true;
    }
    out = Arg().substr(name.size() + 1);
    return true;
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t i_ = 0;
};

}  // namespace tvx::app

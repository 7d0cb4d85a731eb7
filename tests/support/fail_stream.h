#pragma once

#include <cerrno>
#include <ostream>
#include <streambuf>

namespace tvx::testing {

// An output that takes nothing, as a full disk would: every write fails with ENOSPC.
class FailStream : public std::ostream {
 public:
  FailStream() : std::ostream(&buffer_) {}

 private:
  struct Full : std::streambuf {
    int_type overflow(int_type) override {
      errno = ENOSPC;
      return traits_type::eof();
    }
    std::streamsize xsputn(const char*, std::streamsize) override {
      errno = ENOSPC;
      return 0;
    }
  } buffer_;
};

}  // namespace tvx::testing

// The packet box's token conversion: never more bytes than typed characters, and the display
// form of any bytes without "<" or ">" converts back to exactly those bytes.
#include "protocol/token_conversion.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "protocol/display.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string typed(reinterpret_cast<const char*>(data), size);
  if (tvx::protocol::ConvertTokens(typed).size() > typed.size()) std::abort();
  std::string plain;
  for (char c : typed) {
    if (c != '<' && c != '>') plain += c;
  }
  if (tvx::protocol::ConvertTokens(tvx::protocol::DisplayForm(plain)) != plain) std::abort();
  return 0;
}

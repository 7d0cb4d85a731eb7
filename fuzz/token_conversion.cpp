// Token text both ways. The packet box's conversion never gives more bytes than typed
// characters; the strict reader gives what the conversion gives whenever it accepts a text;
// and the token text our outputs print is printable ASCII without two blanks in a row that
// both readers turn back into exactly the bytes it was made from.
#include "protocol/token_conversion.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "protocol/display.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string typed(reinterpret_cast<const char*>(data), size);
  if (tvx::protocol::ConvertTokens(typed).size() > typed.size()) std::abort();
  const auto strict = tvx::protocol::ReadTokenText(typed);
  if (const auto* bytes = std::get_if<std::string>(&strict)) {
    if (*bytes != tvx::protocol::ConvertTokens(typed)) std::abort();
  } else if (std::get<tvx::protocol::TokenTextFault>(strict).at >= typed.size()) {
    std::abort();
  }

  // The input as bytes, whatever they are.
  const std::string text = tvx::protocol::TokenText(typed);
  for (char c : text) {
    if (c < ' ' || c > '~') std::abort();
  }
  if (text.find("  ") != std::string::npos || (!text.empty() && text.back() == ' ')) std::abort();
  if (tvx::protocol::ConvertTokens(text) != typed) std::abort();
  const auto read = tvx::protocol::ReadTokenText(text);
  const auto* bytes = std::get_if<std::string>(&read);
  if (!bytes || *bytes != typed) std::abort();
  return 0;
}

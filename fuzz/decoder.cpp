// The decoder on any bytes: no crash, the same items whatever the chunks (the first input byte
// picks the chunk size), and every packet it accepts decodes the same again on its own.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "protocol/decode.h"

using tvx::protocol::DecodedItem;
using tvx::protocol::DecodedPacket;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = data[0] % 17 + 1;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<DecodedItem> whole = tvx::protocol::Decode(bytes);
  std::vector<DecodedItem> chunked;
  tvx::protocol::Decoder decoder;
  auto sink = [&chunked](DecodedItem&& item) { chunked.push_back(item); };
  for (std::size_t at = 0; at < bytes.size(); at += chunk)
    decoder.Feed(std::string_view(bytes).substr(at, chunk), sink);
  decoder.Finish(sink);
  if (chunked != whole) std::abort();
  for (const DecodedItem& item : whole) {
    if (const auto* packet = std::get_if<DecodedPacket>(&item)) {
      if (tvx::protocol::DecodePacket(packet->bytes) != item) std::abort();
    }
    (void)tvx::protocol::Describe(item);
  }
  return 0;
}

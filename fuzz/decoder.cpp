// The decoder on any bytes: no crash, the same items whatever the chunks (the first input byte
// picks the chunk size), every input byte in exactly one item, every packet it accepts decodes
// the same again on its own, and the token text of each output line reads back as its bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/decoded_item_text.h"
#include "protocol/decode.h"
#include "protocol/display.h"
#include "protocol/token_conversion.h"

using tvx::protocol::DecodedItem;
using tvx::protocol::DecodedPacket;
using tvx::protocol::DecodeError;

namespace {

const std::string& BytesOf(const DecodedItem& item) {
  if (const auto* packet = std::get_if<DecodedPacket>(&item)) return packet->bytes;
  return std::get<DecodeError>(item).bytes;
}

// The line decode prints is the token text, two blanks and the description.
void CheckLineReadsBack(const DecodedItem& item) {
  std::string line, scratch;
  tvx::app::AppendItemText(line, item, scratch);
  const std::size_t split = line.find("  ");
  if (split == std::string::npos) std::abort();
  const auto read = tvx::protocol::ReadTokenText(std::string_view(line).substr(0, split));
  const auto* bytes = std::get_if<std::string>(&read);
  if (!bytes || *bytes != BytesOf(item)) std::abort();
}

}  // namespace

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
  std::string covered;
  for (const DecodedItem& item : whole) {
    if (BytesOf(item).empty() || BytesOf(item).size() > tvx::protocol::kMaxItemBytes) std::abort();
    covered += BytesOf(item);
    if (const auto* packet = std::get_if<DecodedPacket>(&item)) {
      if (tvx::protocol::DecodePacket(packet->bytes) != item) std::abort();
    }
    (void)tvx::protocol::Describe(item);
    CheckLineReadsBack(item);
  }
  if (covered != bytes) std::abort();
  return 0;
}

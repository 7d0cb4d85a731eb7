#include "app/decode_command.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <ostream>
#include <variant>

#include "app/decoded_item_text.h"
#include "console/script.h"
#include "protocol/decode.h"
#include "protocol/display.h"
#include "protocol/token_conversion.h"

namespace tvx::app {

namespace {

constexpr char kUsage[] =
    "usage: tvxorm decode [--json] [TOKEN_TEXT... | --hex HEX | --file FILE | -]";
// Raw input is decoded a chunk at a time, so memory stays flat whatever the input's size.
constexpr std::size_t kChunk = 64 * 1024;

enum class Source { kNone, kTokens, kHex, kFile, kStandardInput };

struct Request {
  bool json = false;
  Source source = Source::kNone;
  std::vector<std::string> typed;  // token text arguments
  std::string value;               // the hexadecimal text or the file name
};

std::variant<Request, std::string> Parse(const std::vector<std::string>& args) {
  Request r;
  bool options = true;
  auto take = [&r](Source source) {
    const bool free =
        r.source == Source::kNone || (r.source == source && source == Source::kTokens);
    r.source = source;
    return free;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options && a == "--json") {
      r.json = true;
    } else if (options && (a == "--hex" || a == "--file")) {
      if (i + 1 == args.size()) return a + " needs a value";
      if (!take(a == "--hex" ? Source::kHex : Source::kFile)) return "give one input only";
      r.value = args[++i];
    } else if (options && a == "-") {
      if (!take(Source::kStandardInput)) return "give one input only";
    } else if (options && a == "--") {
      options = false;
    } else if (options && a.size() > 1 && a[0] == '-') {
      return "unknown option '" + a + "'";
    } else {
      if (!take(Source::kTokens)) return "give one input only";
      r.typed.push_back(a);
    }
  }
  if (r.source == Source::kNone) return "no input given";
  return r;
}

// Collects the lines and writes them in large blocks.
class ItemWriter {
 public:
  ItemWriter(std::ostream& out, bool json) : out_(out), json_(json) {}
  ~ItemWriter() { Flush(); }

  void Write(const protocol::DecodedItem& item) {
    const auto* error = std::get_if<protocol::DecodeError>(&item);
    all_packets_ = all_packets_ && !error;
    if (json_) {
      buffer_ += '{';
      AppendItemJsonMembers(buffer_, item);
      buffer_ += '}';
    } else {
      AppendItemText(buffer_, item, line_);
    }
    buffer_ += '\n';
    if (buffer_.size() >= kChunk) Flush();
  }

  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

  bool AllPackets() const { return all_packets_; }

 private:
  std::ostream& out_;
  bool json_;
  std::string buffer_;
  std::string line_;  // a description that needs re-encoding
  bool all_packets_ = true;
};

// Streams raw bytes through the decoder; false when the stream fails before its end.
bool DecodeStream(std::istream& in, protocol::Decoder& decoder,
                  const protocol::Decoder::Sink& sink) {
  std::string chunk(kChunk, '\0');
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    decoder.Feed(std::string_view(chunk.data(), got), sink);
  }
  return !in.bad();
}

}  // namespace

int RunDecode(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err) {
  const auto parsed = Parse(args);
  if (const auto* problem = std::get_if<std::string>(&parsed)) {
    err << "tvxorm decode: " << *problem << "\n" << kUsage << "\n";
    return 2;
  }
  const Request& r = std::get<Request>(parsed);
  std::string bytes;
  if (r.source == Source::kHex) {
    const auto hex = protocol::FromHexText(r.value);
    if (!hex) {
      err << "tvxorm decode: '" << r.value << "' is not hexadecimal byte pairs\n";
      return 2;
    }
    bytes = *hex;
  }
  std::ifstream file;
  if (r.source == Source::kFile) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(r.value, ignored)) file.open(r.value, std::ios::binary);
    if (!file.is_open()) {
      err << "tvxorm decode: cannot read '" << r.value << "'\n";
      return 2;
    }
  }
  // Arguments arrive as UTF-8; the packet box reads the console's own characters.
  for (const std::string& typed : r.typed) {
    bytes += protocol::ConvertTokens(console::ToConsoleText(typed));
  }

  ItemWriter writer(out, r.json);
  const protocol::Decoder::Sink sink = [&writer](protocol::DecodedItem&& item) {
    writer.Write(item);
  };
  protocol::Decoder decoder;
  bool read = true;
  if (r.source == Source::kFile) {
    read = DecodeStream(file, decoder, sink);
  } else if (r.source == Source::kStandardInput) {
    read = DecodeStream(in, decoder, sink);
  } else {
    decoder.Feed(bytes, sink);
  }
  decoder.Finish(sink);
  writer.Flush();
  if (!read) {
    err << "tvxorm decode: cannot read '" << (r.source == Source::kFile ? r.value : "-") << "'\n";
    return 2;
  }
  return writer.AllPackets() ? 0 : 1;
}

}  // namespace tvx::app

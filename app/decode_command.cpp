#include "app/decode_command.h"

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <variant>

#include "app/decoded_item_text.h"
#include "app/files.h"
#include "protocol/decode.h"
#include "protocol/display.h"
#include "protocol/printable_text.h"
#include "protocol/token_conversion.h"

namespace tvx::app {

namespace {

constexpr char kUsage[] =
    "usage: tvxorm decode [--json] [TOKEN_TEXT... | --hex HEX | --file FILE | -]";
constexpr char kHelp[] =
    "Usage: tvxorm decode [--json] [TOKEN_TEXT... | --hex HEX | --file FILE | -]\n\n"
    "Reads packets and says what each tells which device: one line per packet or per stretch\n"
    "of bytes that is not one, its token text and a description.\n"
    "  TOKEN_TEXT   packets as the packet box reads them: <02> is the byte 02, a '<' or '>'\n"
    "               of the text is <3C> or <3E>; several arguments are one stream\n"
    "  --hex HEX    hexadecimal byte pairs, blanks allowed\n"
    "  --file FILE  the raw bytes of a regular file, such as a capture, however large\n"
    "  -            raw bytes from standard input, each item printed once it is complete:\n"
    "               tvxorm decode - < /dev/ttyUSB0 is a live monitor\n"
    "  --json       one JSON object per line\n"
    "Exit status: 0 every item is a packet, 1 some item is not, 2 bad usage, input that\n"
    "cannot be read or output that cannot be written.\n";
// Raw input is decoded a chunk at a time, so memory stays flat whatever the input's size.
constexpr std::size_t kChunk = 64 * 1024;

enum class Source { kNone, kTokens, kHex, kFile, kStandardInput };

struct Request {
  bool help = false;
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
    if (options && (a == "--help" || a == "-h")) {
      r.help = true;
    } else if (options && a == "--json") {
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
  if (r.source == Source::kNone && !r.help) return "no input given";
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
    if (out_) out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
    Check();
  }

  // Everything so far on its way to the reader.
  void Show() {
    Flush();
    if (out_) out_.flush();
    Check();
  }

  bool Failed() const { return !out_; }
  // Why the output failed (empty while it has not): the reason as the failed write left it.
  std::string Failure() {
    if (!out_) return failure_;
    failure_ = OutputFailure(out_);
    return failure_;
  }
  bool AllPackets() const { return all_packets_; }

 private:
  void Check() {
    if (!out_ && failure_.empty()) failure_ = SystemReason(errno);
  }

  std::ostream& out_;
  bool json_;
  std::string buffer_;
  std::string line_;  // a description that needs re-encoding
  bool all_packets_ = true;
  std::string failure_;
};

// Why the stream failed before its end, as the failed read left it; empty when it did not.
std::string ReadFailure(const std::istream& in) {
  return in.bad() ? SystemReason(errno) : std::string();
}

// Streams raw bytes through the decoder; why the stream failed before its end, or empty.
std::string DecodeStream(std::istream& in, protocol::Decoder& decoder,
                         const protocol::Decoder::Sink& sink, const ItemWriter& writer) {
  std::string chunk(kChunk, '\0');
  while (in && !writer.Failed()) {
    errno = 0;
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    if (in.bad()) return ReadFailure(in);
    const auto got = static_cast<std::size_t>(in.gcount());
    decoder.Feed(std::string_view(chunk.data(), got), sink);
  }
  return {};
}

// The same for a source that may be live (a serial line, a pipe): takes what has arrived, and
// shows the items it completed whenever nothing more is waiting, rather than at the end.
std::string DecodeLive(std::istream& in, protocol::Decoder& decoder,
                       const protocol::Decoder::Sink& sink, ItemWriter& writer) {
  std::string chunk(kChunk, '\0');
  while (!writer.Failed()) {
    errno = 0;
    if (in.peek() == std::istream::traits_type::eof()) break;
    std::streamsize got = in.readsome(chunk.data(), static_cast<std::streamsize>(kChunk));
    if (got == 0 && in.get(chunk[0])) got = 1;  // a stream that cannot tell what is waiting
    decoder.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)), sink);
    if (in.rdbuf()->in_avail() <= 0) writer.Show();
  }
  return ReadFailure(in);
}

struct Typed {
  std::string bytes;
  std::string refusal;
};

// The bytes of the token text arguments, or why one cannot be read: nothing typed may vanish.
Typed TokenArguments(const std::vector<std::string>& typed) {
  std::string bytes;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const std::string where = "argument " + std::to_string(i + 1) + ": ";
    if (const auto foreign = protocol::FirstForeignCharacter(typed[i])) {
      return {{},
              where + "character " + std::to_string(foreign->at + 1) + ", " +
                  protocol::CharacterText(*foreign) +
                  ", is no byte; a packet holds U+0000 to U+00FF"};
    }
    // Arguments arrive as UTF-8; the packet box reads the console's own characters.
    const auto read = protocol::ReadTokenText(protocol::ToConsoleText(typed[i]));
    if (const auto* fault = std::get_if<protocol::TokenTextFault>(&read)) {
      return {{},
              where + "'" + protocol::PrintableValue(fault->text) + "' at character " +
                  std::to_string(fault->at + 1) + " " + fault->why};
    }
    bytes += std::get<std::string>(read);
  }
  return {std::move(bytes), {}};
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
  auto output_failed = [&err](const std::string& why) {
    if (!why.empty()) err << "tvxorm decode: cannot write the output: " << why << "\n";
    return !why.empty();
  };
  if (r.help) {
    out << kHelp;
    return output_failed(out ? OutputFailure(out) : SystemReason(errno)) ? 2 : 0;
  }
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
    // Any size: it is streamed. A device or a pipe could be read forever or never answer;
    // standard input is the way to read one live.
    const std::string why = InputFileRefusal(r.value, std::numeric_limits<std::uintmax_t>::max());
    if (!why.empty()) {
      err << "tvxorm decode: cannot read " << Quoted(r.value) << ": " << why;
      if (why == "not a regular file") err << "; give a device or a pipe as standard input: -";
      err << "\n";
      return 2;
    }
    file.open(r.value, std::ios::binary);
    if (!file.is_open()) {
      err << "tvxorm decode: cannot read " << Quoted(r.value) << "\n";
      return 2;
    }
  }
  if (r.source == Source::kTokens) {
    Typed typed = TokenArguments(r.typed);
    if (!typed.refusal.empty()) {
      err << "tvxorm decode: " << typed.refusal << "\n";
      return 2;
    }
    bytes = std::move(typed.bytes);
  }

  ItemWriter writer(out, r.json);
  const protocol::Decoder::Sink sink = [&writer](protocol::DecodedItem&& item) {
    writer.Write(item);
  };
  protocol::Decoder decoder;
  std::string unread;
  if (r.source == Source::kFile) {
    unread = DecodeStream(file, decoder, sink, writer);
  } else if (r.source == Source::kStandardInput) {
    unread = DecodeLive(in, decoder, sink, writer);
  } else {
    decoder.Feed(bytes, sink);
  }
  decoder.Finish(sink);
  writer.Flush();
  if (output_failed(writer.Failure())) return 2;
  if (!unread.empty()) {
    err << "tvxorm decode: cannot read "
        << (r.source == Source::kFile ? Quoted(r.value) : "standard input") << ": " << unread
        << "\n";
    return 2;
  }
  return writer.AllPackets() ? 0 : 1;
}

}  // namespace tvx::app

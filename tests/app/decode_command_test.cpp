#include "app/decode_command.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "console/script.h"
#include "protocol/decode.h"
#include "protocol/display.h"
#include "protocol/token_conversion.h"
#include "tests/support/fail_stream.h"
#include "tests/support/temp_dir.h"

#if defined(__unix__)
#include <sys/stat.h>
#endif

namespace tvx::app {
namespace {

struct Outcome {
  int code;
  std::string out, err;
};

Outcome Decode(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int code = RunDecode(args, in, out, err);
  return {code, out.str(), err.str()};
}

TEST(DecodeCommand, EachInputFormAndItsExitStatus) {
  const std::string svn = "<02>0000<1B>SVN<04>  SVN to the whole bus (0000)\n";
  struct Case {
    std::vector<std::string> args;
    std::string input, out;
    int code;
  };
  const Case cases[] = {
      {{"<02>0000<1B>SVN<04>"}, "", svn, 0},
      {{"<02>0000<1b>", "SVN<04>"}, "", svn, 0},  // several arguments are one stream
      {{"--hex", "02 30 30 30 30 1B 53 56 4E 04"}, "", svn, 0},
      {{"--hex", "02303030301b53564e04"}, "", svn, 0},
      {{"-"}, std::string("\x02") + "0000\x1bSVN\x04", svn, 0},
      {{""}, "", "", 0},  // nothing at all is not an error
      {{"--", "-"}, "", "-  not a packet: bytes outside a packet\n", 1},  // "--" ends the options
      {{"<02>0000<1B>SVN<04>junk"}, "", svn + "junk  not a packet: bytes outside a packet\n", 1},
      {{"<02>0102"}, "", "<02>0102  not a packet: packet cut off at the end of the input\n", 1},
      // Arguments are UTF-8, packets Latin-1; token text is ASCII, descriptions UTF-8.
      {{"<02>0105<0C><12>caf\xC3\xA9<04>"},
       "",
       "<02>0105<0C><12>caf<E9><04>  MRQ to group 01 unit 05: clear-home ON, carriage-return "
       "OFF, flash OFF, message \"caf\xC3\xA9\"\n",
       0},
      {{"--hex", "E9 FF"}, "", "<E9><FF>  not a packet: bytes outside a packet\n", 1},
      // The characters "<1A>" are not the byte 0x1A.
      {{"--hex", "3C 31 41 3E 1A"},
       "",
       "<3C>1A<3E><1A>  not a packet: bytes outside a packet\n",
       1},
      {{"<3C>1A<3E><1A>"}, "", "<3C>1A<3E><1A>  not a packet: bytes outside a packet\n", 1},
      // So are they in a description; a '<' that starts no token reads as itself.
      {{"<02>0105<0C><12><3C>1A<3E><1A> <3C> 2<04>"},
       "",
       "<02>0105<0C><12><3C>1A<3E><1A> <3C> 2<04>  MRQ to group 01 unit 05: clear-home ON, "
       "carriage-return OFF, flash OFF, message \"<3C>1A><1A> < 2\"\n",
       0},
  };
  for (const Case& c : cases) {
    const Outcome r = Decode(c.args, c.input);
    EXPECT_EQ(r.out, c.out) << c.args[0];
    EXPECT_EQ(r.code, c.code) << c.args[0];
    EXPECT_EQ(r.err, "");
  }
}

// The token text of a line reads back as the very bytes, whatever they are; the description
// after it holds no control character of any kind, C1 and DEL included.
TEST(DecodeCommand, EveryByteReadsBackFromItsLine) {
  for (int b = 0; b < 256; ++b) {
    if (b == 0x02 || b == 0x04) continue;
    const std::string packet = std::string(
                                   "\x02"
                                   "0105\x0c\x12"
                                   "a ") +
                               static_cast<char>(b) + " c\x04";
    const std::string hex = protocol::HexText(packet);
    const std::string line = Decode({"--hex", hex}).out;
    const std::string tokens = line.substr(0, line.find("  "));
    EXPECT_EQ(std::get<std::string>(protocol::ReadTokenText(tokens)), packet) << b;
    const QString description = QString::fromStdString(line.substr(tokens.size() + 2)).chopped(1);
    EXPECT_TRUE(description.startsWith("MRQ to group 01 unit 05")) << b;
    for (QChar c : description) EXPECT_TRUE(c.isPrint()) << b << " " << line;
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(Decode({"--json", "--hex", hex}).out))
            .object();
    EXPECT_EQ(json["text"].toString().toStdString(), tokens) << b;
    EXPECT_EQ(json["hex"].toString().toStdString(), hex) << b;
    EXPECT_EQ(json["description"].toString(), description) << b;
  }
}

TEST(DecodeCommand, BadUsageExitsTwoWithOneClearLine) {
  const std::vector<std::string> cases[] = {
      {},
      {"--json"},
      {"--bogus"},
      {"--hex"},
      {"--hex", "023"},
      {"--hex", "0G"},
      {"--hex", "02", "<04>"},
      {"--file", "a", "-"},
      {"--file", "/nonexistent/tvx-capture.bin"},
      {"--file", std::filesystem::temp_directory_path().string()},
      {"--file", "/dev/zero"},  // a device reads forever: standard input is the live way
      // Token text that would lose a character is refused, not decoded without it.
      {"<02>0000<1B>SVN<04>", "<02>0000<GG>SVN<04>"},
      {"<02>0000<1B>SVN<04"},
      {"a>b"},
      {"\xE6\x97\xA5"},
  };
  for (const auto& args : cases) {
    const Outcome r = Decode(args);
    EXPECT_EQ(r.code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.starts_with("tvxorm decode: ")) << r.err;
  }
}

TEST(DecodeCommand, JsonLinesCarryTheFieldsInPacketOrder) {
  const Outcome r =
      Decode({"--json", "<02>0102<1B>NUM1R2C1234N1A<04>XY<02>0000<1B>SSN00042<1B>SOR1<04>"});
  EXPECT_EQ(r.code, 1);
  std::istringstream lines(r.out);
  std::vector<QJsonObject> objects;
  for (std::string line; std::getline(lines, line);) {
    QJsonParseError error;
    objects.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object());
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
  }
  ASSERT_EQ(objects.size(), 3u);
  auto keys = [](const QJsonObject& o) {
    QString out;
    for (const char* key : {"kind", "text", "command", "code", "envelope", "address", "group",
                            "unit", "serial", "reason", "description"}) {
      if (o.contains(key)) out += QString(key) + "=" + o[key].toString() + ";";
    }
    return out.toStdString();
  };
  EXPECT_EQ(
      keys(objects[0]),
      "kind=packet;text=<02>0102<1B>NUM1R2C1234N1A<04>;command=NUM;code=NUM;envelope=group-unit;"
      "address=0102;group=01;unit=02;description=NUM to group 01 unit 02: row 1, column 2, "
      "number 1234, attribute ON;");
  EXPECT_NE(r.out.find(R"("fields":{"row":"1","column":"2","number":"1234","attribute":"ON"})"),
            std::string::npos);
  EXPECT_EQ(keys(objects[1]),
            "kind=error;text=XY;reason=bytes outside a packet;description=not a packet: "
            "bytes outside a packet;");
  EXPECT_EQ(objects[2]["envelope"].toString() + objects[2]["serial"].toString(),
            "serial-number00042");
  EXPECT_EQ(objects[2]["fields"].toObject(), (QJsonObject{{"series", "614"}}));
}

TEST(DecodeCommand, FileIsStreamedAcrossChunkBoundaries) {
  // 79-byte packets against 64 KiB chunks: many packets straddle a chunk boundary.
  std::string sgu = std::string("\x02") + "0000\x1bSSN12345\x1bSGU";
  for (int i = 0; i < 15; ++i) sgu += "0102";
  const auto path = std::filesystem::temp_directory_path() / "tvx_decode_command_test.bin";
  std::ofstream(path, std::ios::binary) << [&] {
    std::string all;
    for (int i = 0; i < 5000; ++i) all += sgu + "\x04";
    return all +
           "\x02"
           "01";
  }();
  const Outcome r = Decode({"--file", path.string()});
  std::filesystem::remove(path);
  EXPECT_EQ(r.code, 1);
  std::size_t packets = 0;
  for (std::size_t at = 0; (at = r.out.find("  SGU to serial # 12345: ds1-group 01, ds1-unit 02",
                                            at)) != std::string::npos;
       ++at) {
    ++packets;
  }
  EXPECT_EQ(packets, 5000u);
  EXPECT_TRUE(r.out.ends_with("\n<02>01  not a packet: packet cut off at the end of the input\n"));
}

TEST(DecodeCommand, RefusalsNameTheArgumentAndTheCharacter) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"<02>0000<1B>SVN<04>", "<02>0000<GG>SVN<04>"},
       "argument 2: '<GG>' at character 9 is no byte: a token is <00> to <FF>\n"},
      {{"<02>0000<1B>SVN<04"},
       "argument 1: '<04' at character 16 opens a token that is not closed; a '<' of the text "
       "is <3C>\n"},
      {{"1 > 0"}, "argument 1: '>' at character 3 closes no token; a '>' of the text is <3E>\n"},
      {{"ab\xE6\x97\xA5"},
       "argument 1: character 3, '\xE6\x97\xA5' (U+65E5), is no byte; a packet holds U+0000 to "
       "U+00FF\n"},
      {{"--file", "/dev/zero"},
       "cannot read '/dev/zero': not a regular file; give a device or a pipe as standard input: "
       "-\n"},
  };
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(Decode(args).err, "tvxorm decode: " + message);
  }
}

#if defined(__unix__)
TEST(DecodeCommand, APipeGivenAsAFileIsRefusedNotWaitedFor) {
  testing::TempDir dir;
  const std::string fifo = dir.File("capture.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const Outcome r = Decode({"--file", fifo});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
}
#endif

// Hands out its pieces one read at a time, and notes what had been printed before each next
// one was asked for: a serial line does not say when it will send more.
class Trickle : public std::streambuf {
 public:
  Trickle(std::vector<std::string> pieces, const std::ostringstream& out)
      : pieces_(std::move(pieces)), out_(out) {}
  std::vector<std::string> printed_before;

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (next_ > 0) printed_before.push_back(out_.str());
    if (next_ == pieces_.size()) return traits_type::eof();
    current_ = pieces_[next_++];
    setg(current_.data(), current_.data(), current_.data() + current_.size());
    return traits_type::to_int_type(*gptr());
  }
  std::streamsize showmanyc() override { return 0; }  // nothing more is known to be waiting

 private:
  std::vector<std::string> pieces_;
  std::size_t next_ = 0;
  std::string current_;
  const std::ostringstream& out_;
};

TEST(DecodeCommand, StandardInputPrintsEachItemOnceItIsComplete) {
  const std::string svn = std::string("\x02") + "0000\x1bSVN\x04";
  const std::string line = "<02>0000<1B>SVN<04>  SVN to the whole bus (0000)\n";
  std::ostringstream out, err;
  Trickle source({svn + "\x02" + "00", std::string("00\x1bSVN\x04") + "xy", svn}, out);
  std::istream in(&source);
  EXPECT_EQ(RunDecode({"-"}, in, out, err), 1);
  const std::string all = line + line + "xy  not a packet: bytes outside a packet\n" + line;
  EXPECT_EQ(source.printed_before, (std::vector<std::string>{line, line + line, all}));
  EXPECT_EQ(out.str(), all);
}

// Endless bytes, as from a device: counts what was taken.
class Endless : public std::streambuf {
 public:
  std::size_t taken = 0;

 protected:
  int_type underflow() override {
    if (taken > 64 * 1024 * 1024) return traits_type::eof();  // the test's own bound
    taken += chunk_.size();
    setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
    return traits_type::to_int_type(*gptr());
  }

 private:
  std::string chunk_ = std::string(4096, '\x04');
};

TEST(DecodeCommand, OutputThatCannotBeWrittenEndsTheRunWithItsReason) {
  const std::vector<std::string> cases[] = {
      {"<02>0000<1B>SVN<04>"}, {"--json", "--hex", "02 04"}, {"--help"}};
  for (const auto& args : cases) {
    std::istringstream in;
    testing::FailStream out;
    std::ostringstream err;
    EXPECT_EQ(RunDecode(args, in, out, err), 2) << args[0];
    EXPECT_EQ(err.str(), "tvxorm decode: cannot write the output: No space left on device\n");
  }
  // A live source is read no further once nobody takes what it gives.
  Endless endless;
  std::istream in(&endless);
  testing::FailStream out;
  std::ostringstream err;
  EXPECT_EQ(RunDecode({"-"}, in, out, err), 2);
  EXPECT_LT(endless.taken, 1024u * 1024u);
}

// A line that fails mid-read (a serial adapter pulled out): what came before is decoded, the
// reason follows.
class Failing : public std::streambuf {
 protected:
  int_type underflow() override {
    if (done_) {
      errno = EIO;
      throw std::ios_base::failure("read");
    }
    done_ = true;
    setg(svn_.data(), svn_.data(), svn_.data() + svn_.size());
    return traits_type::to_int_type(*gptr());
  }

 private:
  bool done_ = false;
  std::string svn_ = std::string("\x02") + "0000\x1bSVN\x04";
};

TEST(DecodeCommand, InputThatFailsMidReadSaysWhy) {
  Failing failing;
  std::istream in(&failing);
  std::ostringstream out, err;
  EXPECT_EQ(RunDecode({"-"}, in, out, err), 2);
  EXPECT_EQ(out.str(), "<02>0000<1B>SVN<04>  SVN to the whole bus (0000)\n");
  EXPECT_EQ(err.str(), "tvxorm decode: cannot read standard input: Input/output error\n");
}

TEST(DecodeCommand, HelpSaysWhatEachInputIs) {
  const Outcome r = Decode({"--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.starts_with("Usage: tvxorm decode [--json]")) << r.out;
  for (const char* input : {"TOKEN_TEXT", "--hex HEX", "--file FILE", "--json", "\n  -  "}) {
    EXPECT_NE(r.out.find(input), std::string::npos) << input;
  }
}

}  // namespace
}  // namespace tvx::app

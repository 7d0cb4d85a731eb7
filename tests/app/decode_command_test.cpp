#include "app/decode_command.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "console/script.h"
#include "protocol/decode.h"

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
      // Arguments are UTF-8, packets Latin-1, and lines UTF-8 again.
      {{"<02>0105<0C><12>caf\xC3\xA9<04>"},
       "",
       "<02>0105<0C><12>caf\xC3\xA9<04>  MRQ to group 01 unit 05: clear-home ON, carriage-return "
       "OFF, flash OFF, message \"caf\xC3\xA9\"\n",
       0},
      {{"--hex", "E9 FF"}, "", "\xC3\xA9\xC3\xBF  not a packet: bytes outside a packet\n", 1},
  };
  for (const Case& c : cases) {
    const Outcome r = Decode(c.args, c.input);
    EXPECT_EQ(r.out, c.out) << c.args[0];
    EXPECT_EQ(r.code, c.code) << c.args[0];
    EXPECT_EQ(r.err, "");
  }
}

// Lines show every byte as the packet box shows it, in the packet text and in a message
// inside the description.
TEST(DecodeCommand, EveryByteIsShownAsThePacketBoxShowsIt) {
  for (int b = 0; b < 256; ++b) {
    if (b == 0x02 || b == 0x04) continue;
    const std::string packet = std::string(
                                   "\x02"
                                   "0105\x0c\x12"
                                   "ab") +
                               static_cast<char>(b) + "c\x04";
    std::string hex;
    for (unsigned char c : packet)
      hex += "0123456789ABCDEF"[c >> 4] + std::string(1, "0123456789ABCDEF"[c & 15]);
    const std::string line =
        console::PrintableValue(packet) + "  " +
        console::PrintableValue(protocol::Describe(protocol::DecodePacket(packet)));
    EXPECT_EQ(Decode({"--hex", hex}).out, line + "\n") << b;
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

}  // namespace
}  // namespace tvx::app

#include "app/decode_command.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
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

const std::string kSvnLine = "<02>0000<1B>SVN<04>  SVN to the whole bus (0000)\n";

TEST(DecodeCommand, EachInputFormGivesTheSameLines) {
  const std::vector<std::string> inputs[] = {
      {"<02>0000<1B>SVN<04>"},
      {"<02>0000<1b>", "SVN<04>"},  // several arguments are one stream
      {"--hex", "02 30 30 30 30 1B 53 56 4E 04"},
      {"--hex", "02303030301b53564e04"},
  };
  for (const auto& args : inputs) {
    const Outcome r = Decode(args);
    EXPECT_EQ(r.code, 0) << args[0];
    EXPECT_EQ(r.out, kSvnLine) << args[0];
    EXPECT_EQ(r.err, "");
  }
  const Outcome piped = Decode({"-"},
                               "\x02"
                               "0000\x1bSVN\x04");
  EXPECT_EQ(piped.out, kSvnLine);
}

TEST(DecodeCommand, TextAboveAsciiStaysValidUtf8BothWays) {
  // The argument is UTF-8; the packet carries the Latin-1 byte E9; the line shows UTF-8 again.
  const Outcome r = Decode({"<02>0105<0C><12>caf\xC3\xA9<04>"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "<02>0105<0C><12>caf\xC3\xA9<04>  MRQ to group 01 unit 05: clear-home ON, "
            "carriage-return OFF, flash OFF, message \"caf\xC3\xA9\"\n");
  const Outcome stray = Decode({"--hex", "E9 FF"});
  EXPECT_EQ(stray.code, 1);
  EXPECT_EQ(stray.out, "\xC3\xA9\xC3\xBF  not a packet: bytes outside a packet\n");
}

// Lines are written with a copy of console::PrintableValue's rule: the two must agree on
// every byte, in the packet text and in a message inside the description.
TEST(DecodeCommand, EveryByteIsShownAsThePacketBoxShowsIt) {
  for (int b = 0; b < 256; ++b) {
    if (b == 0x02 || b == 0x04) continue;
    const std::string packet = std::string(
                                   "\x02"
                                   "0105\x0c\x12"
                                   "ab") +
                               static_cast<char>(b) + "c\x04";
    char hex[4];
    std::string typed;
    for (unsigned char c : packet) {
      std::snprintf(hex, sizeof hex, "%02X", c);
      typed += hex;
    }
    const Outcome r = Decode({"--hex", typed});
    const auto items = protocol::Decode(packet);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(r.out, console::PrintableValue(packet) + "  " +
                         console::PrintableValue(protocol::Describe(items[0])) + "\n")
        << b;
  }
}

TEST(DecodeCommand, ExitStatusSaysWhetherEveryItemWasAPacket) {
  struct Case {
    std::vector<std::string> args;
    int code;
  };
  const Case cases[] = {
      {{"<02>0000<1B>SVN<04>", "<02>0102<1B>1<04>"}, 0},
      {{"<02>0000<1B>SVN<04>junk"}, 1},
      {{"<02>0102<1B>XYZ<04>"}, 1},
      {{"<02>0102"}, 1},
      {{"--json", "<02>0102<1B>XYZ<04>"}, 1},
      {{""}, 0},  // nothing at all is not an error
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.args).code, c.code) << c.args[0];
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
    const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
    objects.push_back(doc.object());
  }
  ASSERT_EQ(objects.size(), 3u);
  const QJsonObject& num = objects[0];
  EXPECT_EQ(num["kind"].toString(), "packet");
  EXPECT_EQ(num["text"].toString(), "<02>0102<1B>NUM1R2C1234N1A<04>");
  EXPECT_EQ(num["command"].toString(), "NUM");
  EXPECT_EQ(num["code"].toString(), "NUM");
  EXPECT_EQ(num["envelope"].toString(), "group-unit");
  EXPECT_EQ(num["address"].toString(), "0102");
  EXPECT_EQ(num["group"].toString(), "01");
  EXPECT_EQ(num["unit"].toString(), "02");
  EXPECT_FALSE(num.contains("serial"));
  EXPECT_EQ(num["description"].toString(),
            "NUM to group 01 unit 02: row 1, column 2, number 1234, attribute ON");
  EXPECT_EQ(num["fields"].toObject(),
            (QJsonObject{{"row", "1"}, {"column", "2"}, {"number", "1234"}, {"attribute", "ON"}}));
  const std::string first = r.out.substr(0, r.out.find('\n'));
  EXPECT_NE(first.find(R"("fields":{"row":"1","column":"2","number":"1234","attribute":"ON"})"),
            std::string::npos);

  EXPECT_EQ(objects[1]["kind"].toString(), "error");
  EXPECT_EQ(objects[1]["text"].toString(), "XY");
  EXPECT_EQ(objects[1]["reason"].toString(), "bytes outside a packet");

  EXPECT_EQ(objects[2]["envelope"].toString(), "serial-number");
  EXPECT_EQ(objects[2]["serial"].toString(), "00042");
  EXPECT_EQ(objects[2]["fields"].toObject(), (QJsonObject{{"series", "614"}}));
}

TEST(DecodeCommand, FileIsStreamedAcrossChunkBoundaries) {
  // 79-byte packets against 64 KiB chunks: many packets straddle a chunk boundary.
  std::string sgu =
      "\x02"
      "0000\x1bSSN12345\x1bSGU";
  for (int i = 0; i < 15; ++i) sgu += "0102";
  sgu += "\x04";
  const auto path = std::filesystem::temp_directory_path() / "tvx_decode_command_test.bin";
  {
    std::ofstream file(path, std::ios::binary);
    for (int i = 0; i < 5000; ++i) file << sgu;
    file << "\x02"
            "01";
  }
  const Outcome r = Decode({"--file", path.string()});
  std::filesystem::remove(path);
  EXPECT_EQ(r.code, 1);
  std::istringstream lines(r.out);
  int packets = 0;
  std::string line, last;
  while (std::getline(lines, line)) {
    if (line.find("  SGU to serial # 12345: ds1-group 01, ds1-unit 02") != std::string::npos) {
      ++packets;
    }
    last = line;
  }
  EXPECT_EQ(packets, 5000);
  EXPECT_EQ(last, "<02>01  not a packet: packet cut off at the end of the input");
}

}  // namespace
}  // namespace tvx::app

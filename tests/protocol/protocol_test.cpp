#include <gtest/gtest.h>

#include "protocol/display.h"
#include "protocol/numeric.h"
#include "protocol/token_conversion.h"
#include "tests/support/fake_comm.h"

namespace tvx::protocol {
namespace {

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

struct TokenCase {
  const char* typed;
  const char* hex;
};

TEST(TokenConversion, TypedPacketsBecomeExactBytes) {
  const TokenCase cases[] = {
      {"<02>0105<1B>NUM12N<04>", "02 30 31 30 35 1B 4E 55 4D 31 32 4E 04"},
      {"<1b>", "1B"},
      {"<1B>", "1B"},
      {"<002>", "02"},
      {"<00>", "00"},
      {"<FF>", "FF"},
      {"<ff>", "FF"},
      {"<0000000041>", "41"},
      {"A<100>B", "41 42"},    // above 0xFF: no byte, the rest still goes
      {"ABC<04", "41 42 43"},  // a token never closed is dropped
      {"<02<1B>", "1B"},       // a second "<" restarts the token
      {"   ", "20 20 20"},     // spaces are data
      {"<04", ""},             // nothing at all is left
      {"A<>B", "41 42"},       // an empty token yields nothing
      {"A<G1>B", "41 42"},     // not hexadecimal
      {"A<-1>B", "41 42"},     // nor is a sign
      {"A<FFFF>B", "41 42"},   // 16 bits, but not a byte
      {"A<12345>B", "41 42"},  // beyond 16 bits
      {"A>B", "41 42"},        // ">" outside any token
      {"<41>>", "41"},         // the second ">" is outside any token
      {"a b<0D><0A>", "61 20 62 0D 0A"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(ConvertTokens(c.typed)), c.hex) << c.typed;
  }
}

TEST(TokenConversion, EveryByteValueSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string typed;
  for (int b = 0; b < 256; ++b) typed += Token(static_cast<unsigned char>(b));
  EXPECT_EQ(ConvertTokens(typed), all);
  // The display form turns control bytes into tokens, so it converts back as well.
  EXPECT_EQ(ConvertTokens(DisplayForm(std::string(all.begin(), all.begin() + 0x3C))),
            std::string(all.begin(), all.begin() + 0x3C));
}

TEST(Display, ControlBytesShowAsUpperCaseTokens) {
  EXPECT_EQ(DisplayForm(std::string("\x02"
                                    "0105\x1bNUM12N1A\x04")),
            "<02>0105<1B>NUM12N1A<04>");
  EXPECT_EQ(DisplayForm(std::string("\x0c\x0d\x10\x12\x1f ~", 7)), "<0C><0D><10><12><1F> ~");
  EXPECT_EQ(DisplayForm(std::string(1, '\0')), "<00>");
}

struct NumberCase {
  const char* text;
  std::optional<std::int16_t> value;
};

TEST(Numeric, SixteenBitRule) {
  const NumberCase cases[] = {
      {"0", 0},
      {"7", 7},
      {"07", 7},
      {"-1", -1},
      {"+5", 5},
      {" 12 ", 12},
      {"32767", 32767},
      {"-32768", -32768},
      {"32768", {}},
      {"-32769", {}},
      {"2.5", 2},
      {"3.5", 4},
      {"0.4", 0},
      {".5", 0},
      {"1.", 1},
      {"", {}},
      {" ", {}},
      {"ab", {}},
      {"1x", {}},
      {"1 2", {}},
      {"1e3", {}},
      {"&H10", {}},
      {"-", {}},
      {".", {}},
      {"1.2.3", {}},
      {"0000000000000000000042", 42},
      // Rounded on the exact decimal, never through a binary fraction.
      {"1.49999999999999999999", 1},
      {"2.50000000000000000001", 3},
      {"-2.5", -2},
      {"-3.5", -4},
      {"32767.5", {}},
      {"-32768.5", -32768},
      {"32767.4999", 32767},
      {"-0", 0},
      {"99999999999999999999999", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToInt16(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_EQ(ToInt16("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(ToInt32("99999"), 99999);
  EXPECT_EQ(ToInt32("2147483648"), std::nullopt);
  EXPECT_EQ(ToNumber("2.5"), 2.5);
  EXPECT_EQ(ToNumber("-0.25"), -0.25);
}

TEST(Numeric, RangesAreComparedExactly) {
  const std::pair<const char*, bool> tunes[] = {
      {"0", true},
      {"255", true},
      {"255.0", true},
      {"2.5", true},
      {"-0", true},
      {"256", false},
      {"-0.0001", false},
      {"255.0000000000000000001", false},
      {"254.9999999999999999999", true},
      {"abc", false},
      {"", false},
  };
  for (const auto& [text, accepted] : tunes)
    EXPECT_EQ(NumberWithin(text, 0, 255), accepted) << text;
  EXPECT_TRUE(NumberWithin("-5", -5, 5));
  EXPECT_FALSE(NumberWithin("-5.1", -5, 5));
  EXPECT_FALSE(NumberWithin("-4.9", -10, -5));
  EXPECT_TRUE(NumberWithin("-5.5", -10, -5));
}

}  // namespace
}  // namespace tvx::protocol

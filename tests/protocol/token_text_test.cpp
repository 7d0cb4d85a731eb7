// Token text in both directions: what our outputs print reads back as the very bytes, and the
// strict reader refuses what the packet box's conversion would drop unseen.
#include <gtest/gtest.h>

#include "protocol/display.h"
#include "protocol/token_conversion.h"

namespace tvx::protocol {
namespace {

std::string Read(std::string_view text) {
  const auto read = ReadTokenText(text);
  if (const auto* fault = std::get_if<TokenTextFault>(&read)) {
    return "fault at " + std::to_string(fault->at) + ": '" + fault->text + "' " + fault->why;
  }
  return std::get<std::string>(read);
}

TEST(TokenText, TellsApartWhatThePacketBoxShowsAlike) {
  struct Case {
    std::string bytes, text;
  };
  const Case cases[] = {
      {"\x02"
       "0102\x1bNUM1234N1A\x04",
       "<02>0102<1B>NUM1234N1A<04>"},
      {"<1A>", "<3C>1A<3E>"},  // the characters, not the byte 0x1A
      {"\x1a", "<1A>"},
      {"a>b", "a<3E>b"},  // the packet box would drop a bare ">"
      {"\x7f\x80\x9f", "<7F><80><9F>"},
      {"\xa0\xe9\xff", "<A0><E9><FF>"},  // no character set decides how they look
      {std::string(1, '\0'), "<00>"},
      {"A B", "A B"},
      {"A  B", "A<20> B"},  // two blanks in a row end the token text of a line
      {"AB ", "AB<20>"},    // so does a blank at its end
      {" ", "<20>"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TokenText(c.bytes), c.text) << c.text;
    EXPECT_EQ(ConvertTokens(c.text), c.bytes) << c.text;
    EXPECT_EQ(Read(c.text), c.bytes) << c.text;
  }
}

TEST(TokenText, EveryByteInEveryNeighbourhoodReadsBack) {
  for (int b = 0; b < 256; ++b) {
    for (const char* around : {"", " ", "<", ">", "x"}) {
      const std::string bytes = around + std::string(1, static_cast<char>(b)) + around;
      const std::string text = TokenText(bytes);
      EXPECT_EQ(Read(text), bytes) << b;
      EXPECT_EQ(text.find("  "), std::string::npos) << b;
      for (char c : text) EXPECT_TRUE(c >= ' ' && c <= '~') << b;
    }
  }
}

TEST(ReadTokenText, RefusesWhatTheConversionWouldDrop) {
  struct Case {
    std::string typed, read;
  };
  const Case cases[] = {
      {"<02>0105<1b>NUM12N<04>",
       "\x02"
       "0105\x1bNUM12N\x04"},
      {"<002>", "\x02"},  // leading zeros, as the packet box reads them
      {"   ", "   "},
      {"caf\xe9", "caf\xe9"},
      {"A<GG>B", "fault at 1: '<GG>' is no byte: a token is <00> to <FF>"},
      {"A<100>B", "fault at 1: '<100>' is no byte: a token is <00> to <FF>"},
      {"A<>B", "fault at 1: '<>' is no byte: a token is <00> to <FF>"},
      {"A>B", "fault at 1: '>' closes no token; a '>' of the text is <3E>"},
      {"ABC<04", "fault at 3: '<04' opens a token that is not closed; a '<' of the text is <3C>"},
      {"<02<1B>", "fault at 0: '<02' opens a token that is not closed; a '<' of the text is <3C>"},
      {"<" + std::string(20, '0'),
       "fault at 0: '<00000000000...' opens a token that is not closed; a '<' of the text is "
       "<3C>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.typed), c.read) << c.typed;
}

}  // namespace
}  // namespace tvx::protocol

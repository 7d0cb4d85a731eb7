#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "andon/texts.h"
#include "console/journal.h"
#include "console/texts.h"
#include "tests/support/harness.h"

// A packet's pieces reach the link one by one and are handed on together once the packet is
// written, before the tick reports how it went.
namespace tvx::testing {
namespace {

constexpr char kGrid[] =
    "click AndonButton\ntype GroupText 1\ntype UnitText 2\n"
    "click ORM610R1(1)\nclick ORM610R3(12)\nclick ORM610R6(25)\n";

// After each piece that ends a packet: where the flushes belong.
std::vector<std::size_t> PacketEnds(const std::vector<std::string>& pieces) {
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (!pieces[i].empty() && pieces[i].back() == '\x04') ends.push_back(i + 1);
  }
  return ends;
}

std::vector<std::string> SerialPieces(const Harness& h) {
  std::vector<std::string> pieces;
  for (const FakeSerial::Piece& piece : h.serial.pieces) pieces.push_back(piece.bytes);
  return pieces;
}

struct SendCase {
  const char* name;
  std::string section;  // entered and filled in; Send follows
  std::int64_t ms;      // time to let pass after Send
  std::size_t packets;
};

const SendCase kSends[] = {
    {"NUM", "click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 1234\n", 100, 1},
    {"Test", "click TestButton\nclick GlobalButton\n", 100, 1},
    {"SVN", "click SVNButton\n", 100, 1},
    {"Misc", "click MiscButton\ntype PacketText <02>0105<1B>NUM12N<04>\n", 100, 1},
    {"andon grid", kGrid, 156 * 100, 3},
    {"refused: no address", "click NumButton\ntype NUMText 1234\n", 100, 0},
};

TEST(LinkFlush, EachPacketIsHandedOnOnceAfterItsLastPiece) {
  for (const bool tcp : {false, true}) {
    for (const SendCase& c : kSends) {
      Harness h;
      if (tcp) h.socket.state = window::kSckConnected;
      h.Run(c.section + "click SendButton\n");
      h.Advance(c.ms);
      const std::vector<std::string> pieces = tcp ? h.socket.pieces : SerialPieces(h);
      const auto& flushes = tcp ? h.socket.flushes : h.serial.flushes;
      EXPECT_EQ(flushes, PacketEnds(pieces)) << c.name << (tcp ? " on TCP" : " on serial");
      EXPECT_EQ(flushes.size(), c.packets) << c.name << (tcp ? " on TCP" : " on serial");
      EXPECT_TRUE((tcp ? h.serial.flushes : h.socket.flushes).empty()) << c.name;
    }
  }
}

// The line may fail only when handed the packet: that is a failed write like any other.
struct FailureCase {
  const char* name;
  std::string section;
  std::int64_t ms;
  bool tcp;
  std::string status;
};

TEST(LinkFlush, AFailedHandOverIsAFailedWriteInTheStatusAndTheJournal) {
  const FailureCase cases[] = {
      {"NUM on serial", kSends[0].section, 100, false, console::texts::SerialWriteFailed(1)},
      {"NUM on TCP", kSends[0].section, 100, true, console::texts::kTcpWriteFailed},
      {"Misc on serial", kSends[3].section, 100, false, console::texts::SerialWriteFailed(1)},
      {"andon grid", kGrid, 156 * 100, false, andon::texts::NotWrittenCompletely("01", "02")},
  };
  for (const FailureCase& c : cases) {
    Harness h;
    console::Journal journal({}, {}, [](protocol::Link) { return std::string("line failed"); });
    h.console.AttachJournal(journal);
    if (c.tcp) h.socket.state = window::kSckConnected;
    h.serial.fail_flush = h.socket.fail_flush = true;
    h.Run(c.section + "click SendButton\n");
    h.Advance(c.ms);
    EXPECT_EQ(h.w.StatusText->Text(), c.status) << c.name;
    ASSERT_EQ(journal.Entries().size(), 1u) << c.name;
    EXPECT_FALSE(journal.Entries().back().written) << c.name;
    EXPECT_EQ(journal.Entries().back().error, "line failed") << c.name;
    EXPECT_FALSE(journal.Entries().back().packets.empty()) << c.name << ": the bytes are listed";
  }
}

TEST(LinkFlush, SendAgainHandsTheEntryOnOnceAndSaysWhenTheLineFailed) {
  Harness h;
  console::Journal journal(
      {}, [](protocol::Link) { return std::string("Comm 1"); },
      [](protocol::Link) { return std::string("line failed"); });
  h.console.AttachJournal(journal);
  h.Run(std::string(kGrid) + "click SendButton\n");
  h.Advance(156 * 100);
  const console::JournalEntry grid = journal.Entries().back();
  const std::size_t pieces = h.serial.pieces.size();
  const std::size_t flushes = h.serial.flushes.size();

  EXPECT_TRUE(h.console.SendAgain(grid).ok);
  EXPECT_EQ(h.serial.flushes.size(), flushes + 1) << "three packets, one hand-over";
  EXPECT_EQ(h.serial.flushes.back(), pieces + 3);
  h.serial.fail_flush = true;
  const auto failed = h.console.SendAgain(grid);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.message, console::texts::NotSentAgain("Comm 1", "line failed"));
}

}  // namespace
}  // namespace tvx::testing

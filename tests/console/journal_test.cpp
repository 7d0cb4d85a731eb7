#include "console/journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/texts.h"
#include "tests/support/harness.h"

// The journal on the console's own links in virtual time: every byte that reaches a link is in
// exactly one entry, with the status line the operator saw.
namespace tvx::testing {
namespace {

using console::AndonTally;
using console::JournalEntry;
using protocol::Link;

class JournalTest : public ::testing::Test {
 protected:
  JournalTest()
      : journal(
            [this] {
              return console::JournalTime{++now_ms, 3600};
            },
            [this](Link link) {
              return link == Link::Tcp ? std::string("10.0.0.5:3001")
                                       : "Comm " + std::to_string(h.w.MSComm1.CommPort());
            },
            [](Link) { return std::string("the device is gone"); }) {
    h.console.AttachJournal(journal);
  }
  // Everything a link was given, in order.
  std::string LinkBytes(Link link) const {
    if (link == Link::Serial) return h.serial.Bytes();
    std::string bytes;
    for (const std::string& piece : h.socket.pieces) bytes += piece;
    return bytes;
  }
  std::string JournalBytes(Link link) const {
    std::string bytes;
    for (const JournalEntry& entry : journal.Entries()) {
      if (entry.link == link) bytes += entry.Bytes();
    }
    return bytes;
  }
  void ExpectEveryByteOnce() const {
    for (const Link link : {Link::Serial, Link::Tcp}) {
      EXPECT_EQ(JournalBytes(link), LinkBytes(link)) << "every byte once, in order";
    }
  }

  std::int64_t now_ms = 1'765'000'000'000;
  Harness h;
  console::Journal journal;
};

constexpr char kSend[] = "click SendButton\nwait 100\n";

TEST_F(JournalTest, EachSendIsOneEntryWithItsPacketsLinkAndStatusLine) {
  const struct {
    std::string script;
    bool tcp;
    std::vector<std::pair<std::string, std::string>> packets;  // command, address
  } cases[] = {
      {"click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 1234\n",
       false,
       {{"NUM", "0102"}}},
      {"click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 1234\n",
       true,
       {{"NUM", "0102"}}},
      // A typed line may hold several packets, or bytes that are none.
      {"click MiscButton\ntype PacketText <02>0105<1B>NUM12N<04><02>0106<1B>NUM12N<04>\n",
       false,
       {{"NUM", "0105"}, {"NUM", "0106"}}},
      {"click MiscButton\ntype PacketText hello\n", false, {{"", ""}}},
  };
  for (const auto& c : cases) {
    h.socket.state = c.tcp ? window::kSckConnected : window::kSckClosed;
    const std::size_t before = journal.Entries().size();
    h.Run("click CancelButton\n" + c.script + kSend);
    ASSERT_EQ(journal.Entries().size(), before + 1) << c.script;
    const JournalEntry& entry = journal.Entries().back();
    EXPECT_EQ(entry.link, c.tcp ? Link::Tcp : Link::Serial);
    EXPECT_EQ(entry.destination, c.tcp ? "10.0.0.5:3001" : "Comm 1");
    EXPECT_EQ(entry.status, h.w.StatusText->Text());
    EXPECT_TRUE(entry.written);
    EXPECT_FALSE(entry.resend);
    EXPECT_FALSE(entry.andon);
    ASSERT_EQ(entry.packets.size(), c.packets.size()) << c.script;
    for (std::size_t i = 0; i < c.packets.size(); ++i) {
      EXPECT_EQ(entry.packets[i].command, c.packets[i].first) << c.script;
      EXPECT_EQ(entry.packets[i].address, c.packets[i].second) << c.script;
    }
  }
  ExpectEveryByteOnce();
  // The time is taken when the first byte goes out, and only then.
  EXPECT_EQ(journal.Entries().front().time, (console::JournalTime{1'765'000'000'001, 3600}));
  EXPECT_EQ(journal.Entries().back().time.utc_ms, 1'765'000'000'004);
}

TEST_F(JournalTest, RefusalsWriteNoEntryAndFailedWritesSayWhy) {
  h.Run("click NumButton\ntype NUMText 1234\n" + std::string(kSend));
  EXPECT_TRUE(journal.Entries().empty()) << h.w.StatusText->Text();

  h.serial.fail_writes = true;
  h.Run("type GroupText 1\ntype UnitText 2\n" + std::string(kSend));
  ASSERT_EQ(journal.Entries().size(), 1u);
  const JournalEntry& entry = journal.Entries().back();
  EXPECT_FALSE(entry.written);
  EXPECT_EQ(entry.error, "the device is gone");
  EXPECT_EQ(entry.status, console::texts::SerialWriteFailed(1));
  EXPECT_EQ(entry.Command(), "NUM");
}

TEST_F(JournalTest, AnAndonGridIsOneEntryCompletedOrStoppedWithItsTally) {
  const std::string paint =
      "click CancelButton\nclick AndonButton\ntype GroupText 1\ntype UnitText 2\n"
      "click ORM610R1(1)\nclick ORM610R1(2)\nclick ORM610R4(7)\nclick ORM610R6(25)\n";
  h.Run(paint + "click SendButton\n");
  h.Advance(156 * 100);
  ASSERT_EQ(journal.Entries().size(), 1u);
  EXPECT_EQ(journal.Entries().back().andon, (AndonTally{4, 4, true}));
  EXPECT_EQ(journal.Entries().back().packets.size(), 4u);
  EXPECT_EQ(journal.Entries().back().status, h.w.StatusText->Text());
  EXPECT_EQ(journal.Entries().back().Command(), "AC1");

  // Stopped after row 4 column 7 went out: the entry ends with the Cancel, not at a later tick.
  // (On TCP, where Cancel is open between ticks.)
  h.socket.state = window::kSckConnected;
  h.Run(paint + "click SendButton\n");
  h.Advance(3 * 2600 + 700);
  EXPECT_TRUE(journal.Open());
  h.Run("click CancelButton\n");
  h.console.SettleJournal();
  ASSERT_EQ(journal.Entries().size(), 2u);
  EXPECT_EQ(journal.Entries().back().andon, (AndonTally{3, 4, false}));
  EXPECT_EQ(journal.Entries().back().link, Link::Tcp);
  ExpectEveryByteOnce();
}

TEST_F(JournalTest, SendAgainWritesTheSameBytesOnTheCurrentLinkAndIsJournaledAsSuch) {
  h.Run("click NumButton\ntype GroupText 1\ntype UnitText 2\ntype NUMText 77\n" +
        std::string(kSend));
  const JournalEntry first = journal.Entries().back();
  const std::string status = h.w.StatusText->Text();

  for (const bool tcp : {false, true}) {
    h.socket.state = tcp ? window::kSckConnected : window::kSckClosed;
    const Link link = tcp ? Link::Tcp : Link::Serial;
    const std::string before = LinkBytes(link);
    const auto outcome = h.console.SendAgain(first);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(LinkBytes(link), before + first.Bytes());
    EXPECT_EQ(tcp ? h.socket.pieces.back() : h.serial.pieces.back().bytes, first.Bytes());
    const JournalEntry& again = journal.Entries().back();
    EXPECT_TRUE(again.resend);
    EXPECT_EQ(again.packets, first.packets);
    EXPECT_EQ(again.link, tcp ? Link::Tcp : Link::Serial);
    EXPECT_EQ(again.status, outcome.message);
    EXPECT_EQ(h.w.StatusText->Text(), status) << "the console's status box is not touched";
  }

  // A link that does not take the bytes is never reported as sent.
  h.socket.state = window::kSckClosed;
  h.serial.fail_writes = true;
  const auto failed = h.console.SendAgain(first);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.message, console::texts::NotSentAgain("Comm 1", "the device is gone"));
  EXPECT_FALSE(journal.Entries().back().written);
  h.serial.fail_writes = false;

  // Not while a grid is going out: its packets would interleave with the grid's.
  h.Run(
      "click CancelButton\nclick AndonButton\ntype GroupText 1\ntype UnitText 2\n"
      "click ORM610R6(25)\nclick SendButton\nwait 500\n");
  const std::size_t entries = journal.Entries().size();
  const auto refused = h.console.SendAgain(first);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, console::texts::kResendDuringGrid);
  EXPECT_EQ(journal.Entries().size(), entries);
}

}  // namespace
}  // namespace tvx::testing

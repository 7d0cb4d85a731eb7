#include <gtest/gtest.h>

#include <limits>

#include "tests/support/fake_comm.h"
#include "window/main_window.h"
#include "window/timer.h"

namespace tvx::window {
namespace {

TEST(TextBox, TypingHonoursTheLimitButProgramWritesDoNot) {
  TextBox box("GroupText", 2);
  box.Type("12345");
  EXPECT_EQ(box.Text(), "12");
  EXPECT_EQ(box.Caret(), 2);
  box.SetText("12345");
  EXPECT_EQ(box.Text(), "12345");
  box.SetCaret(99);
  EXPECT_EQ(box.Caret(), 5);
  box.SetCaret(-3);
  EXPECT_EQ(box.Caret(), 0);
}

TEST(OptionButton, ExclusiveWithinItsContainerAndHandlingRunsOnlyOnChange) {
  Frame frame("CommPort", ControlKind::Frame);
  Frame other("elsewhere", ControlKind::Frame);
  OptionButton a("a", "A"), b("b", "B"), c("c", "C");
  a.SetContainer(&frame);
  b.SetContainer(&frame);
  c.SetContainer(&other);
  int a_runs = 0;
  a.on_click = [&] { ++a_runs; };
  c.Select();
  a.Select();
  a.Select();  // already selected: no handling
  EXPECT_EQ(a_runs, 1);
  a.Click();  // the operator's click always runs it
  EXPECT_EQ(a_runs, 2);
  b.MarkSelected();
  EXPECT_FALSE(a.Value());
  EXPECT_TRUE(b.Value());
  EXPECT_TRUE(c.Value()) << "another container's option is not affected";
  EXPECT_EQ(a_runs, 2);
}

TEST(Control, ReachableOnlyWhenItAndEveryContainerAreVisibleAndEnabled) {
  Frame outer("outer", ControlKind::Frame), inner("inner", ControlKind::Frame);
  Button button("b", ControlKind::Button);
  inner.SetContainer(&outer);
  button.SetContainer(&inner);
  EXPECT_TRUE(button.Reachable());
  outer.SetVisible(false);
  EXPECT_FALSE(button.Reachable());
  outer.SetVisible(true);
  inner.SetEnabled(false);
  EXPECT_FALSE(button.Reachable());
}

TEST(VirtualClock, FiresDueTimersInOrderAndRestartsOnIntervalChange) {
  VirtualClock clock;
  Timer fast("fast", 30, true), slow("slow", 100, true), off("off", 0, true);
  std::vector<std::string> log;
  auto note = [&](const char* name) { log.push_back(std::to_string(clock.Now()) + name); };
  fast.on_tick = [&] { note("f"); };
  slow.on_tick = [&] {
    note("s");
    slow.SetEnabled(false);  // one shot
  };
  off.on_tick = [&] { note("never"); };
  clock.Attach(fast);
  clock.Attach(slow);
  clock.Attach(off);
  clock.Advance(95);
  fast.SetInterval(50);  // restarts at 95
  clock.Advance(150);
  EXPECT_EQ(log, (std::vector<std::string>{"30f", "60f", "90f", "100s", "145f", "195f", "245f"}));
}

TEST(VirtualClock, EnablingAgainWhileRunningKeepsTheCountdown) {
  VirtualClock clock;
  Timer t("t", 100, true);
  int ticks = 0;
  t.on_tick = [&] { ++ticks; };
  clock.Attach(t);
  clock.Advance(60);
  t.SetEnabled(true);
  clock.Advance(40);
  EXPECT_EQ(ticks, 1);
}

// A timer whose ticks would change nothing is skipped over in whole ticks, so a wait of years
// returns at once; once something makes it busy it ticks on its own phase again.
TEST(VirtualClock, IdleTicksAreSkippedKeepingThePhaseAndTies) {
  struct Case {
    bool wake_first;  // the waking timer attached before the idle one
    std::int64_t wake_at;
    std::vector<std::int64_t> busy_ticks;
  };
  const Case cases[] = {
      {false, 1050, {1100, 1200, 1300}},
      {false, 1100, {1200, 1300, 1400}},  // the idle tick at 1100 comes first, still idle
      {true, 1100, {1100, 1200, 1300}},   // the wake-up at 1100 comes first
  };
  for (const Case& c : cases) {
    VirtualClock clock;
    Timer ticker("ticker", 100, true), wake("wake", static_cast<int>(c.wake_at), true);
    bool busy = false;
    std::vector<std::int64_t> ticks;
    int idle_fired = 0;
    ticker.idle = [&] { return !busy; };
    ticker.on_tick = [&] {
      if (!busy) ++idle_fired;
      ticks.push_back(clock.Now());
      busy = ticks.size() < 3;
    };
    wake.on_tick = [&] {
      busy = true;
      wake.SetEnabled(false);
    };
    if (c.wake_first) clock.Attach(wake);
    clock.Attach(ticker);
    if (!c.wake_first) clock.Attach(wake);
    clock.Advance(1'000'000'000'000);
    EXPECT_EQ(ticks, c.busy_ticks) << c.wake_at;
    EXPECT_EQ(idle_fired, 0);
    EXPECT_EQ(clock.Now(), 1'000'000'000'000);
  }
}

TEST(VirtualClock, TimeStopsAtItsLargestValueInsteadOfOverflowing) {
  VirtualClock clock;
  Timer t("t", 100, true);
  int ticks = 0;
  t.on_tick = [&] { ++ticks; };
  t.idle = [] { return true; };
  clock.Attach(t);
  clock.Advance(1);
  clock.Advance(std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(clock.Now(), std::numeric_limits<std::int64_t>::max());
  clock.Advance(5);
  EXPECT_EQ(clock.Now(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(ticks, 0);
}

TEST(FrmMain, InitialPropertiesOfTheWindowDefinition) {
  testing::FakeSerial serial;
  testing::FakeSocket socket;
  FrmMain w(serial, socket);
  EXPECT_FALSE(w.Timer1->Enabled());
  EXPECT_EQ(w.Timer1->Interval(), 50);
  EXPECT_TRUE(w.Timer3->Enabled());
  EXPECT_EQ(w.Timer3->Interval(), 0);
  EXPECT_FALSE(w.Timer4->Enabled());
  for (Control* c :
       {static_cast<Control*>(w.RemoteIPLabel), static_cast<Control*>(w.RemoteIPText),
        static_cast<Control*>(w.RemoteIPButton), static_cast<Control*>(w.RemotePortLabel),
        static_cast<Control*>(w.RemotePortText), w.SLIButton, w.SMBButton, w.SFDButton}) {
    EXPECT_FALSE(c->Visible()) << c->Name();
    EXPECT_FALSE(c->Enabled()) << c->Name();
  }
  EXPECT_EQ(w.RemotePortText->Text(), "3001");
  EXPECT_EQ(w.RemotePortText->MaxLength(), 6);
  EXPECT_EQ(w.RemoteIPText->MaxLength(), 15);
  EXPECT_EQ(w.StatusText->Text(), " This window provides status updates.\r\n");
  EXPECT_TRUE(w.PacketText->Locked());
  EXPECT_FALSE(w.ACKCheck->Enabled());
  EXPECT_EQ(w.Comm2Option->Caption(), "Comm2");
  for (OptionButton* o :
       {w.Comm1Option, w.Comm2Option, w.Comm3Option, w.Comm4Option, w.TCPOption}) {
    EXPECT_FALSE(o->Value());
  }
  EXPECT_EQ(w.SectionButtons().size(), 25u);
  EXPECT_EQ(w.controls.Find("txtSGUGroup(14)"), w.txtSGUGroup(14));
  EXPECT_EQ(w.controls.Find("ORM610R2(5)"), w.ORM610R2(5));
  EXPECT_EQ(w.ORM610R3(0)->Caption(), "3");
  EXPECT_EQ(w.ORM610C1(25)->Caption(), "25");
}

}  // namespace
}  // namespace tvx::window

namespace tvx::window {
namespace {

TEST(Hook, WiringAnEventTwiceStopsADebugBuild) {
#ifdef NDEBUG
  GTEST_SKIP() << "checked in debug builds";
#else
  Control c("c", ControlKind::Button);
  c.on_click = [] {};
  EXPECT_DEATH(
      c.on_click = [] {}, "already wired");
  auto handler = c.on_click.Take();
  c.on_click = [handler] { handler(); };  // rewiring is explicit
#endif
}

}  // namespace
}  // namespace tvx::window

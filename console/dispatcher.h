#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "links/link_output.h"
#include "protocol/packet.h"
#include "window/main_window.h"

namespace tvx::console {

using FlagMember = bool window::CommandFlags::*;

// Send arms Timer1; the next tick chooses the link and runs the branch of the command
// flag that is set. Branches are registered per flag by the command families.
class Dispatcher {
 public:
  using Branch = std::function<void()>;

  Dispatcher(window::FrmMain& w, links::LinkOutput& out);

  void Send();
  void Tick();

  void SetBranch(FlagMember flag, Branch branch);
  // Runs whenever Send arms a new send (the andon transmission restarts there).
  void OnSend(std::function<void()> hook) { on_send_ = std::move(hook); }

  // What branches share. Finish shows the packet, writes it, reports and stops the timer;
  // Refuse reports and stops the timer without sending.
  void Finish(const protocol::Packet& packet, const std::string& sent_message);
  void Refuse(const std::string& message);
  // The "sent" line, or the write-failure line when any piece of the packet failed.
  void ReportSent(const std::string& sent_message);
  links::LinkOutput& Out() { return out_; }
  window::FrmMain& Window() { return w_; }

 private:
  bool AddressCheck();
  void RunBranch(FlagMember flag);

  window::FrmMain& w_;
  links::LinkOutput& out_;
  std::vector<std::pair<FlagMember, Branch>> branches_;
  std::function<void()> on_send_;  // member pointers have no order
};

}  // namespace tvx::console

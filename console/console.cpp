#include "console/console.h"

#include "console/andon_branches.h"
#include "console/config_branches.h"
#include "console/display_branches.h"
#include "console/misc_branch.h"
#include "console/section_table.h"
#include "console/texts.h"

namespace tvx::console {

Console::Console(window::FrmMain& w)
    : w_(w),
      out_(w.MSComm1, w.Winsock1),
      ports_(w),
      tcp_(w),
      grid_(w),
      rows_(w, out_),
      dispatcher_(w, out_),
      sections_(w),
      keyboard_(
          w, [this] { dispatcher_.Send(); }, [this] { sections_.Cancel(); }) {
  AddSections(sections_, w_, grid_);
  RegisterMiscBranch(dispatcher_);
  RegisterDisplayBranches(dispatcher_);
  RegisterConfigBranches(dispatcher_);
  WireDisplayOptions(w_);
  RegisterAndonBranches(dispatcher_, grid_, rows_);
}

Console::~Console() {
  w_.controls.ClearHooks();
}

std::string WindowCaption(int major, int minor, int revision) {
  return std::string(texts::kApplicationTitle) + ", version " + std::to_string(major) + "." +
         std::to_string(minor) + std::to_string(revision);
}

void Console::Load() {
  w_.frmMain->SetCaption(WindowCaption(TVX_VERSION_MAJOR, TVX_VERSION_MINOR, TVX_VERSION_PATCH));
  sections_.HideAllDataFields();
  sections_.DisableSendControls();
  w_.CommandDataFrame->SetCaption("");
  sections_.ResetFlags();
  ports_.DefaultPortProbe();
}

}  // namespace tvx::console

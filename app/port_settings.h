#pragma once

#include <map>
#include <ostream>
#include <string>

#include "links/port_names.h"
#include "window/main_window.h"

namespace tvx::app {

// The devices assigned to Comm 1 to 4, remembered per user (QSettings) so that the next start,
// from the desktop menu too, uses them. An unreadable or corrupt settings file is ignored with
// one warning, and the defaults stand.
std::map<int, std::string> LoadPortAssignments(std::ostream& warnings);
// False when the settings could not be written.
[[nodiscard]] bool SavePortAssignments(const std::map<int, std::string>& devices);

// What a run uses: the remembered assignments, each overridden by --comm for this run.
std::map<int, std::string> MergedPorts(std::map<int, std::string> remembered,
                                       const std::map<int, std::string>& comm_options);

// Gives Comm 1 to 4 their devices (the platform's default where none is given). When the
// selected port's device changes, the port manager switches to it anew, with its own messages.
void ApplyPortAssignments(window::FrmMain& w, links::PortNames& names,
                          const std::map<int, std::string>& devices);

}  // namespace tvx::app

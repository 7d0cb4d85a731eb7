#pragma once

#include <string_view>

// Texts of the window's own, beside the console's: what each section button's command does.
namespace tvx::app::view_texts {

struct SectionTip {
  std::string_view caption;
  std::string_view tip;
};

inline constexpr SectionTip kSectionTips[] = {
    {"AC1", "AC1: send the 6 x 25 andon cell grid, one cell per tick"},
    {"AC2", "AC2: set one andon cell or sub-cell, or show characters in it"},
    {"MRQ", "MRQ: show a message on a marquee"},
    {"NUM", "NUM: show a number on a numeric display"},
    {"TU1", "TU1: play a tune"},
    {"TU2", "TU2: play a tune at twice the normal speed"},
    {"VL1", "VL1: set the tune volume and channel"},
    {"SL1", "SL1: set one row of a stack light"},
    {"SDM", "SDM: select a display template by number"},
    {"Misc", "Misc: send a packet typed in token text"},
    {"Test", "Test: run a lamp test on the addressed devices"},
    {"Clear", "Clear: clear the addressed devices"},
    {"Diag", "Diag: run the addressed devices' diagnostics"},
    {"Boot", "Boot: re-boot the bus's software"},
    {"SVN", "SVN: show the head-end controller's software version"},
    {"SS#", "SS#: give the listening device a new serial number"},
    {"SGU", "SGU: assign group and unit to a device by serial number"},
    {"SBT", "SBT: set a device's board type by serial number"},
    {"SBS", "SBS: set a device's board sub-type by serial number"},
    {"SLI", "SLI: set the LED intensity of every listening device"},
    {"SFD", "SFD: set a device's fader level by serial number"},
    {"SAC", "SAC: set a device's number of columns by serial number"},
    {"SMB", "SMB: set the marquee brightness of every listening device"},
    {"SOR", "SOR: set a device's series flag (610 or 614) by serial number"},
    {"SMD", "SMD: set a device's marquee detect mode by serial number"},
};

inline constexpr std::string_view kErrorTip = "The console refused or could not send";

}  // namespace tvx::app::view_texts

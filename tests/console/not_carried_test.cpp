#include <gtest/gtest.h>

#include "console/command_runner.h"

// A field the command's packets do not carry is refused with who the command reaches, not
// dropped: the operator of a command line cannot see which boxes the window greys out.
namespace tvx::console {
namespace {

TEST(NotCarried, FieldsThePacketLeavesOutAreRefusedWithWhoItReaches) {
  const std::vector<std::pair<CommandRequest, std::string>> cases = {
      {{"Boot", {{"serial", "31337"}}},
       "Boot has no field 'serial': it reaches every device on the bus (0000); its fields: none"},
      {{"SS#", {{"serial", "12345"}, {"group", "1"}, {"unit", "2"}}},
       "SS# has no field 'group': it reaches every device listening (ZYXWV); its fields: serial"},
      {{"SBT", {{"serial", "5"}, {"board-type", "3"}, {"unit", "2"}}},
       "SBT has no field 'unit': it reaches serial 00005; its fields: serial, board-type"},
      {{"SMD", {{"group", "01"}}},  // no serial: the reach comes from the catalogue
       "SMD has no field 'group': it reaches serial SERIAL; its fields: serial, detect"},
      {{"SLI", {{"serial", "5"}, {"intensity", "3"}}},
       "SLI has no field 'serial': it reaches every device listening (ZYXWV)"},
      {{"SDM", {{"template", "7"}, {"unit", "3"}}},
       "SDM has no field 'unit': it reaches every device on the bus (0000)"},
      {{"MRQ", {{"group", "1"}, {"unit", "5"}, {"message", "HI"}, {"serial", "12"}}},
       "MRQ sends serial only with auto-centre ON or OFF: it reaches group 01 unit 05"},
      {{"NUM", {{"group", "1"}, {"unit", "2"}, {"number", "5"}, {"column", "4"}}},
       "NUM sends column only with row: it reaches group 01 unit 02"},
      {{"AC2",
        {{"group", "1"},
         {"unit", "2"},
         {"row", "3"},
         {"column", "4"},
         {"characters", "AB"},
         {"sub-row", "1"}}},
       "AC2 sends sub-row only without characters: it reaches group 01 unit 02"},
      // Refused by its own check too: the reach is the catalogue's.
      {{"NUM", {{"number", "5"}, {"row", "1"}}},
       "NUM sends row only with column: it reaches group GROUP unit UNIT"},
  };
  for (const auto& [request, message] : cases) {
    const CommandOutcome o = RunCommand(request);
    EXPECT_EQ(o.kind, CommandOutcome::kBadUsage) << message;
    EXPECT_EQ(o.message.substr(0, message.size()), message);
    EXPECT_TRUE(o.pieces.empty());
  }
}

TEST(NotCarried, WhatGoesOutIsAcceptedAndSaysWhoItReaches) {
  const std::vector<std::pair<CommandRequest, std::string>> cases = {
      {{"MRQ", {{"group", "1"}, {"unit", "5"}, {"serial", "12"}, {"auto-centre", "OFF"}}},
       "serial 00012, then group 01 unit 05"},
      // Empty values carry nothing, so nothing is left out.
      {{"NUM", {{"group", "1"}, {"unit", "2"}, {"number", "5"}, {"row", ""}}}, "group 01 unit 02"},
      {{"AC2", {{"group", "1"}, {"unit", "2"}, {"row", "3"}, {"column", "4"}, {"primary", "G"}}},
       "group 01 unit 02"},
      {{"SS#", {{"serial", "42"}}}, "every device listening (ZYXWV)"},
      {{"Test", {{"group", "00"}, {"unit", "00"}}}, "every device (group 00 unit 00)"},
  };
  for (const auto& [request, reaches] : cases) {
    const CommandOutcome o = RunCommand(request);
    EXPECT_EQ(o.kind, CommandOutcome::kSent) << reaches << ": " << o.message;
    EXPECT_EQ(o.reaches, reaches);
  }
}

// A preset keeps what the window saved with it; only the fields given are the caller's.
TEST(NotCarried, APresetsOwnFieldsAreTheWindows) {
  CommandRequest request;
  request.preset = Preset{"boot", "Boot", {{"serial", "31337"}}};
  EXPECT_EQ(RunCommand(request).kind, CommandOutcome::kSent);
  request.fields = {{"serial", "1"}};
  EXPECT_EQ(RunCommand(request).kind, CommandOutcome::kBadUsage);
}

}  // namespace
}  // namespace tvx::console

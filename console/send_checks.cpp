#include "console/send_checks.h"

#include <variant>

#include "console/command_runner.h"
#include "console/script.h"
#include "protocol/catalogue.h"
#include "protocol/token_conversion.h"

namespace tvx::console {

std::optional<std::string> ForeignCharacterProblem(const std::string& name,
                                                   const std::string& utf8) {
  const auto foreign = FirstForeignCharacter(utf8);
  // The console would drop it, and send what is left as if it were what was asked for.
  if (!foreign) return std::nullopt;
  return "field '" + name + "': character " + std::to_string(foreign->at + 1) + ", " +
         CharacterText(*foreign) +
         ", cannot be sent; the console sends the characters U+0000 to U+00FF";
}

std::optional<std::string> MiscPacketProblem(const std::string& command,
                                             const std::string& packet_text) {
  if (CommandCaption(command) != protocol::NameOf(protocol::Command::kMisc)) return std::nullopt;
  const auto read = protocol::ReadTokenText(packet_text);
  const auto* fault = std::get_if<protocol::TokenTextFault>(&read);
  if (!fault) return std::nullopt;
  return std::string("field '") + protocol::fields::kPacket + "': '" + PrintableValue(fault->text) +
         "' at character " + std::to_string(fault->at + 1) + " " + fault->why;
}

}  // namespace tvx::console

#pragma once

#include <string>

#include "protocol/texts.h"

// Status lines of the andon transmission, exactly as operators know them.
namespace tvx::andon::texts {

inline std::string Transmitting(int row) {
  return "Transmitting Row " + std::to_string(row) + " settings.";
}
inline std::string Sent(const std::string& group, const std::string& unit) {
  return protocol::texts::SentTo("Andon Cell", group, unit);
}
inline std::string NotWrittenCompletely(const std::string& group, const std::string& unit) {
  return "ERROR: The 'Andon Cell' command could not be written completely to Group = " + group +
         ", Unit = " + unit;
}

}  // namespace tvx::andon::texts

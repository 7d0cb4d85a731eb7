#include "console/field_filling.h"

#include <algorithm>

#include "console/command_fields.h"
#include "protocol/catalogue.h"
#include "window/operator_events.h"

namespace tvx::console {

namespace {

std::string FieldNames(const std::vector<CommandField>& fields) {
  std::vector<std::string> names;
  names.reserve(fields.size());
  for (const CommandField& f : fields) names.push_back(f.name);
  return names.empty() ? "none" : Join(names);
}

// Fills one field as the operator would; what is wrong with the value, or nothing.
std::optional<std::string> Fill(const CommandField& field, const std::string& value) {
  if (field.box) {
    if (field.Limit() > 0 && static_cast<int>(value.size()) > field.Limit()) {
      return "field '" + field.name + "' takes at most " + std::to_string(field.Limit()) +
             " characters, not " + std::to_string(value.size());
    }
    window::OperatorType(*field.box, value);
    return std::nullopt;
  }
  const auto values = field.Values();
  const auto wanted = std::find_if(values.begin(), values.end(),
                                   [&](const std::string& v) { return SameLetters(v, value); });
  if (wanted == values.end()) {
    return "field '" + field.name + "' takes " + Join(values) + ", not '" + value + "'";
  }
  if (field.Value() == *wanted) return std::nullopt;
  if (*wanted == protocol::kNoChoice) {
    // A second click on the chosen button clears the choice.
    for (window::Control* c : field.choices) {
      if (ShortCaption(c->Caption()) == field.Value()) window::OperatorClick(*c);
    }
  } else {
    window::OperatorClick(*field.choices[wanted - values.begin()]);
  }
  return std::nullopt;
}

}  // namespace

bool SameLetters(const std::string& a, const std::string& b) {
  return protocol::SameName(a, b);
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

std::optional<std::string> EnterSection(window::FrmMain& w, const std::string& command) {
  for (window::Button* b : w.SectionButtons()) {
    if (!b->on_click || !SameLetters(b->Caption(), command)) continue;
    b->on_click();  // the service sections' buttons may be hidden; the section is not
    return b->Caption();
  }
  return std::nullopt;
}

std::optional<std::string> FillFields(window::FrmMain& w, const std::string& caption,
                                      const FieldValues& fields) {
  const auto section_fields = FieldsOf(w, caption);
  if (!section_fields) return "unknown command '" + caption + "'";
  std::vector<std::string> given;
  auto find = [&section_fields](const std::string& name) {
    return std::find_if(section_fields->begin(), section_fields->end(),
                        [&name](const CommandField& f) { return f.name == name; });
  };
  for (const auto& [name, value] : fields) {
    const auto field = find(name);
    if (field == section_fields->end()) {
      return caption + " has no field '" + name + "'; its fields: " + FieldNames(*section_fields);
    }
    if (std::find(given.begin(), given.end(), name) != given.end()) {
      return "field '" + name + "' is given twice";
    }
    given.push_back(name);
    if (auto wrong = Fill(*field, value)) return wrong;
  }
  for (const auto& [name, value] : fields) {
    const auto field = find(name);
    if (!field->box && !SameLetters(field->Value(), value)) {
      return "field '" + name + "' cannot be " + value + " together with the other fields given";
    }
  }
  return std::nullopt;
}

}  // namespace tvx::console

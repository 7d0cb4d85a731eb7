#include "console/serial_number.h"

#include "protocol/numeric.h"

namespace tvx::console {

namespace {
constexpr const char* kSernoMissing =
    "ERROR: You must specify the serial number of your target device before proceeding.";
constexpr const char* kSernoInvalid =
    "ERROR: The serial number must be non-negative consisting only of numbers 0-9 and must be no "
    "longer than 5 digits.";
}  // namespace

bool ValidateSerno(window::FrmMain& w) {
  w.GoodSerno = false;
  const std::string& text = w.SernoText->Text();
  if (text.empty()) {
    w.StatusText->SetText(kSernoMissing);
    return false;
  }
  const auto value = protocol::ToInt32(text);
  if (!value) {
    w.StatusText->SetText(kSernoInvalid);
    return false;
  }
  w.SernoVal = *value;
  if (*value < 0 || *value > 99999) {
    w.StatusText->SetText(kSernoInvalid);
    return false;
  }
  w.GoodSerno = true;
  std::string field = std::to_string(*value);
  w.SernoValStringSend = std::string(5 - field.size(), '0') + field;
  return true;
}

void ResetSerialState(window::FrmMain& w) {
  w.GoodSerno = false;
  w.SernoVal = -1;
  w.SernoValStringSend = "-1";
}

}  // namespace tvx::console

#include "console/keyboard.h"

#include <utility>

#include "window/key_codes.h"

namespace tvx::console {

using window::kAltAlone, window::kKeyEsc, window::kKeyF1, window::kKeyF2, window::kKeyK;
using window::kKeyLeftBracket, window::kKeyRightBracket, window::kShiftAlone;

using window::Control;
using Controls = std::initializer_list<Control*>;

Keyboard::Keyboard(window::FrmMain& w, std::function<void()> send, std::function<void()> cancel)
    : w_(w), send_(std::move(send)), cancel_(std::move(cancel)) {
  auto common = [this](int key, int shift) { CommonKey(key, shift); };
  for (Control* c : Controls{w.AC2SubColText,
                             w.AC2SubRowText,
                             w.ACKCheck,
                             w.AndonButton,
                             w.BootButton,
                             w.CancelButton,
                             w.ClearButton,
                             w.Comm1Option,
                             w.Comm2Option,
                             w.Comm3Option,
                             w.Comm4Option,
                             w.DiagButton,
                             w.F1Label,
                             w.F2Label,
                             w.GlobalButton,
                             w.GroupText,
                             w.MiscButton,
                             w.ModSNButton,
                             w.MRQAutoCenterLabel,
                             w.MRQAutoCenterOFF,
                             w.MRQAutoCenterON,
                             w.MrqButton,
                             w.MRQCHLabel,
                             w.MRQCHOFF,
                             w.MRQCHON,
                             w.MRQCRLabel,
                             w.MRQCROFF,
                             w.MRQFlashLabel,
                             w.MRQFlashOFF,
                             w.MRQFlashON,
                             w.MRQText,
                             w.NUMAttFF,
                             w.NUMAttFS,
                             w.NUMAttLabel,
                             w.NUMAttOFF,
                             w.NUMAttON,
                             w.NumButton,
                             w.NumColText,
                             w.NumRowText,
                             w.NUMText,
                             w.ORM610AttFF,
                             w.ORM610AttFS,
                             w.ORM610AttLabel,
                             w.ORM610AttOFF,
                             w.ORM610AttON,
                             w.ORM610ColLabel,
                             w.ORM610PriB,
                             w.ORM610PriG,
                             w.ORM610PriLabel,
                             w.ORM610PriR,
                             w.ORM610PriY,
                             w.ORM610RowLabel,
                             w.ORM610SecB,
                             w.ORM610SecG,
                             w.ORM610SecLabel,
                             w.ORM610SecR,
                             w.ORM610SecY,
                             w.RemoteIPButton,
                             w.RemoteIPLabel,
                             w.RemoteIPText,
                             w.SACButton,
                             w.SBTButton,
                             w.SBTText,
                             w.SendButton,
                             w.SernoText,
                             w.SFDButton,
                             w.SGUButton,
                             w.SLIButton,
                             w.SMBButton,
                             w.StatusText,
                             w.TestButton,
                             w.TuneButton,
                             w.TUNText}) {
    c->on_key_down = common;
  }
  for (int n = 1; n <= 6; ++n) {
    for (Control* c : w.AndonRow(n)) c->on_key_down = common;
  }
  for (const auto* array : {&w.ORM610C1, &w.ORM610R0C0}) {
    for (Control* c : *array) c->on_key_down = common;
  }
  for (const auto* array : {&w.txtSGUGroup, &w.txtSGUUnit}) {
    for (Control* c : *array) c->on_key_down = common;
  }

  auto function_keys_only = [this](int key, int) { FunctionKey(key); };
  w.UnitText->on_key_down = function_keys_only;
  for (Control* c : w.optSOR) c->on_key_down = function_keys_only;
  w.PacketText->on_key_down = [this](int key, int shift) { PacketKey(key, shift); };

  const std::pair<Control*, const char*> buttons[] = {
      {w.STXButton, "<02>"}, {w.ESCButton, "<1B>"}, {w.EOTButton, "<04>"}, {w.CntlB, "<02>"},
      {w.CntlC, "<03>"},     {w.CntlD, "<04>"},     {w.CntlE, "<05>"},     {w.CntlH, "<08>"},
      {w.CntlJ, "<0A>"},     {w.CntlL, "<0C>"},     {w.CntlM, "<0D>"},     {w.CntlP, "<10>"},
      {w.CntlR, "<12>"},     {w.CntlS, "<13>"},     {w.CntlT, "<14>"},     {w.CntlLeft, "<1B>"},
      {w.CntlColon, ":"},    {w.CntlDecimal, "."},  {w.CntlClear, nullptr}};
  for (const auto& [button, text] : buttons) {
    if (text) {
      button->on_click = [this, t = std::string(text)] { Append(t); };
    } else {
      button->on_click = [this] { w_.PacketText->SetText(""); };
    }
    button->on_key_down = [this](int key, int shift) { EditorKey(key, shift); };
  }

  std::vector<window::TextBox*> emptied = {
      w.AC2SubColText, w.AC2SubRowText,  w.ChannelText, w.DurationText, w.GroupText,
      w.MRQText,       w.NumColText,     w.NumRowText,  w.NUMText,      w.PriorityText,
      w.RemoteIPText,  w.RemotePortText, w.RepeatText,  w.SBSText,      w.SBTText,
      w.SecondsText,   w.SernoText,      w.SFDText,     w.SLIText,      w.SMBText1,
      w.SMBText2,      w.TUNText,        w.UnitText,    w.VolumeText};
  for (const auto* array : {&w.txtSGUGroup, &w.txtSGUUnit}) {
    for (window::TextBox* box : *array) emptied.push_back(box);
  }
  for (window::TextBox* box : emptied) box->on_dbl_click = [box] { box->SetText(""); };
}

void Keyboard::Append(const std::string& text) {
  w_.PacketText->SetText(w_.PacketText->Text() + text);
}

bool Keyboard::FunctionKey(int key) {
  if (key == kKeyF1) {
    send_();
    return true;
  }
  if (key == kKeyF2) {
    cancel_();
    return true;
  }
  return false;
}

void Keyboard::CommonKey(int key, int shift) {
  if (FunctionKey(key)) return;
  if (key == kKeyK && shift == kAltAlone) CommonToggle();
}

void Keyboard::PacketKey(int key, int) {
  if (key == kKeyEsc) {
    window::TextBox& box = *w_.PacketText;
    const std::string& text = box.Text();
    const std::size_t p = std::min<std::size_t>(box.Caret(), text.size());
    box.SetText(text.substr(0, p) + "<1B>" + text.substr(p));
    box.SetCaret(static_cast<int>(p) + 4);
  }
  FunctionKey(key);
}

void Keyboard::EditorKey(int key, int shift) {
  static constexpr char kShiftedDigits[] = ")!@#$%^&*(";
  if (w_.flags.MiscFlag) {
    if (key >= 'A' && key <= 'Z') {
      Append(std::string(1, static_cast<char>(key)));
    } else if (key >= '0' && key <= '9') {
      Append(std::string(
          1, shift == kShiftAlone ? kShiftedDigits[key - '0'] : static_cast<char>(key)));
    } else if (key == kKeyLeftBracket && shift != kShiftAlone) {
      Append("[");
    } else if (key == kKeyRightBracket && shift != kShiftAlone) {
      Append("]");
    } else if (key == kKeyEsc) {
      Append("<1B>");
    }
  }
  if (FunctionKey(key)) return;
  if (key == kKeyK && shift == kAltAlone) EditorToggle();
}

void Keyboard::CommonToggle() {
  const Controls service = {w_.SLIButton, w_.SMBButton, w_.SFDButton};
  if (w_.SLIButton->Visible()) {
    for (Control* c : service) c->SetVisible(false);
    return;
  }
  for (Control* c : service) c->SetVisible(true);
  if (!w_.CancelButton->Enabled()) {
    for (Control* c : Controls{w_.SLIButton, w_.SMBButton, w_.SFDButton, w_.SBTButton}) {
      c->SetEnabled(true);
    }
  }
}

void Keyboard::EditorToggle() {
  const Controls six = {w_.SLIButton,   w_.SMBButton, w_.SFDButton,
                        w_.ModSNButton, w_.SBTButton, w_.SACButton};
  if (w_.ModSNButton->Visible()) {
    for (Control* c : Controls{w_.SLIButton, w_.SMBButton, w_.SFDButton}) {
      c->SetVisible(false);
      c->SetEnabled(false);
    }
    for (Control* c : Controls{w_.ModSNButton, w_.SBTButton, w_.SACButton}) c->SetVisible(false);
    return;
  }
  for (Control* c : six) c->SetVisible(true);
  if (!w_.CancelButton->Enabled()) {
    for (Control* c : six) c->SetEnabled(true);
  }
}

}  // namespace tvx::console

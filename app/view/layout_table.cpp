#include "app/view/layout_table.h"

#include <unordered_map>
#include <vector>

namespace tvx::app {

namespace {

using Table = std::unordered_map<std::string, Place>;

struct Entry {
  const char* name;
  int x, y, w, h;
  TabGroup group = TabGroup::kNone;
};

constexpr TabGroup kSide = TabGroup::kSidebar;
constexpr TabGroup kFields = TabGroup::kCellFields;

// Frames, the address, links, send controls, status and the section fields that sit on
// their own. Labels share the row of their box so the texts line up.
constexpr Entry kFixed[] = {
    {"SelectFunctionFrame", 8, 4, 250, 186, kSide},
    {"SL1Button", 18, 196, 56, 28, kSide},
    {"SDMButton", 80, 196, 56, 28, kSide},

    {"AddressFrame", 8, 232, 250, 72, kSide},
    {"GroupLabel", 10, 18, 44, 16},
    {"GroupText", 10, 36, 40, 24},
    {"UnitLabel", 58, 18, 40, 16},
    {"UnitText", 58, 36, 40, 24},
    {"SernoLabel", 106, 18, 90, 16},
    {"SernoText", 106, 36, 60, 24},
    {"GlobalButton", 178, 34, 62, 28},

    {"CommPort", 8, 312, 250, 136, kSide},
    {"Comm1Option", 10, 20, 78, 20},
    {"Comm2Option", 90, 20, 78, 20},
    {"TCPOption", 170, 20, 74, 20},
    {"Comm3Option", 10, 44, 78, 20},
    {"Comm4Option", 90, 44, 78, 20},
    {"RemoteIPLabel", 10, 72, 42, 24},
    {"RemoteIPText", 54, 72, 120, 24},
    {"RemotePortLabel", 10, 102, 42, 24},
    {"RemotePortText", 54, 102, 60, 24},
    {"RemoteIPButton", 178, 100, 62, 28},
    {"ACKCheck", 16, 454, 200, 22, kSide},

    {"MainFrame", 266, 4, 1006, 600},
    {"SendButton", 10, 10, 90, 30},
    {"F1Label", 106, 10, 34, 30},
    {"CancelButton", 150, 10, 90, 30},
    {"F2Label", 246, 10, 34, 30},
    {"CommandDataFrame", 8, 46, 990, 546},

    {"StatusTextFrame", 8, 610, 1264, 104},
    {"StatusText", 4, 4, 1256, 96},

    // Inside "Command Data": the packet box below the section fields.
    {"PacketLabel", 10, 344, 80, 20},
    {"PacketText", 10, 366, 970, 110},
    {"CntlText", 10, 486, 124, 28},

    {"MRQTextLabel", 10, 22, 60, 24},
    {"MRQText", 74, 22, 700, 24},
    {"MRQFlashLabel", 10, 56, 110, 26},
    {"MRQFlashON", 124, 56, 44, 26},
    {"MRQFlashOFF", 172, 56, 44, 26},
    {"MRQAutoCenterLabel", 10, 88, 110, 26},
    {"MRQAutoCenterON", 124, 88, 44, 26},
    {"MRQAutoCenterOFF", 172, 88, 44, 26},
    {"MRQCHLabel", 10, 120, 110, 26},
    {"MRQCHON", 124, 120, 44, 26},
    {"MRQCHOFF", 172, 120, 44, 26},
    {"MRQCRLabel", 10, 152, 110, 26},
    {"MRQCRON", 124, 152, 44, 26},
    {"MRQCROFF", 172, 152, 44, 26},

    {"NUMAttLabel", 150, 22, 30, 26},
    {"NUMAttOFF", 184, 22, 40, 26},
    {"NUMAttON", 228, 22, 40, 26},
    {"NUMAttFS", 272, 22, 40, 26},
    {"NUMAttFF", 316, 22, 40, 26},
    {"AC2SubRowLabel", 616, 22, 56, 24, kFields},
    {"AC2SubRowText", 676, 22, 40, 24, kFields},
    {"AC2SubColLabel", 616, 54, 56, 24, kFields},
    {"AC2SubColText", 676, 54, 40, 24, kFields},
    {"AC2CharLabel", 500, 86, 130, 24, kFields},
    {"AC2CharLabel2", 500, 118, 280, 52, kFields},

    {"fraTune", 10, 20, 430, 120},
    {"TUNLabel", 10, 20, 84, 24},
    {"TUNText", 96, 20, 50, 24},
    {"SecondsLabel", 170, 20, 62, 24},
    {"SecondsText", 236, 20, 50, 24},
    {"RepeatLabel", 10, 52, 84, 24},
    {"RepeatText", 96, 52, 40, 24},
    {"DurationLabel", 170, 52, 62, 24},
    {"DurationText", 236, 52, 50, 24},
    {"PriorityLabel", 10, 84, 84, 24},
    {"PriorityText", 96, 84, 30, 24},

    {"fraVolume", 10, 20, 250, 90},
    {"VolumeLabel", 10, 20, 62, 24},
    {"VolumeText", 76, 20, 50, 24},
    {"ChannelLabel", 10, 52, 62, 24},
    {"ChannelText", 76, 52, 30, 24},

    {"SBTLabel", 10, 22, 90, 24},
    {"SBTText", 104, 22, 50, 24},
    {"SBSLabel", 10, 22, 100, 24},
    {"SBSText", 114, 22, 120, 24},
    {"SLILabel", 10, 22, 50, 24},
    {"SLIText", 64, 22, 40, 24},
    {"SFDLabel", 10, 22, 50, 24},
    {"SFDText", 64, 22, 40, 24},

    {"fraSMB", 10, 20, 200, 60},
    {"SMBLabel1", 10, 24, 20, 24},
    {"SMBText1", 32, 24, 40, 24},
    {"SMBLabel2", 96, 24, 20, 24},
    {"SMBText2", 118, 24, 40, 24},

    {"fraSGU", 10, 20, 690, 130},
    {"lblSGUGroup", 50, 18, 44, 18},
    {"lblSGUUnit", 94, 18, 40, 18},

    {"fraSOR", 10, 20, 360, 78},
    {"optSOR(0)", 12, 22, 330, 22},
    {"optSOR(1)", 12, 48, 330, 22},
    {"fraSMD", 10, 20, 360, 100},
    {"optSMD(0)", 12, 22, 330, 22},
    {"optSMD(1)", 12, 46, 330, 22},
    {"optSMD(2)", 12, 70, 330, 22},

    // Never shown: the grid's spare elements.
    {"ORM610C1(0)", 0, 0, 0, 0},
    {"ORM610R0C0(1)", 0, 0, 0, 0},
};

// Row, column and character fields: left in the numeric section (the stack light keeps only
// the row, on the first line); beside the pickers in the andon sub-cell section.
constexpr Entry kNumeric[] = {
    {"NUMLabel", 10, 22, 56, 24},    {"NUMText", 70, 22, 60, 24},
    {"NumRowLabel", 10, 54, 56, 24}, {"NumRowText", 70, 54, 40, 24},
    {"NumColLabel", 10, 86, 56, 24}, {"NumColText", 70, 86, 40, 24},
};
constexpr Entry kStackLight[] = {
    {"NumRowLabel", 10, 22, 56, 24},
    {"NumRowText", 70, 22, 40, 24},
};
constexpr Entry kAndonCell[] = {
    {"NumRowLabel", 500, 22, 56, 24, kFields}, {"NumRowText", 560, 22, 40, 24, kFields},
    {"NumColLabel", 500, 54, 56, 24, kFields}, {"NumColText", 560, 54, 40, 24, kFields},
    {"NUMText", 634, 86, 82, 24, kFields},
};

constexpr int kSectionColumns = 5;
constexpr const char* kSectionButtons[] = {
    "AndonButton", "AndonButton2", "MrqButton",  "NumButton",   "TuneButton",
    "Tunebutton2", "VolumeButton", "MiscButton", "TestButton",  "ClearButton",
    "DiagButton",  "BootButton",   "SVNButton",  "ModSNButton", "SGUButton",
    "SBTButton",   "SBSButton",    "SLIButton",  "SFDButton",   "SACButton",
    "SMBButton",   "SORButton",    "SMDButton",  "TIMButton",   "AW1Button"};

struct Sized {
  const char* name;
  int width;
};
constexpr Sized kControlCharacterButtons[] = {
    {"STXButton", 44}, {"ESCButton", 44}, {"EOTButton", 44},   {"CntlB", 30},    {"CntlC", 30},
    {"CntlD", 30},     {"CntlE", 30},     {"CntlH", 30},       {"CntlJ", 30},    {"CntlL", 30},
    {"CntlM", 30},     {"CntlP", 30},     {"CntlR", 30},       {"CntlS", 30},    {"CntlT", 30},
    {"CntlLeft", 30},  {"CntlColon", 30}, {"CntlDecimal", 30}, {"CntlClear", 56}};

// The andon grid: square cells, the header row and column in the same pitch.
constexpr int kGridX = 10, kGridY = 22, kCellSize = 26, kPitch = 28;
// The pickers beside the grid.
constexpr int kPickerX = 790, kPickerButtonX = 824, kPickerY = 22, kPickerPitchX = 40;
constexpr int kPickerPitchY = 32;

// Device sets: five pairs a row, each "DSn", group box, unit box.
constexpr int kSetColumns = 5, kSetX = 10, kSetY = 40, kSetPitchX = 134, kSetPitchY = 28;

void Put(Table& t, const std::string& name, QRect rect, TabGroup group = TabGroup::kNone) {
  t[name] = Place{rect, group};
}

void AddGrid(Table& t) {
  const auto at = [](int column, int row) {
    return QRect(kGridX + column * kPitch, kGridY + row * kPitch, kCellSize, kCellSize);
  };
  Put(t, "ORM610R0C0(0)", at(0, 0), TabGroup::kGrid);
  for (int i = 1; i <= 25; ++i) {
    Put(t, "ORM610C1(" + std::to_string(i) + ")", at(i, 0), TabGroup::kGrid);
  }
  for (int row = 1; row <= 6; ++row) {
    for (int i = 0; i <= 25; ++i) {
      Put(t, "ORM610R" + std::to_string(row) + "(" + std::to_string(i) + ")", at(i, row),
          TabGroup::kGrid);
    }
  }
  const QRect last = at(25, 0);
  Put(t, "ORM610ColLabel", QRect(last.right() + 6, kGridY, 30, kCellSize), TabGroup::kGrid);
  Put(t, "ORM610RowLabel", QRect(kGridX, at(0, 6).bottom() + 4, 30, 18), TabGroup::kGrid);

  const char* pickers[3][5] = {
      {"ORM610AttLabel", "ORM610AttOFF", "ORM610AttON", "ORM610AttFS", "ORM610AttFF"},
      {"ORM610PriLabel", "ORM610PriB", "ORM610PriR", "ORM610PriY", "ORM610PriG"},
      {"ORM610SecLabel", "ORM610SecB", "ORM610SecR", "ORM610SecY", "ORM610SecG"}};
  for (int row = 0; row < 3; ++row) {
    const int y = kPickerY + row * kPickerPitchY;
    Put(t, pickers[row][0], QRect(kPickerX, y, 30, 26), TabGroup::kPickers);
    for (int k = 1; k <= 4; ++k) {
      Put(t, pickers[row][k], QRect(kPickerButtonX + (k - 1) * kPickerPitchX, y, 38, 26),
          TabGroup::kPickers);
    }
  }
}

void AddRows(Table& t) {
  for (int i = 0; i < static_cast<int>(std::size(kSectionButtons)); ++i) {
    Put(t, kSectionButtons[i], SectionSlot(i));
  }
  int x = 138;
  for (const auto& [name, width] : kControlCharacterButtons) {
    Put(t, name, QRect(x, 486, width, 28));
    x += width + 4;
  }
  for (int i = 0; i < 15; ++i) {
    const QRect caption = DeviceSetCaptionPlace(i);
    const std::string index = "(" + std::to_string(i) + ")";
    Put(t, "txtSGUGroup" + index, QRect(caption.right() + 3, caption.y(), 40, 24));
    Put(t, "txtSGUUnit" + index, QRect(caption.right() + 47, caption.y(), 40, 24));
  }
}

const Table& FixedTable() {
  static const Table table = [] {
    Table t;
    for (const Entry& e : kFixed) Put(t, e.name, QRect(e.x, e.y, e.w, e.h), e.group);
    AddGrid(t);
    AddRows(t);
    return t;
  }();
  return table;
}

template <std::size_t N>
std::optional<Place> Find(const Entry (&entries)[N], const std::string& name) {
  for (const Entry& e : entries) {
    if (name == e.name) return Place{QRect(e.x, e.y, e.w, e.h), e.group};
  }
  return std::nullopt;
}

}  // namespace

Placement PlacementFor(const window::CommandFlags& flags) {
  if (flags.Andon2Flag) return Placement::kAndonCell;
  if (flags.SL1Flag) return Placement::kStackLight;
  return Placement::kNumeric;
}

std::optional<Place> PlaceOf(const std::string& name, Placement placement) {
  if (placement == Placement::kAndonCell) {
    if (auto place = Find(kAndonCell, name)) return place;
  } else if (placement == Placement::kStackLight) {
    if (auto place = Find(kStackLight, name)) return place;
  }
  if (auto place = Find(kNumeric, name)) return place;
  const Table& table = FixedTable();
  const auto it = table.find(name);
  if (it == table.end()) return std::nullopt;
  return it->second;
}

QRect DeviceSetCaptionPlace(int index) {
  const int column = index % kSetColumns, row = index / kSetColumns;
  return QRect(kSetX + column * kSetPitchX, kSetY + row * kSetPitchY, 38, 24);
}

std::vector<std::string> SectionButtonOrder() {
  return {std::begin(kSectionButtons), std::end(kSectionButtons)};
}

QRect SectionSlot(int index) {
  const int column = index % kSectionColumns, row = index / kSectionColumns;
  return QRect(10 + column * 47, 20 + row * 32, 44, 28);
}

}  // namespace tvx::app

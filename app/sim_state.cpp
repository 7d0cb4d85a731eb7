#include "app/sim_state.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include "protocol/field_names.h"

namespace tvx::app {

namespace {

namespace f = protocol::fields;

QString Text(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Null for text the packet did not carry.
QJsonValue TextOrNull(std::string_view text) {
  return text.empty() ? QJsonValue() : QJsonValue(Text(text));
}

QJsonValue Count(std::uint64_t count) {
  return QJsonValue(static_cast<qint64>(count));
}

QJsonValue NumberOrNull(int value) {
  return value < 0 ? QJsonValue() : QJsonValue(value);
}

struct KindMembers {
  QJsonObject& out;

  void operator()(const sim::AndonBoard& board) const {
    QJsonArray rows;
    for (const auto& row : board.cells) {
      QJsonArray cells;
      for (const auto& cell : row) cells.append(cell ? QJsonValue(Text(*cell)) : QJsonValue());
      rows.append(cells);
    }
    out["cells"] = rows;
    QJsonArray sub_cells;
    for (const auto& [key, codes] : board.sub_cells) {
      sub_cells.append(QJsonObject{{f::kRow, key.row},
                                   {f::kColumn, key.column},
                                   {f::kSubRow, NumberOrNull(key.sub_row)},
                                   {f::kSubColumn, NumberOrNull(key.sub_column)},
                                   {"codes", Text(codes)}});
    }
    out["sub-cells"] = sub_cells;
  }

  void operator()(const sim::Marquee& m) const {
    out["text"] = Text(m.text);
    out[f::kClearHome] = m.clear_home;
    out[f::kCarriageReturn] = m.carriage_return;
    out[f::kFlash] = m.flash;
    out[f::kAutoCentre] = m.auto_centre ? QJsonValue(*m.auto_centre) : QJsonValue();
    out[f::kTemplate] = m.template_id ? QJsonValue(Text(*m.template_id)) : QJsonValue();
  }

  void operator()(const sim::NumericDisplay& d) const {
    out[f::kNumber] = TextOrNull(d.number);
    out[f::kRow] = TextOrNull(d.row);
    out[f::kColumn] = TextOrNull(d.column);
    out[f::kAttribute] = TextOrNull(d.attribute);
  }

  void operator()(const sim::StackLight& s) const {
    QJsonObject rows;
    for (const auto& [row, attribute] : s.rows) rows[QString::number(row)] = TextOrNull(attribute);
    out["rows"] = rows;
  }

  void operator()(const sim::TuneUnit& t) const {
    QJsonValue last;
    if (const auto& tune = t.last_tune) {
      last = QJsonObject{{"code", Text(tune->code)},
                         {f::kTune, Text(tune->tune)},
                         {f::kSeconds, TextOrNull(tune->seconds)},
                         {f::kRepeat, TextOrNull(tune->repeat)},
                         {f::kDuration, TextOrNull(tune->duration)},
                         {f::kPriority, TextOrNull(tune->priority)}};
    }
    out["last-tune"] = last;
    out["tunes-played"] = Count(t.tunes_played);
  }

  void operator()(const sim::HeadEnd&) const {}
};

QJsonObject DeviceJson(const sim::Device& d) {
  QJsonObject out{{"kind", Text(sim::KindName(d.identity.kind))},
                  {f::kSerial, d.identity.serial},
                  {f::kGroup, Text(d.identity.group)},
                  {f::kUnit, Text(d.identity.unit)}};
  QJsonArray sets;
  for (std::size_t i = 0; i < d.sets.size(); ++i) {
    if (!d.sets[i].Enabled()) continue;
    sets.append(QJsonObject{{"set", static_cast<int>(i + 1)},
                            {f::kGroup, Text(d.sets[i].group)},
                            {f::kUnit, Text(d.sets[i].unit)}});
  }
  out["device-sets"] = sets;
  QJsonObject settings;
  for (const auto& [name, value] : d.settings) settings[Text(name)] = Text(value);
  out["settings"] = settings;
  const sim::MaintenanceCounts& m = d.maintenance;
  out["maintenance"] = QJsonObject{{"version-requests", Count(m.version_requests)},
                                   {"lamp-tests", Count(m.lamp_tests)},
                                   {"clears", Count(m.clears)},
                                   {"diagnostics", Count(m.diagnostics)},
                                   {"soft-boots", Count(m.soft_boots)}};
  out["packets"] = Count(d.packets);
  out["ignored"] = Count(d.ignored);
  std::visit(KindMembers{out}, d.state);
  return out;
}

}  // namespace

std::string DeviceStateJson(const sim::Device& device) {
  return QJsonDocument(DeviceJson(device)).toJson(QJsonDocument::Compact).toStdString();
}

QJsonDocument BusStateJson(const sim::Bus& bus) {
  QJsonArray devices;
  for (const sim::Device& d : bus.Devices()) devices.append(DeviceJson(d));
  return QJsonDocument(devices);
}

}  // namespace tvx::app

// Every output that prints packets as token text (decode, the journal, the simulator's monitor)
// prints the one unambiguous form: read back, it is the very bytes, whatever they were.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sstream>

#include "app/decode_command.h"
#include "app/journal_file.h"
#include "app/sim/sim_session.h"
#include "protocol/decode.h"
#include "protocol/display.h"
#include "protocol/token_conversion.h"
#include "sim/bus.h"
#include "sim/devices_file.h"

namespace tvx::app {
namespace {

QJsonObject Json(const std::string& line) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

std::string Field(const QJsonObject& o, const char* key) {
  return o[key].toString().toStdString();
}

// The text between the nth pair of blanks and the next: lines are fields joined by two blanks.
std::string Column(const std::string& line, int n) {
  std::size_t from = 0;
  for (int i = 0; i < n; ++i) from = line.find("  ", from) + 2;
  return line.substr(from, line.find("  ", from) - from);
}

std::string ReadBack(const std::string& text) {
  const auto read = protocol::ReadTokenText(text);
  const auto* bytes = std::get_if<std::string>(&read);
  return bytes ? *bytes : "(refused: " + text + ")";
}

TEST(TokenTextOutputs, EveryOutputReadsBackAsTheBytes) {
  const std::string cases[] = {
      // A marquee message holding the characters of a token, then the byte itself.
      std::string("\x02") + "0105\x0c\x12<1A>\x1a  x>y \x7f\x80\xe9\xff \x04",
      std::string("\x02") + "0102\x1bNUM1234N1A\x04",
      "stray <bytes> \x1a\x9f ",
  };
  const sim::Bus bus(sim::DefaultBus());
  for (const std::string& bytes : cases) {
    const std::string shown = protocol::DisplayForm(bytes);

    std::istringstream no_input;
    std::ostringstream text, json, err;
    RunDecode({"--hex", protocol::HexText(bytes)}, no_input, text, err);
    RunDecode({"--json", "--hex", protocol::HexText(bytes)}, no_input, json, err);
    EXPECT_EQ(ReadBack(Column(text.str(), 0)), bytes) << shown;
    EXPECT_EQ(ReadBack(Field(Json(json.str()), "text")), bytes) << shown;

    console::JournalEntry entry;
    entry.packets = {{bytes, "MRQ", "0105"}};
    const QJsonObject journal = Json(JournalLine(entry));
    EXPECT_EQ(ReadBack(Field(journal, "tokens")), bytes) << shown;
    EXPECT_EQ(ReadBack(Field(journal["packets"].toArray()[0].toObject(), "tokens")), bytes)
        << shown;

    MonitorEntry monitor;
    monitor.source = "tcp:3001#1";
    monitor.item = protocol::Decode(bytes).front();
    monitor.error = std::holds_alternative<protocol::DecodeError>(*monitor.item);
    const std::string line = MonitorText(monitor, bus);
    EXPECT_EQ(ReadBack(Column(line, 2).substr(monitor.error ? 7 : 0)), bytes) << line;
    EXPECT_EQ(ReadBack(Field(Json(MonitorJson(monitor, bus)), "text")), bytes) << shown;
  }
}

}  // namespace
}  // namespace tvx::app

#include "app/preset_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <optional>

#include "app/files.h"

namespace tvx::app {

namespace {

constexpr char kFormat[] = "tvxorm-presets";
constexpr int kVersion = 1;
// Far beyond any real list; a larger file is not read into memory.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

QString Text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// Field values are the console's characters, one byte each: U+0000 to U+00FF.
std::optional<std::string> ConsoleCharacters(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() > 0xFF) return std::nullopt;
  }
  return text.toLatin1().toStdString();
}

QJsonObject ToJson(const console::Preset& preset) {
  QJsonObject fields;
  for (const auto& [name, value] : preset.fields) {
    fields.insert(Text(name), QString::fromLatin1(value.data(), qsizetype(value.size())));
  }
  return {{"name", Text(preset.name)}, {"command", Text(preset.command)}, {"fields", fields}};
}

// One entry of the list; what is wrong with it instead.
std::variant<console::Preset, std::string> FromJson(const QJsonValue& entry) {
  const QJsonObject o = entry.toObject();
  if (!entry.isObject() || !o.value("name").isString() || !o.value("command").isString() ||
      !o.value("fields").isObject()) {
    return std::string("needs a name, a command and fields");
  }
  console::Preset preset{
      o.value("name").toString().toStdString(), o.value("command").toString().toStdString(), {}};
  if (auto wrong = console::PresetNameProblem(preset.name);
      wrong || console::TrimmedPresetName(preset.name) != preset.name) {
    return wrong ? *wrong : std::string("a name has no blanks at either end");
  }
  const QJsonObject fields = o.value("fields").toObject();
  for (auto it = fields.begin(); it != fields.end(); ++it) {
    const auto value = it.value().isString() ? ConsoleCharacters(it.value().toString())
                                             : std::optional<std::string>();
    if (!value) {
      return "field '" + it.key().toStdString() +
             "' is not a text of characters the console can type";
    }
    preset.fields.emplace_back(it.key().toStdString(), *value);
  }
  return preset;
}

std::variant<console::PresetStore, std::string> Parse(const QByteArray& bytes) {
  QJsonParseError parse_error{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parse_error);
  if (parse_error.error != QJsonParseError::NoError) {
    return "not JSON (" + parse_error.errorString().toStdString() + " at byte " +
           std::to_string(parse_error.offset) + ")";
  }
  const QJsonObject root = doc.object();
  if (root.value("format").toString() != kFormat) {
    return std::string("not a presets file (no \"format\": \"") + kFormat + "\")";
  }
  const QJsonValue version = root.value("version");
  if (version.toInt(-1) != kVersion) {
    return (version.isUndefined() ? std::string("no version")
                                  : "version " + version.toVariant().toString().toStdString()) +
           "; this program reads version " + std::to_string(kVersion);
  }
  if (!root.value("presets").isArray()) return std::string("no \"presets\" list");
  console::PresetStore store;
  const QJsonArray list = root.value("presets").toArray();
  for (qsizetype i = 0; i < list.size(); ++i) {
    auto parsed = FromJson(list.at(i));
    const std::string where = "preset " + std::to_string(i + 1) + " of the list";
    if (const auto* wrong = std::get_if<std::string>(&parsed)) return where + ": " + *wrong;
    auto& preset = std::get<console::Preset>(parsed);
    const std::string name = preset.name;
    if (store.Put(std::move(preset))) return where + ": the name '" + name + "' is taken";
  }
  return store;
}

}  // namespace

std::string PresetFilePath() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return (base + "/TVXORM/presets.json").toStdString();
}

PresetFileRead ReadPresetFile(const std::string& path) {
  const QFileInfo info(Text(path));
  if (!info.exists()) return {};
  if (info.isDir()) return {{}, "it is a directory"};
  if (info.size() > kMaxFileBytes) return {{}, "it is larger than 4 MB"};
  // A pipe would hold the start until someone writes to it, a device might never end.
  const InputFile file = ReadInputFile(path, kMaxFileBytes);
  if (!file.refusal.empty()) return {{}, file.refusal};
  auto parsed = Parse(QByteArray::fromStdString(file.text));
  if (auto* wrong = std::get_if<std::string>(&parsed)) return {{}, *wrong};
  return {std::get<console::PresetStore>(std::move(parsed)), {}};
}

console::PresetStore LoadPresets(const std::string& path, std::ostream& warnings) {
  PresetFileRead read = ReadPresetFile(path);
  if (!read.error.empty()) {
    warnings << "tvxorm: the presets file " << Quoted(path) << " cannot be read: " << read.error
             << "; no presets are available" << std::endl;
  }
  return std::move(read.presets);
}

PresetSaved SavePreset(const std::string& path, const console::Preset& preset) {
  PresetFileRead read = ReadPresetFile(path);
  PresetSaved saved;
  if (!read.error.empty()) {
    const QString kept = Text(path) + ".unreadable";
    QFile::remove(kept);
    if (!QFile::rename(Text(path), kept)) {
      saved.error = "the unreadable file " + path + " could not be moved aside";
      return saved;
    }
    saved.kept = kept.toStdString();
  }
  saved.presets = std::move(read.presets);
  saved.presets.Put(preset);

  QJsonArray list;
  for (const console::Preset& p : saved.presets.All()) list.append(ToJson(p));
  const QJsonObject root{{"format", kFormat}, {"version", kVersion}, {"presets", list}};
  const QString file_path = Text(path);
  QDir().mkpath(QFileInfo(file_path).absolutePath());
  // Replaced whole or not at all: a full disk must not leave an empty file in place of the
  // presets there were.
  const std::string why =
      SaveFileWhole(path, QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString());
  if (!why.empty()) saved.error = "the presets file " + path + " could not be written: " + why;
  return saved;
}

}  // namespace tvx::app

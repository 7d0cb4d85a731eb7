#include "gateway/catalogue_json.h"

#include "gateway/json.h"
#include "protocol/andon_commands.h"
#include "protocol/catalogue.h"

namespace tvx::gateway {

namespace {

std::string Strings(const std::vector<std::string>& items) {
  std::string list = "[";
  for (const std::string& item : items) list += (list.size() > 1 ? "," : "") + JsonString(item);
  return list + "]";
}

std::string FieldJson(const protocol::FieldListing& f) {
  JsonObject o;
  o.Add("name", f.name);
  if (f.kind == protocol::FieldKind::kChoice) {
    o.Add("kind", "choice")
        .AddRaw("choices", Strings(f.choices))
        .Add("may-choose-none", f.may_choose_none);
  } else {
    o.Add("kind", "text").Add("limit", f.limit);
  }
  o.Add("default", Latin1ToUtf8(f.initial));
  if (!f.carried.field.empty()) o.Add("sent", f.carried.text);
  if (!f.note.empty()) o.Add("note", f.note);
  return o.Text();
}

std::string CommandJson(const protocol::CommandListing& listing) {
  std::string fields = "[";
  bool grid = false;
  for (const protocol::FieldListing& f : listing.fields) {
    if (f.kind == protocol::FieldKind::kFile) {
      grid = true;  // a file on the command line, the request's own "grid" here
      continue;
    }
    fields += (fields.size() > 1 ? "," : "") + FieldJson(f);
  }
  JsonObject o;
  o.Add("command", listing.name)
      .Add("summary", listing.summary)
      .Add("reaches", protocol::ReachSummary(listing.command))
      .AddRaw("fields", fields + "]");
  if (grid) {
    o.AddRaw("grid", JsonObject()
                         .Add("rows", protocol::kAndonRows)
                         .Add("columns", protocol::kAndonColumns)
                         .Add("cells",
                              "'.' unset; B R Y G steady; a flashing cell adds its secondary "
                              "colour and S (slow) or F (fast), e.g. RYS")
                         .Text());
  }
  return o.Text();
}

}  // namespace

std::string CatalogueJson() {
  std::string list = "[";
  for (const protocol::CommandListing& listing : protocol::Catalogue())
    list += (list.size() > 1 ? "," : "") + CommandJson(listing);
  return list + "]";
}

}  // namespace tvx::gateway

#include "ledger/record_text.hpp"

#include <sstream>

#include "core/form_model.hpp"
#include "core/json.hpp"

namespace capcode {

namespace {

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string capcodesWithRoles(const PagerRecord& record) {
  std::string text;
  for (const RecordedAddress& a : record.addresses) {
    if (!a.enabled) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(a.row) + "=" + std::to_string(a.capcode);
    if (a.role == AddressRole::Shared) text += "(shared)";
  }
  return text;
}

std::string recordsCsv(const std::vector<PagerRecord>& records) {
  std::ostringstream out;
  out << "id,started,finished,host,station,result,config_path,config_sha256,image_sha256,"
         "batch,set";
  for (int row = 1; row <= kAddressRows; ++row)
    out << ",row" << row << "_capcode,row" << row << "_enabled,row" << row << "_role";
  out << ",list_sha256,list_line,reference,settlement,settled_at,settled_by\r\n";
  for (const PagerRecord& r : records) {
    out << r.id << ',' << r.started << ',' << r.finished << ',' << csvField(r.host) << ','
        << csvField(r.station) << ',' << resultName(r.result) << ',' << csvField(r.configPath)
        << ',' << r.configSha256 << ',' << r.imageSha256 << ',' << csvField(r.batch) << ','
        << (r.setIndex < 0 ? std::string() : std::to_string(r.setIndex));
    for (const RecordedAddress& a : r.addresses)
      out << ',' << a.capcode << ',' << (a.enabled ? 1 : 0) << ',' << roleName(a.role);
    out << ',' << r.listSha256 << ','
        << (r.listLine > 0 ? std::to_string(r.listLine) : std::string()) << ','
        << csvField(r.reference) << ',' << settlementName(r.settlement) << ',' << r.settledAt << ','
        << csvField(r.settledBy) << "\r\n";
  }
  return out.str();
}

std::string settlementText(const PagerRecord& record) {
  if (record.settlement == Settlement::None) return {};
  return std::string(settlementName(record.settlement)) + " " + record.settledAt + " by " +
         record.settledBy;
}

std::string recordJson(const PagerRecord& r) {
  const auto text = [](const std::string& value) {
    return value.empty() ? std::string("null") : jsonString(value);
  };
  std::string json =
      "{\"id\":" + std::to_string(r.id) + ",\"started\":" + text(r.started) +
      ",\"finished\":" + text(r.finished) + ",\"host\":" + jsonString(r.host) +
      ",\"station\":" + jsonString(r.station) + ",\"result\":" + jsonString(resultName(r.result)) +
      ",\"config_path\":" + jsonString(r.configPath) +
      ",\"config_sha256\":" + jsonString(r.configSha256) +
      ",\"image_sha256\":" + text(r.imageSha256) + ",\"batch\":" + text(r.batch) +
      ",\"set\":" + (r.setIndex < 0 ? "null" : std::to_string(r.setIndex)) + ",\"addresses\":[";
  for (std::size_t i = 0; i < r.addresses.size(); ++i) {
    const RecordedAddress& a = r.addresses[i];
    json += (i == 0 ? "" : ",") + std::string("{\"row\":") + std::to_string(a.row) +
            ",\"capcode\":" + std::to_string(a.capcode) +
            ",\"enabled\":" + (a.enabled ? "true" : "false") +
            ",\"role\":" + jsonString(roleName(a.role)) + "}";
  }
  json += "],\"list_sha256\":" + text(r.listSha256) +
          ",\"list_line\":" + (r.listLine > 0 ? std::to_string(r.listLine) : "null") +
          ",\"reference\":" + text(r.reference) +
          ",\"settlement\":" + text(std::string(settlementName(r.settlement))) +
          ",\"settled_at\":" + text(r.settledAt) + ",\"settled_by\":" + text(r.settledBy) +
          ",\"keeps_capcodes\":" + (keepsCapcodes(r) ? "true" : "false") + "}";
  return json;
}

std::string recordsJson(const std::vector<PagerRecord>& records) {
  std::string json = "[";
  for (std::size_t i = 0; i < records.size(); ++i)
    json += (i == 0 ? "\n  " : ",\n  ") + recordJson(records[i]);
  return json + (records.empty() ? "]\n" : "\n]\n");
}

}  // namespace capcode

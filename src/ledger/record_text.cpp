#include "ledger/record_text.hpp"

#include <sstream>

#include "core/form_model.hpp"

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
  out << ",list_sha256,list_line,reference\r\n";
  for (const PagerRecord& r : records) {
    out << r.id << ',' << r.started << ',' << r.finished << ',' << csvField(r.host) << ','
        << csvField(r.station) << ',' << resultName(r.result) << ',' << csvField(r.configPath)
        << ',' << r.configSha256 << ',' << r.imageSha256 << ',' << csvField(r.batch) << ','
        << (r.setIndex < 0 ? std::string() : std::to_string(r.setIndex));
    for (const RecordedAddress& a : r.addresses)
      out << ',' << a.capcode << ',' << (a.enabled ? 1 : 0) << ',' << roleName(a.role);
    out << ',' << r.listSha256 << ','
        << (r.listLine > 0 ? std::to_string(r.listLine) : std::string()) << ','
        << csvField(r.reference) << "\r\n";
  }
  return out.str();
}

}  // namespace capcode

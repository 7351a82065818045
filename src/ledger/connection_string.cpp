#include "ledger/connection_string.hpp"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>

namespace capcode {

namespace {

bool secret(const std::string& keyword) {
  return keyword == "password" || keyword == "sslpassword";
}

// A value as a key=value string needs it: quoted when empty or holding a space, a quote or a
// backslash.
std::string quoted(const std::string& value) {
  if (!value.empty() && value.find_first_of(" '\\\t\n") == std::string::npos) return value;
  std::string out = "'";
  for (const char c : value) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

}  // namespace

bool looksLikePostgresUri(const std::string& ledger) {
  return ledger.rfind("postgresql://", 0) == 0 || ledger.rfind("postgres://", 0) == 0;
}

std::optional<ConnectionOptions> parseConnection(const std::string& connection) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(connection.c_str(), &error);
  if (options == nullptr) {
    PQfreemem(error);
    return std::nullopt;
  }
  ConnectionOptions given;
  for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
    if (o->val != nullptr) given.emplace_back(o->keyword, o->val);
  }
  PQconninfoFree(options);
  return given;
}

std::string printableConnection(const std::string& connection) {
  const auto given = parseConnection(connection);
  if (!given)
    return looksLikePostgresUri(connection)
               ? connection.substr(0, connection.find("://") + 3) + "..."
               : "(a connection string libpq refuses)";
  std::string shown;
  for (const auto& [keyword, value] : *given) {
    if (!shown.empty()) shown += ' ';
    shown += keyword + "=" + (secret(keyword) ? std::string("***") : quoted(value));
  }
  return shown;
}

ConnectionOptions connectionWithLimits(const ConnectionOptions& given) {
  ConnectionOptions options = given;
  const auto add = [&](const std::string& keyword, const std::string& value) {
    const bool named = std::any_of(options.begin(), options.end(),
                                   [&](const auto& option) { return option.first == keyword; });
    if (!named) options.emplace_back(keyword, value);
  };
  // PGCONNECT_TIMEOUT, where set, fills it in as libpq's other variables do.
  const char* environment = std::getenv("PGCONNECT_TIMEOUT");
  if (environment == nullptr || environment[0] == '\0')
    add("connect_timeout", std::to_string(kDefaultConnectTimeoutSeconds));
  // A peer that vanishes (a dead route, a machine switched off) shows after about 5 + 3 x 2 s
  // of silence; data the peer never acknowledges gives up after 10 s.
  add("keepalives", "1");
  add("keepalives_idle", "5");
  add("keepalives_interval", "2");
  add("keepalives_count", "3");
  add("tcp_user_timeout", "10000");
  return options;
}

}  // namespace capcode

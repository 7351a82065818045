#pragma once
// PostgreSQL connection strings read by libpq's own parser, so that what the ledger treats as a
// server, what it shows in messages and what it connects with agree with libpq, whatever the
// quoting (key='va lue', a URI with user:password@, percent-encoding).

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace capcode {

// The options a connection string gives, in libpq's order; nothing when libpq refuses it.
using ConnectionOptions = std::vector<std::pair<std::string, std::string>>;
std::optional<ConnectionOptions> parseConnection(const std::string& connection);

// True when `ledger` starts as a postgresql:// or postgres:// URI.
bool looksLikePostgresUri(const std::string& ledger);

// The connection for messages: its options as key=value, any password shown as ***. A string
// libpq refuses is shown by its scheme alone.
std::string printableConnection(const std::string& connection);

// Connect time limit in seconds applied when the connection string names none.
inline constexpr int kDefaultConnectTimeoutSeconds = 10;

// The options to connect with: the string's own, plus a connect time limit
// (kDefaultConnectTimeoutSeconds, unless PGCONNECT_TIMEOUT gives one) and TCP keepalives where
// the string leaves them out, so that a dead route or a silent server ends the attempt instead
// of hanging the station.
ConnectionOptions connectionWithLimits(const ConnectionOptions& given);

}  // namespace capcode

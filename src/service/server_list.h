#pragma once
// The server list the service publishes: records of six fields, "a|b|c|d|ip|port,".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ServerEntry {
  std::string serverIp;
  std::string country;
  std::string city;
  std::string description;
  std::string ip;
  std::string port;
};

// Column of the list view that each field fills.
inline constexpr int kColumnServerIp = 0;
inline constexpr int kColumnIp = 4;
inline constexpr int kColumnPort = 5;
inline constexpr int kServerListColumns = 6;

// Real lists carry hundreds of servers, a few thousand at most. A body within the download
// limit could otherwise make millions of rows (every "," is one), exhausting memory and time.
inline constexpr int kMaxServerListRows = 200000;

// One cell write of the parse: rows are inserted when their first column is written. The text
// is a view into the parsed text, which must outlive it.
struct ServerListCell {
  int row;
  int column;
  std::string_view text;
};

// Where the parse's cell writes go, in order.
class ServerListSink {
 public:
  virtual ~ServerListSink() = default;
  // Called once, before the first write, with room to reserve: a well-formed list makes no
  // more writes than this (a malformed one may make more, and the sink then grows).
  virtual void Expect(size_t cells) = 0;
  virtual void Write(const ServerListCell& cell) = 0;
};

// Splits the fetched text by the list's own rule (malformed text is never rejected: missing
// separators give empty fields, text after the last "," shifts every field). Linear time.
// The cells come row by row, six to a row in column order; only the last row may be short.
// False when the text holds more than `maxRows` rows: the parse stops at the first write of
// the row beyond them, so a refused list costs no more than a list of `maxRows` rows.
bool ParseServerList(std::string_view text, int maxRows, ServerListSink& sink);

// The same writes gathered; nothing when the list is refused.
std::optional<std::vector<ServerListCell>> ParseServerList(std::string_view text,
                                                           int maxRows = kMaxServerListRows);

// The same result gathered into rows; empty when the list is refused.
std::vector<ServerEntry> ParseServerEntries(std::string_view text);

// Path of the list on the service's web host.
inline constexpr const char* kServerListPath = "/ServerList.txt";

#pragma once
// The server list the service publishes: records of six fields, "a|b|c|d|ip|port,".

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

// One cell write of the parse: rows are inserted when their first column is written.
struct ServerListCell {
  int row;
  int column;
  std::string text;
};

// Splits the fetched text by the list's own rule (malformed text is never rejected: missing
// separators give empty fields, text after the last "," shifts every field). Linear time.
std::vector<ServerListCell> ParseServerList(std::string_view text);

// The same result gathered into rows.
std::vector<ServerEntry> ParseServerEntries(std::string_view text);

// Path of the list on the service's web host.
inline constexpr const char* kServerListPath = "/ServerList.txt";

#pragma once
// A plausible server list of any length for the benchmarks.

#include <string>

inline std::string MakeServerList(int records, const std::string& afterRecord = "") {
  std::string text;
  for (int i = 0; i < records; ++i) {
    const std::string ip =
        "198.51." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
    text += ip + "|Germany|Frankfurt|Fast server " + std::to_string(i) + "|" + ip + "|1194," +
            afterRecord;
  }
  return text;
}

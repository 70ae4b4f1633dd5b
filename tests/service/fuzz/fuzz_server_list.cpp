// The server list parser over any bytes: every cell lies within the text, rows come in order
// with their columns, and no list grows past its row limit.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "service/server_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // A small limit lets the fuzzer reach the refusal too.
  constexpr int kRows = 64;
  const auto cells = ParseServerList(text, kRows);
  if (!cells) return 0;
  for (std::size_t i = 0; i < cells->size(); ++i) {
    const ServerListCell& cell = (*cells)[i];
    const bool inText =
        cell.text.empty() || (cell.text.data() >= text.data() &&
                              cell.text.data() + cell.text.size() <= text.data() + text.size());
    if (!inText || cell.row != static_cast<int>(i / kServerListColumns) ||
        cell.column != static_cast<int>(i % kServerListColumns) || cell.row >= kRows) {
      std::abort();
    }
  }
  return 0;
}

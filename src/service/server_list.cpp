#include "service/server_list.h"

#include <algorithm>

namespace {

// First position of c at or after `from`, remembered between calls: the text only ever shrinks
// from the front, so each cursor moves forward only and the whole parse stays linear.
class NextOf {
 public:
  NextOf(std::string_view text, char c) : text_(text), c_(c) {}
  size_t From(size_t from) {
    if (found_ != std::string_view::npos && found_ >= from) return found_;
    if (exhausted_) return std::string_view::npos;
    found_ = text_.find(c_, from);
    exhausted_ = found_ == std::string_view::npos;
    return found_;
  }

 private:
  std::string_view text_;
  char c_;
  size_t found_ = std::string_view::npos;
  bool exhausted_ = false;
};

}  // namespace

bool ParseServerList(std::string_view text, int maxRows, ServerListSink& sink) {
  // Growing by doubling costs more than the parse itself on long lists, and counting the
  // records first is a second pass over the text. A well-formed record is at least six bytes,
  // so the text's length bounds its cells; room that is never written is never touched. A
  // refused list never asks for more than the limit allows.
  const size_t rowLimit = maxRows > 0 ? static_cast<size_t>(maxRows) : 0;
  sink.Expect(std::min(text.size() + 6, 6 * (rowLimit + 1)));
  NextOf nextBar(text, '|');
  NextOf nextComma(text, ',');
  const size_t end = text.size();
  const size_t lastComma = text.rfind(',');  // npos when there is none
  size_t begin = 0;                          // the current text is text[begin, end)
  int step = 0;
  int row = 0;
  do {
    ++step;
    const int k = step % 6;
    if (k == 1 && row >= maxRows) return false;
    const size_t separator = k == 0 ? nextComma.From(begin) : nextBar.From(begin);
    std::string_view field;
    if (separator != std::string_view::npos) field = text.substr(begin, separator - begin);
    if (k == 0) {
      sink.Write({row, kColumnPort, field});
      ++row;
    } else {
      sink.Write({row, k - 1, field});
    }
    // Advance: keep the last (q - p) characters, with p the separator and q the last comma,
    // both relative to the current text (-1 when absent).
    const long long p =
        separator == std::string_view::npos ? -1 : static_cast<long long>(separator - begin);
    const long long q = lastComma == std::string_view::npos || lastComma < begin
                            ? -1
                            : static_cast<long long>(lastComma - begin);
    if (q - p > 0) {
      begin = end - static_cast<size_t>(q - p);
    } else {
      begin = end;
    }
  } while (begin < end);
  return true;
}

std::optional<std::vector<ServerListCell>> ParseServerList(std::string_view text, int maxRows) {
  struct Gather : ServerListSink {
    void Expect(size_t count) override { cells.reserve(count); }
    void Write(const ServerListCell& cell) override { cells.push_back(cell); }
    std::vector<ServerListCell> cells;
  } gather;
  if (!ParseServerList(text, maxRows, gather)) return std::nullopt;
  return std::move(gather.cells);
}

std::vector<ServerEntry> ParseServerEntries(std::string_view text) {
  std::vector<ServerEntry> rows;
  const auto cells = ParseServerList(text);
  if (!cells) return rows;
  for (const ServerListCell& cell : *cells) {
    if (cell.column == kColumnServerIp) rows.insert(rows.begin() + cell.row, ServerEntry{});
    ServerEntry& entry = rows[static_cast<size_t>(cell.row)];
    std::string* fields[] = {&entry.serverIp,    &entry.country, &entry.city,
                             &entry.description, &entry.ip,      &entry.port};
    fields[cell.column]->assign(cell.text);
  }
  return rows;
}

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

std::vector<ServerListCell> ParseServerList(std::string_view text) {
  std::vector<ServerListCell> cells;
  // A well-formed list gives six cells per comma; growing by doubling instead costs more than
  // the parse itself on long lists.
  const size_t commas = static_cast<size_t>(std::count(text.begin(), text.end(), ','));
  cells.reserve(std::min(6 * (commas + 1), text.size() + 6));
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
    const size_t separator = k == 0 ? nextComma.From(begin) : nextBar.From(begin);
    std::string field;
    if (separator != std::string_view::npos) field.assign(text.substr(begin, separator - begin));
    if (k == 0) {
      cells.push_back({row, kColumnPort, std::move(field)});
      ++row;
    } else {
      cells.push_back({row, k - 1, std::move(field)});
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
  return cells;
}

std::vector<ServerEntry> ParseServerEntries(std::string_view text) {
  std::vector<ServerEntry> rows;
  for (ServerListCell& cell : ParseServerList(text)) {
    if (cell.column == kColumnServerIp) rows.insert(rows.begin() + cell.row, ServerEntry{});
    ServerEntry& entry = rows[static_cast<size_t>(cell.row)];
    std::string* fields[] = {&entry.serverIp,    &entry.country, &entry.city,
                             &entry.description, &entry.ip,      &entry.port};
    *fields[cell.column] = std::move(cell.text);
  }
  return rows;
}

// Tables of the markup: where they are found in the text and how they are laid out.

#include "widgets/tooltip/markup_drawer.h"

using gdi::SIZE;

std::size_t CMarkupDrawer::FindTag(std::string_view text, std::size_t from, std::string_view tag) {
  for (std::size_t at = text.find(tag, from); at != std::string_view::npos;
       at = text.find(tag, at + 1)) {
    // "<<" is a literal "<", so the "<" after it starts nothing.
    if (at == 0 || text[at - 1] != '<') return at;
  }
  return std::string_view::npos;
}

std::size_t CMarkupDrawer::FindTableEnd(std::string_view text, std::size_t start) {
  constexpr std::string_view kOpen = "<table";
  constexpr std::string_view kClose = "</table";
  int depth = 1;
  std::size_t pos = start + kOpen.size();
  while (true) {
    const std::size_t open = FindTag(text, pos, kOpen);
    const std::size_t close = FindTag(text, pos, kClose);
    // A table that is never closed runs to the end of the text.
    if (close == std::string_view::npos) return text.size();
    if (open < close) {
      ++depth;
      pos = open + kOpen.size();
      continue;
    }
    if (--depth == 0) return close;
    pos = close + kClose.size();
  }
}

SIZE CMarkupDrawer::Table(std::string_view table) {
  ++tableCounter_;
  // Until tables have their grid, the text of a table reads as a paragraph: its table tags
  // are unknown and drop out, its cell texts show as runs.
  return Paragraph(table);
}

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "service/server_list.h"

namespace {

using Row = std::vector<std::string>;

std::vector<Row> Rows(const std::string& text) {
  std::vector<Row> rows;
  for (const ServerEntry& e : ParseServerEntries(text)) {
    rows.push_back({e.serverIp, e.country, e.city, e.description, e.ip, e.port});
  }
  return rows;
}

struct Case {
  const char* name;
  std::string text;  // as the parser sees it: the fetch has removed CR and LF
  std::vector<Row> rows;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ServerListCases : public ::testing::TestWithParam<Case> {};

TEST_P(ServerListCases, GivesTheRowsOfTheSplittingRule) {
  EXPECT_EQ(Rows(GetParam().text), GetParam().rows);
}

const Row kBerlin{"10.0.0.1", "Germany", "Berlin", "Fast", "10.0.0.1", "1194"};
const Row kTokyo{"10.0.0.2", "Japan", "Tokyo", "Asia", "10.0.0.2", "443"};
const Row kOnlyA{"A", "", "", "", "", ""};

INSTANTIATE_TEST_SUITE_P(
    Texts, ServerListCases,
    ::testing::Values(
        Case{"TwoRecords",
             "10.0.0.1|Germany|Berlin|Fast|10.0.0.1|1194,10.0.0.2|Japan|Tokyo|Asia|10.0.0.2|443,",
             {kBerlin, kTokyo}},
        Case{"EmptyBodyGivesOneEmptyRow", "", {{"", "", "", "", "", ""}}},
        Case{"NoCommaAtAll", "A|B|C", {kOnlyA}},
        Case{"TrailingBlankSpoilsTheList", "A|B|C|D|E|F, ", {kOnlyA}},
        Case{"TrailingCharacterSpoilsTheList", "A|B|C|D|E|F,x", {kOnlyA}},
        Case{"EmptyDescription",
             "1.2.3.4|US|Dallas||1.2.3.4|1194,",
             {{"1.2.3.4", "US", "Dallas", "", "1.2.3.4", "1194"}}},
        Case{"ShortLastRecordPutsItsLastFieldInPort",
             "A|B|C|D|E|F,G|H|I,",
             {{"A", "B", "C", "D", "E", "F"}, {"G", "H", "", "", "", "I"}}},
        Case{"ShownAddressMayDifferFromTunnelAddress",
             "vpn1.example|NL|Amsterdam|Main|198.51.100.7|1194,",
             {{"vpn1.example", "NL", "Amsterdam", "Main", "198.51.100.7", "1194"}}},
        Case{"FieldsAreVerbatim",
             " a |%s|\t|<b>|1.1.1.1| 80 ,",
             {{" a ", "%s", "\t", "<b>", "1.1.1.1", " 80 "}}},
        Case{"LoneComma", ",", {{"", "", "", "", "", ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ServerList, CellWritesInsertEachRowWithItsFirstColumnAndViewTheText) {
  const std::string text = "a|b|c|d|e|f,g|h|i|j|k|l,";
  const auto cells = ParseServerList(text);
  ASSERT_TRUE(cells);
  ASSERT_EQ(cells->size(), 12u);
  for (size_t i = 0; i < cells->size(); ++i) {
    const ServerListCell& cell = (*cells)[i];
    EXPECT_EQ(cell.row, static_cast<int>(i / 6));
    EXPECT_EQ(cell.column, static_cast<int>(i % 6));
    EXPECT_EQ(cell.text.data(), text.data() + 2 * i);  // no copy of its own
  }
}

TEST(ServerList, MoreRowsThanTheLimitRefusesTheWholeList) {
  EXPECT_EQ(ParseServerList("A|B|C|D|E|F,G|H|I|J|K|L,", 2)->size(), 12u);
  EXPECT_EQ(ParseServerList("A|B|C|D|E|F,G|H|I|J|K|L,", 1), std::nullopt);
  EXPECT_EQ(ParseServerList(",,,", 2), std::nullopt);  // every "," ends a row
  // A body as large as the download allows, all commas: 16 million rows, refused after the
  // first rows beyond the limit.
  const std::string commas(16u << 20, ',');
  EXPECT_EQ(ParseServerList(commas), std::nullopt);
  EXPECT_TRUE(ParseServerEntries(commas).empty());
  const std::string longest(kMaxServerListRows, ',');
  EXPECT_EQ(ParseServerList(longest)->size(), 6u * kMaxServerListRows);
}

}  // namespace

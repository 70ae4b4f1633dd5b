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

TEST(ServerList, CellWritesInsertEachRowWithItsFirstColumn) {
  const auto cells = ParseServerList("a|b|c|d|e|f,g|h|i|j|k|l,");
  ASSERT_EQ(cells.size(), 12u);
  for (size_t i = 0; i < cells.size(); ++i) {
    EXPECT_EQ(cells[i].row, static_cast<int>(i / 6));
    EXPECT_EQ(cells[i].column, static_cast<int>(i % 6));
  }
}

}  // namespace

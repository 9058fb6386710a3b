#include "app/item_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quorvex {
namespace {

using Items = std::vector<std::pair<std::string, int>>;

Items ReadAll(std::string_view text) {
  Items items;
  ItemReader reader(text);
  while (const auto item = reader.Next()) {
    items.emplace_back(item->text, item->line);
  }
  return items;
}

struct Case {
  const char* name;
  std::string_view text;
  Items expected;
};

class ItemReaderTest : public ::testing::TestWithParam<Case> {};

TEST_P(ItemReaderTest, SplitsItemsAndCountsLines) {
  EXPECT_EQ(ReadAll(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ItemReaderTest,
    ::testing::Values(
        Case{"Empty", "", {}}, Case{"CommasAndLineEnds", "a,b\nc", {{"a", 1}, {"b", 1}, {"c", 2}}},
        Case{"EveryLineEnd", "a\r\nb\rc\nd", {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}}},
        Case{"FinalLineEndEndsTheFile", "a\n", {{"a", 1}}},
        Case{"BlankLinesAreEmptyItems", "a\n\n\nb", {{"a", 1}, {"", 2}, {"", 3}, {"b", 4}}},
        Case{"LeadingBlanksSkippedTrailingKept", "  \ta b ,c", {{"a b ", 1}, {"c", 1}}},
        Case{"QuotedItemHoldsCommas", "\"a,b\",c", {{"a,b", 1}, {"c", 1}}},
        Case{"TextAfterClosingQuoteDropped", "\"a\"xyz,b", {{"a", 1}, {"b", 1}}},
        Case{"QuotedItemOverLineEnds", "\"a\r\nb\"\nc", {{"a\r\nb", 1}, {"c", 3}}},
        Case{"UnclosedQuoteRunsToTheEnd", "\"a,b\nc", {{"a,b\nc", 1}}},
        Case{"ByteOrderMarkSkipped", "\xEF\xBB\xBFPL:1", {{"PL:1", 1}}},
        Case{"ByteOrderMarkOnlyAtTheStart", "a\n\xEF\xBB\xBF", {{"a", 1}, {"\xEF\xBB\xBF", 2}}},
        Case{"NulBytesKept", std::string_view("a\0b", 3), {{std::string("a\0b", 3), 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvex

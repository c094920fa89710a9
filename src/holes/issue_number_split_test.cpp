#include "holes/issue_number_split.h"

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/numeric_value.h"
#include "records/issue_record.h"

namespace {

Queue make_queue(const std::vector<std::string>& numbers) {
  Queue queue;
  for (const std::string& number : numbers) {
    queue_append(&queue, new_record_node(RecordFields{"T", "P", number, "", "", "$1", ""}));
  }
  return queue;
}

std::vector<std::string> editions(const Queue& queue) {
  std::vector<std::string> result;
  for (QueueNode* node = queue.first; node != nullptr; node = node->next) {
    char joined[kJoinedNumberSize];
    result.push_back(std::string(joined, join_issue_number(*record_of(node), joined)));
  }
  return result;
}

struct SplitCase {
  const char* text;
  const char* number;
  const char* variant;
  const char* printing;
};

TEST(SplitIssueNumbers, CutsNumberVariantAndPrinting) {
  const SplitCase cases[] = {
      {"12", "12", "", ""},         {"12/A", "12", "A", ""},
      {"12-2", "12", "", "2"},      {"12/A-2", "12", "A", "2"},
      {"12/A/B", "12", "A/B", ""},  {"12-2-3", "12", "", "2-3"},
      {"12/A-2-3", "12", "A", "2-3"}, {"12//A", "12", "/A", ""},
      {"12/-2", "12", "2", ""},     {"5-2/A", "5-2", "A", ""},
      {"12/", "12", "", ""},        {"12-", "12", "", ""},
      {"-5", "-5", "", ""},         {"--5", "5", "", ""},
      {"/", "/", "", ""},           {"//", "", "", ""},
      {"12/-", "12", "", ""},       {"", "", "", ""},
      {"12345678901234", "12345678901234", "", ""},
  };
  for (const SplitCase& c : cases) {
    Queue queue = make_queue({c.text});
    split_issue_numbers(&queue);
    const IssueRecord* record = record_of(queue.first);
    EXPECT_STREQ(record->number(), c.number) << c.text;
    EXPECT_STREQ(record->variant(), c.variant) << c.text;
    EXPECT_STREQ(record->printing(), c.printing) << c.text;
    EXPECT_STREQ(record->title(), "T") << c.text;
    EXPECT_STREQ(record->nm_value(), "$1") << c.text;
    release_record_queue(&queue);
  }
}

struct OrderCase {
  std::vector<std::string> before;
  std::vector<std::string> after;
};

TEST(SplitIssueNumbers, OrdersEachNumberGroup) {
  const OrderCase cases[] = {
      {{"7-2", "7", "7/B", "7/A", "7-1"}, {"7", "7/A", "7/B", "7-1", "7-2"}},
      {{"7-10", "7-9"}, {"7-9", "7-10"}},
      {{"7/9", "7/10"}, {"7/10", "7/9"}},
      {{"7-1", "7-A", "7/A", "7"}, {"7", "7/A", "7-A", "7-1"}},
      {{"7/AB", "7/A"}, {"7/A", "7/AB"}},
      {{"7/\xc3\xa9", "7/z"}, {"7/z", "7/\xc3\xa9"}},  // bytes compare unsigned
      {{"7-0", "7--1", "7"}, {"7", "7--1", "7-0"}},
      // The smallest printing ties with no printing; the earlier stays first.
      {{"7--2147483648", "7"}, {"7--2147483648", "7"}},
      {{"8", "8A"}, {"8", "8A"}},
      {{"8A", "8"}, {"8A", "8"}},
      {{"9x-1", "9-1"}, {"9x-1", "9-1"}},
      {{"4-2", "4", "5", "4-1", "4"}, {"4", "4-2", "5", "4", "4-1"}},
      {{"4-2", "5", "4"}, {"4-2", "5", "4"}},
      {{"3-2"}, {"3-2"}},
      {{"2147483647-3", "99999999999-1"}, {"99999999999-1", "2147483647-3"}},
      {{"-2147483648/B", "-99999999999/A"}, {"-99999999999/A", "-2147483648/B"}},
      {{"6-2147483647", "6-99999999999", "6-2"}, {"6-2", "6-2147483647", "6-99999999999"}},
  };
  for (const OrderCase& c : cases) {
    Queue queue = make_queue(c.before);
    split_issue_numbers(&queue);
    EXPECT_EQ(editions(queue), c.after) << c.before.front();
    release_record_queue(&queue);
  }
}

TEST(SplitIssueNumbers, KeepsNodesInPlace) {
  Queue queue = make_queue({"3", "7-2", "7", "9"});
  std::vector<QueueNode*> nodes;
  for (QueueNode* node = queue.first; node != nullptr; node = node->next) nodes.push_back(node);
  void* plain = nodes[2]->payload;
  split_issue_numbers(&queue);
  std::vector<QueueNode*> after;
  for (QueueNode* node = queue.first; node != nullptr; node = node->next) after.push_back(node);
  EXPECT_EQ(after, nodes);
  EXPECT_EQ(queue.last, nodes.back());
  EXPECT_EQ(nodes[1]->payload, plain);
  release_record_queue(&queue);
}

// One issue with 5,000 editions, far more than a small fixed table holds:
// the order must be by printing value, then variant, and stable; each
// record's notes hold its place before ordering.
TEST(SplitIssueNumbers, OrdersAHugeGroupStably) {
  const int count = 5000;
  std::vector<int> printings(count);
  for (int i = 0; i < count; ++i) printings[i] = i % 100 - 1;  // -1 stands for none
  std::shuffle(printings.begin(), printings.end(), std::mt19937(42));
  const char* variants[] = {"", "A", "B"};
  Queue queue;
  for (int i = 0; i < count; ++i) {
    std::string number = "7";
    if (variants[i % 3][0] != '\0') number += std::string("/") + variants[i % 3];
    if (printings[i] >= 0) number += "-" + std::to_string(printings[i]);
    queue_append(&queue,
                 new_record_node(RecordFields{"T", "", number, "", "", "", std::to_string(i)}));
  }
  split_issue_numbers(&queue);
  std::vector<bool> seen(count);
  int length = 0;
  long long previous_key = LLONG_MIN;
  std::string previous_variant;
  int previous_place = -1;
  for (QueueNode* node = queue.first; node != nullptr; node = node->next, ++length) {
    const IssueRecord* record = record_of(node);
    long long key = record->printing()[0] == '\0' ? INT_MIN : numeric_value(record->printing());
    int place = std::stoi(record->notes());
    ASSERT_FALSE(seen[place]);
    seen[place] = true;
    ASSERT_GE(key, previous_key);
    if (key == previous_key) {
      ASSERT_GE(std::string(record->variant()), previous_variant);
      if (record->variant() == previous_variant) {
        ASSERT_GT(place, previous_place);
      }
    }
    previous_key = key;
    previous_variant = record->variant();
    previous_place = place;
  }
  EXPECT_EQ(length, count);
  release_record_queue(&queue);
}

}  // namespace

#include "records/issue_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Every field over-long at once, each in its own letter: each must come back
// cut at its own width, neither mixed up with nor overlapping another.
TEST(IssueRecordTest, EachFieldKeepsItsOwnTextCutAtItsWidth) {
  struct Field {
    std::size_t width;
    const char* (IssueRecord::*text)() const;
    char letter;
  };
  const Field fields[] = {
      {kTitleWidth, &IssueRecord::title, 't'},
      {kPublisherWidth, &IssueRecord::publisher, 'p'},
      {kNumberWidth, &IssueRecord::number, 'n'},
      {kVariantWidth, &IssueRecord::variant, 'v'},
      {kPrintingWidth, &IssueRecord::printing, 'r'},
      {kNmValueWidth, &IssueRecord::nm_value, 'm'},
      {kNotesWidth, &IssueRecord::notes, 'o'},
  };
  std::string longer[7];
  for (int i = 0; i < 7; ++i) longer[i] = std::string(2000, fields[i].letter);
  QueueNode* node = new_record_node(
      {longer[0], longer[1], longer[2], longer[3], longer[4], longer[5], longer[6]});
  ASSERT_NE(node, nullptr);
  const IssueRecord* record = record_of(node);
  for (const Field& field : fields) {
    EXPECT_EQ(std::string((record->*field.text)()), std::string(field.width - 1, field.letter));
  }
  release_record_node(node);

  // Empty fields read as empty between filled ones; the number's value is kept.
  node = new_record_node({"Title", "", " 12x", "", "", "$3.00"});
  ASSERT_NE(node, nullptr);
  record = record_of(node);
  EXPECT_EQ(record->number_value, 12);
  EXPECT_STREQ(record->title(), "Title");
  EXPECT_STREQ(record->publisher(), "");
  EXPECT_STREQ(record->number(), " 12x");
  EXPECT_STREQ(record->variant(), "");
  EXPECT_STREQ(record->printing(), "");
  EXPECT_STREQ(record->nm_value(), "$3.00");
  EXPECT_STREQ(record->notes(), "");
  release_record_node(node);
}

// Neighbouring records of one title and publisher share their text; any other
// title or publisher starts a new one. Each record keeps its texts whatever
// order the others go in, and a title that has gone is not shared again.
TEST(IssueRecordTest, NeighboursShareTitleAndPublisher) {
  const RecordFields made[] = {
      {"A", "P", "1"}, {"A", "P", "2"}, {"A", "Q", "3"}, {"A", "Q", "4"}, {"AB", "Q", "5"},
      {"A", "Q", "6"}, {"", "", "7"},   {"", "", "8"},   {"A", "", "9"},  {"A", "", "10"},
  };
  const bool shares_with_previous[] = {false, true, false, true, false,
                                       false, false, true, false, true};
  std::vector<QueueNode*> nodes;
  for (const RecordFields& fields : made) nodes.push_back(new_record_node(fields));
  for (std::size_t i = 1; i < nodes.size(); ++i) {
    EXPECT_EQ(record_of(nodes[i])->title() == record_of(nodes[i - 1])->title(),
              shares_with_previous[i])
        << i;
  }
  for (std::size_t i : {1u, 8u, 0u, 4u, 9u, 2u, 6u}) {
    release_record_node(nodes[i]);
    nodes[i] = nullptr;
  }
  QueueNode* again = new_record_node({"A", "", "11"});
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (nodes[i] == nullptr) continue;
    const IssueRecord* record = record_of(nodes[i]);
    EXPECT_EQ(std::string(record->title()) + "|" + record->publisher() + "|" + record->number(),
              std::string(made[i].title) + "|" + std::string(made[i].publisher) + "|" +
                  std::string(made[i].number));
    release_record_node(nodes[i]);
  }
  EXPECT_STREQ(record_of(again)->title(), "A");
  EXPECT_STREQ(record_of(again)->publisher(), "");
  release_record_node(again);
}

TEST(IssueRecordTest, CutToFieldStopsBeforeTheWidthAndAtNul) {
  EXPECT_EQ(cut_to_field("abc", 4), "abc");
  EXPECT_EQ(cut_to_field(std::string_view("ab\0cd", 5), 15), "ab");
  EXPECT_EQ(cut_to_field("", 15), "");
}

TEST(IssueRecordTest, JoinIssueNumberAddsVariantAndPrintingWhenPresent) {
  struct Case {
    RecordFields fields;
    const char* joined;
  };
  const std::string full(20, '9');  // each part cut to 14 characters
  const Case cases[] = {
      {{"T", "", "12"}, "12"},
      {{"T", "", "12", "A"}, "12/A"},
      {{"T", "", "12", "", "2"}, "12-2"},
      {{"T", "", "12", "A", "2"}, "12/A-2"},
      {{"T", "", full, full, full}, "99999999999999/99999999999999-99999999999999"},
  };
  Queue queue;
  for (const Case& c : cases) {
    QueueNode* node = new_record_node(c.fields);
    ASSERT_NE(node, nullptr);
    queue_append(&queue, node);
    char joined[kJoinedNumberSize];
    EXPECT_EQ(join_issue_number(*record_of(node), joined), std::strlen(c.joined));
    EXPECT_STREQ(joined, c.joined);
  }
  release_record_queue(&queue);
  EXPECT_EQ(queue.first, nullptr);
  EXPECT_EQ(queue.last, nullptr);
}

}  // namespace

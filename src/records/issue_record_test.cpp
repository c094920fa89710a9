#include "records/issue_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
  IssueRecord* record = new_issue_record(
      {longer[0], longer[1], longer[2], longer[3], longer[4], longer[5], longer[6]});
  ASSERT_NE(record, nullptr);
  for (const Field& field : fields) {
    EXPECT_EQ(std::string((record->*field.text)()), std::string(field.width - 1, field.letter));
  }
  free_issue_record(record);

  // Empty fields read as empty between filled ones.
  record = new_issue_record({"Title", "", "12", "", "", "$3.00"});
  ASSERT_NE(record, nullptr);
  EXPECT_STREQ(record->title(), "Title");
  EXPECT_STREQ(record->publisher(), "");
  EXPECT_STREQ(record->number(), "12");
  EXPECT_STREQ(record->variant(), "");
  EXPECT_STREQ(record->printing(), "");
  EXPECT_STREQ(record->nm_value(), "$3.00");
  EXPECT_STREQ(record->notes(), "");
  free_issue_record(record);
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

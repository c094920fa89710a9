#include "records/issue_record.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IssueRecordTest, FieldsHoldTheirTextsAndEmptyOnesShareTheNul) {
  QueueNode* node = new_record_node({"Title", "Pub", "12", "", "", "$3.00", ""});
  ASSERT_NE(node, nullptr);
  const IssueRecord* record = record_of(node);
  EXPECT_STREQ(record->title(), "Title");
  EXPECT_STREQ(record->publisher(), "Pub");
  EXPECT_STREQ(record->number(), "12");
  EXPECT_STREQ(record->variant(), "");
  EXPECT_STREQ(record->printing(), "");
  EXPECT_STREQ(record->nm_value(), "$3.00");
  EXPECT_STREQ(record->notes(), "");
  EXPECT_EQ(record->variant_at, 0);
  EXPECT_EQ(node->next, nullptr);
  EXPECT_EQ(node->prev, nullptr);
  release_record_node(node);
}

TEST(IssueRecordTest, TextLongerThanItsFieldIsCutAtTheWidth) {
  struct Case {
    std::size_t width;
    const char* (IssueRecord::*field)() const;
    RecordFields fields;
  };
  std::string longer(2000, 'x');
  const Case cases[] = {
      {kTitleWidth, &IssueRecord::title, {longer}},
      {kPublisherWidth, &IssueRecord::publisher, {{}, longer}},
      {kNumberWidth, &IssueRecord::number, {{}, {}, longer}},
      {kVariantWidth, &IssueRecord::variant, {{}, {}, {}, longer}},
      {kPrintingWidth, &IssueRecord::printing, {{}, {}, {}, {}, longer}},
      {kNmValueWidth, &IssueRecord::nm_value, {{}, {}, {}, {}, {}, longer}},
      {kNotesWidth, &IssueRecord::notes, {{}, {}, {}, {}, {}, {}, longer}},
  };
  for (const Case& c : cases) {
    IssueRecord* record = new_issue_record(c.fields);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::string((record->*c.field)()), std::string(c.width - 1, 'x'));
    free_issue_record(record);
  }
}

TEST(IssueRecordTest, CutToFieldStopsAtWidthAndAtNul) {
  EXPECT_EQ(cut_to_field("abcdef", 4), "abc");
  EXPECT_EQ(cut_to_field("abc", 4), "abc");
  EXPECT_EQ(cut_to_field(std::string_view("ab\0cd", 5), 15), "ab");
  EXPECT_EQ(cut_to_field("", 15), "");
}

TEST(IssueRecordTest, ReleaseRecordQueueEmptiesIt) {
  Queue queue;
  for (int i = 0; i < 3; ++i) queue_append(&queue, new_record_node({"T"}));
  release_record_queue(&queue);
  EXPECT_EQ(queue.first, nullptr);
  EXPECT_EQ(queue.last, nullptr);
}

}  // namespace

#include "records/title_grouping.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/process_state.h"
#include "records/issue_record.h"

namespace {

class TitleGroupingTest : public testing::Test {
 protected:
  void SetUp() override { reset_process_state(); }
  void TearDown() override { reset_process_state(); }

  // Groups records of the given titles (numbered 1, 2, ... in file order) and
  // returns each issue queue as "title:numbers".
  std::vector<std::string> group(const std::vector<std::string>& titles) {
    Queue source;
    for (std::size_t i = 0; i < titles.size(); ++i) {
      std::string number = std::to_string(i + 1);
      queue_append(&source, new_record_node({titles[i], "", number}));
    }
    EXPECT_TRUE(build_title_queues(&source));
    EXPECT_EQ(source.first, nullptr);
    EXPECT_EQ(source.last, nullptr);
    std::vector<std::string> queues;
    for (QueueNode* node = title_queues.first; node != nullptr; node = node->next) {
      const Queue* issue_queue = static_cast<const Queue*>(node->payload);
      std::string row = std::string(record_of(issue_queue->first)->title()) + ":";
      for (QueueNode* n = issue_queue->first; n != nullptr; n = n->next) {
        EXPECT_STREQ(record_of(n)->title(), record_of(issue_queue->first)->title());
        row += std::string(record_of(n)->number()) + (n->next ? "," : "");
      }
      queues.push_back(row);
    }
    return queues;
  }
};

// Only adjacent titles that are equal byte for byte share a queue; an empty
// title is a title like any other.
TEST_F(TitleGroupingTest, ANewQueueStartsWheneverTheTitleChanges) {
  struct Case {
    std::vector<std::string> titles;
    std::vector<std::string> queues;
  };
  const Case cases[] = {
      {{"A", "A", "B"}, {"A:1,2", "B:3"}},
      {{"A", "B", "A"}, {"A:1", "B:2", "A:3"}},
      {{"Flash", "flash", "Flash ", "Flash Annual", "Flash"},
       {"Flash:1", "flash:2", "Flash :3", "Flash Annual:4", "Flash:5"}},
      {{"", "", "A", "", "A"}, {":1,2", "A:3", ":4", "A:5"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    reset_process_state();
    EXPECT_EQ(group(c.titles), c.queues) << testing::PrintToString(c.titles);
  }
}

}  // namespace

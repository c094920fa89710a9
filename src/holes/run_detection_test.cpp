#include "holes/run_detection.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/log_message.h"
#include "base/process_state.h"
#include "base/settings.h"
#include "holes/issue_number_split.h"
#include "records/issue_record.h"
#include "console_capture.h"

namespace {

// A title's issue queue from number texts, each split on its own and left
// in the order given. The rows give them ordered as the driver hands them to
// find_holes, except where a row needs an order the split never makes.
Queue make_queue(const std::string& title, const std::vector<std::string>& numbers) {
  Queue queue;
  for (const std::string& number : numbers) {
    Queue one;
    queue_append(&one, new_record_node(RecordFields{title, "", number, "", "", "", ""}));
    split_issue_numbers(&one);
    queue_append(&queue, queue_pop_front(&one));
  }
  return queue;
}

std::vector<std::string> reported() {
  std::vector<std::string> result;
  for (QueueNode* node = report_queue.first; node != nullptr; node = node->next) {
    char joined[kJoinedNumberSize];
    result.push_back(std::string(joined, join_issue_number(*record_of(node), joined)));
  }
  return result;
}

class FindHoles : public testing::Test {
 protected:
  void TearDown() override { reset_process_state(); }

  // Runs find_holes on `queue` and returns what it logged.
  std::string run(Queue* queue, int limit) {
    size_limit = limit;
    ConsoleCapture console;
    find_holes(queue);
    std::string log = console.out();
    EXPECT_EQ(queue->first, nullptr);
    EXPECT_EQ(queue->last, nullptr);
    return log;
  }
};

struct HoleCase {
  int limit;
  std::vector<std::string> queue;
  std::string log;
  std::vector<std::string> report;
};

TEST_F(FindHoles, RunsRulesAndFilter) {
  const HoleCase cases[] = {
      {4, {"5", "6", "6/A", "7", "9"}, "", {"5", "6", "6/A", "7", "9"}},
      {4,
       {"3", "4/B", "5", "7", "8", "8-2", "8-4", "9", "12/A", "13", "14", "15", "16"},
       "\tRejecting issue 4/B (original owned)\n"
       "\tRejecting issue T 8 (own a printing)\n"
       "\tRejecting issue T 8-2 (own a printing)\n"
       "\tRejecting issue T 8-4 (own a printing)\n"
       "\tRejecting issue 12/A (original owned)\n",
       {"3", "5", "7", "9"}},
      // The filter: strict, signed, on the span rather than the count.
      {4, {"5", "6", "7", "8"}, "", {"5", "6", "7", "8"}},
      {4, {"5", "6", "7", "8", "9"}, "", {}},
      {4, {"5", "5", "5", "5", "5", "6"}, "", {"5", "5", "5", "5", "5", "6"}},
      {1, {"5"}, "", {"5"}},
      {0, {"5"}, "", {}},
      {-3, {"5", "5A"}, "", {}},
      {1, {"5", "5-2", "7", "8"}, "", {"5", "5-2"}},
      {1, {"5", "7", "6"}, "", {"5", "7", "6"}},
      {4, {"9", "3", "5"}, "", {"9", "3", "5"}},
      // Rule 1: an edition without its plain issue ahead of it.
      {4, {"6/A"}, "\tRejecting issue 6/A (original owned)\n", {}},
      {4, {"5", "6/A", "7"}, "\tRejecting issue 6/A (original owned)\n", {"5", "7"}},
      {4, {"5", "6/A-2"}, "\tRejecting issue 6/A-2 (original owned)\n", {"5"}},
      {4, {"6-3", "7"}, "\tRejecting issue 6-3 (original owned)\n", {"7"}},
      {4,
       {"8/A", "8-2", "8-3", "9"},
       "\tRejecting issue 8/A (original owned)\n"
       "\tRejecting issue 8-2 (original owned)\n"
       "\tRejecting issue 8-3 (original owned)\n",
       {"9"}},
      {4, {"6", "6A"}, "", {"6", "6A"}},
      // Rule 2: a break between printings rejects the whole number.
      {4, {"8", "8-2", "8-3"}, "", {"8", "8-2", "8-3"}},
      {4, {"8", "8-3"}, "", {"8", "8-3"}},
      {4,
       {"7", "8", "8-2", "8-4"},
       "\tRejecting issue T 8 (own a printing)\n"
       "\tRejecting issue T 8-2 (own a printing)\n"
       "\tRejecting issue T 8-4 (own a printing)\n",
       {"7"}},
      {4,
       {"8", "8/A-2", "8/B-2"},
       "\tRejecting issue T 8 (own a printing)\n"
       "\tRejecting issue T 8/A-2 (own a printing)\n"
       "\tRejecting issue T 8/B-2 (own a printing)\n",
       {}},
      {4,
       {"8", "8/A", "8-2", "8-4"},
       "\tRejecting issue T 8 (own a printing)\n"
       "\tRejecting issue T 8/A (own a printing)\n"
       "\tRejecting issue T 8-2 (own a printing)\n"
       "\tRejecting issue T 8-4 (own a printing)\n",
       {}},
      // Rejections are logged even for a run the filter then drops.
      {1,
       {"8", "8-3", "8-5", "9"},
       "\tRejecting issue T 8 (own a printing)\n"
       "\tRejecting issue T 8-3 (own a printing)\n"
       "\tRejecting issue T 8-5 (own a printing)\n",
       {}},
      // Values beyond the int range stick at its ends and never overflow.
      {1, {"2147483647", "99999999999/A"}, "", {"2147483647", "99999999999/A"}},
      {1, {"-2147483648", "-99999999999/A"}, "", {"-2147483648", "-99999999999/A"}},
      {1, {"2147483647", "-2147483648"}, "", {"2147483647", "-2147483648"}},
      {4, {"-2147483648", "-2147483647", "-2147483646"}, "",
       {"-2147483648", "-2147483647", "-2147483646"}},
      {4, {"2147483645", "2147483646", "2147483647"}, "",
       {"2147483645", "2147483646", "2147483647"}},
      {4,
       {"8", "8-2147483646", "8-2147483647"},
       "",
       {"8", "8-2147483646", "8-2147483647"}},
      {4,
       {"8", "8-2147483647", "8-99999999999"},
       "\tRejecting issue T 8 (own a printing)\n"
       "\tRejecting issue T 8-2147483647 (own a printing)\n"
       "\tRejecting issue T 8-99999999999 (own a printing)\n",
       {}},
      // Never ordered so by the split: the largest printing followed by the
      // smallest is a break, not a wrap-around to consecutive values.
      {4,
       {"8", "8-2147483647", "8--2147483648"},
       "\tRejecting issue T 8 (own a printing)\n"
       "\tRejecting issue T 8-2147483647 (own a printing)\n"
       "\tRejecting issue T 8--2147483648 (own a printing)\n",
       {}},
  };
  for (const HoleCase& c : cases) {
    std::string label = c.queue.front() + " .. " + c.queue.back();
    Queue queue = make_queue("T", c.queue);
    EXPECT_EQ(run(&queue, c.limit), c.log) << label;
    EXPECT_EQ(reported(), c.report) << label;
    reset_process_state();
  }
}

TEST_F(FindHoles, AppendsAfterEarlierTitles) {
  Queue first = make_queue("Alpha", {"1", "2", "9"});
  Queue second = make_queue("Beta", {"4", "5/A", "6"});
  run(&first, 4);
  EXPECT_EQ(run(&second, 4), "\tRejecting issue 5/A (original owned)\n");
  EXPECT_EQ(reported(), (std::vector<std::string>{"1", "2", "9", "4", "6"}));
  std::vector<std::string> titles;
  for (QueueNode* node = report_queue.first; node != nullptr; node = node->next) {
    titles.push_back(record_of(node)->title());
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"Alpha", "Alpha", "Alpha", "Beta", "Beta"}));
  EXPECT_EQ(report_queue.last->next, nullptr);
}

}  // namespace

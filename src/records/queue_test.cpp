#include "records/queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Walks the queue forwards and backwards, checking every link on the way.
std::vector<QueueNode*> checked_nodes(const Queue& queue) {
  std::vector<QueueNode*> nodes;
  QueueNode* previous = nullptr;
  for (QueueNode* node = queue.first; node != nullptr; node = node->next) {
    EXPECT_EQ(node->prev, previous);
    nodes.push_back(node);
    previous = node;
  }
  EXPECT_EQ(queue.last, previous);
  return nodes;
}

TEST(QueueTest, AppendToEmptyMakesNodeFirstAndLast) {
  Queue queue;
  QueueNode node;
  node.next = &node;  // stale links are overwritten
  node.prev = &node;
  queue_append(&queue, &node);
  EXPECT_EQ(queue.first, &node);
  EXPECT_EQ(queue.last, &node);
  EXPECT_EQ(node.next, nullptr);
  EXPECT_EQ(node.prev, nullptr);
}

TEST(QueueTest, NodesComeOffInTheOrderTheyWentIn) {
  Queue queue;
  QueueNode nodes[4];
  for (QueueNode& node : nodes) queue_append(&queue, &node);
  EXPECT_EQ(checked_nodes(queue),
            (std::vector<QueueNode*>{&nodes[0], &nodes[1], &nodes[2], &nodes[3]}));
  for (QueueNode& node : nodes) {
    QueueNode* popped = queue_pop_front(&queue);
    EXPECT_EQ(popped, &node);
    EXPECT_EQ(popped->next, nullptr);
    EXPECT_EQ(popped->prev, nullptr);
    checked_nodes(queue);
  }
  EXPECT_EQ(queue.first, nullptr);
  EXPECT_EQ(queue.last, nullptr);
}

TEST(QueueTest, NullAndEmptyArgumentsChangeNothing) {
  Queue queue;
  EXPECT_EQ(queue_pop_front(&queue), nullptr);
  EXPECT_EQ(queue_pop_front(nullptr), nullptr);
  queue_append(&queue, nullptr);
  EXPECT_EQ(queue.first, nullptr);
  QueueNode node;
  queue_append(nullptr, &node);
  EXPECT_EQ(node.next, nullptr);
  queue_append(&queue, &node);
  queue_append(&queue, nullptr);
  EXPECT_EQ(checked_nodes(queue), std::vector<QueueNode*>{&node});
}

// The unlinked node keeps its successor, so a walker can step on, and can
// then join another queue, whose append overwrites those stale links.
TEST(QueueTest, UnlinkKeepsTheRemovedNodesSuccessor) {
  struct Case {
    int count;
    int remove;
    std::vector<int> left;
  };
  const Case cases[] = {{3, 0, {1, 2}}, {3, 1, {0, 2}}, {3, 2, {0, 1}}, {1, 0, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "removing " << c.remove << " of " << c.count);
    Queue queue;
    QueueNode nodes[3];
    for (int i = 0; i < c.count; ++i) queue_append(&queue, &nodes[i]);
    QueueNode* successor = nodes[c.remove].next;
    queue_unlink(&queue, &nodes[c.remove]);
    EXPECT_EQ(nodes[c.remove].next, successor);
    std::vector<QueueNode*> expected;
    for (int index : c.left) expected.push_back(&nodes[index]);
    EXPECT_EQ(checked_nodes(queue), expected);
    Queue other;
    QueueNode head;
    queue_append(&other, &head);
    queue_append(&other, &nodes[c.remove]);
    EXPECT_EQ(checked_nodes(other), (std::vector<QueueNode*>{&head, &nodes[c.remove]}));
  }
}

}  // namespace

// The queue between GStreamer's threads and the RTSP source's delivery thread.
#include "platform/livevideo/handoff_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using namespace std::chrono_literals;

TEST(HandoffQueue, HandsItemsOverInOrderHoldsAProducerBackWhileFullAndReleasesEveryWaiterOnClose) {
    livevideo::HandoffQueue<int> queue(2);
    EXPECT_FALSE(queue.push(0)) << "closed until opened";
    queue.open();
    EXPECT_TRUE(queue.push(1));
    EXPECT_TRUE(queue.push(2));
    auto third = std::async(std::launch::async, [&queue] { return queue.push(3); });
    EXPECT_EQ(third.wait_for(50ms), std::future_status::timeout) << "a full queue holds the producer back";
    EXPECT_EQ(queue.pop(), 1);
    EXPECT_TRUE(third.get());
    EXPECT_EQ(queue.pop(), 2);
    EXPECT_EQ(queue.pop(), 3);

    auto consumer = std::async(std::launch::async, [&queue] { return queue.pop(); });
    queue.close();
    EXPECT_EQ(consumer.get(), std::nullopt);

    queue.open();
    queue.push(1);
    queue.push(2);
    auto producer = std::async(std::launch::async, [&queue] { return queue.push(3); });
    queue.close();
    EXPECT_FALSE(producer.get());
    EXPECT_EQ(queue.pop(), std::nullopt) << "what waited is dropped";
}

}  // namespace

#include "platform/ordered_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace phreatix {
namespace {

// Later items finish first (their work is shorter): they are still taken in
// order, each slot is held by one item at a time, and two workers really
// worked at once.
TEST(OrderedWork, ItemsAreTakenInOrderWhateverFinishesFirst) {
  constexpr std::size_t kItems = 12;
  for (int workers : {1, 2, 3}) {
    SCOPED_TRACE(workers);
    std::vector<std::size_t> prepared, taken;
    std::vector<int> done(kItems, 0);
    std::mutex mutex;
    std::set<std::size_t> busySlots;
    std::atomic<int> running{0}, mostAtOnce{0};
    bool slotClash = false;
    OrderedSteps steps;
    steps.prepare = [&](std::size_t item, std::size_t slot) {
      prepared.push_back(item);
      std::lock_guard<std::mutex> lock(mutex);
      slotClash = slotClash || !busySlots.insert(slot).second;
      return item % 4 != 3;  // every fourth item needs no worker
    };
    steps.work = [&](std::size_t item, std::size_t, int worker) {
      EXPECT_GE(worker, 0);
      EXPECT_LT(worker, workers);
      const int now = ++running;
      for (int most = mostAtOnce; now > most && !mostAtOnce.compare_exchange_weak(most, now);) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2 * (kItems - item)));
      done[item] = 1;
      --running;
    };
    steps.take = [&](std::size_t item, std::size_t slot) {
      EXPECT_EQ(done[item], item % 4 != 3 ? 1 : 0) << item;
      taken.push_back(item);
      std::lock_guard<std::mutex> lock(mutex);
      busySlots.erase(slot);
    };
    runOrdered(workers, kItems, steps);
    std::vector<std::size_t> all(kItems);
    for (std::size_t i = 0; i < kItems; ++i) all[i] = i;
    EXPECT_EQ(prepared, all);
    EXPECT_EQ(taken, all);
    EXPECT_FALSE(slotClash);
    EXPECT_EQ(mostAtOnce.load(), workers);
  }
}

// An item whose work throws: the items before it are taken, the error comes
// out on the calling thread at its turn, no item after it is taken, and no
// worker is left running.
TEST(OrderedWork, AFailingItemFailsAtItsTurnAfterTheItemsBeforeIt) {
  for (int workers : {1, 2}) {
    SCOPED_TRACE(workers);
    std::vector<std::size_t> taken;
    std::atomic<int> running{0};
    OrderedSteps steps;
    steps.prepare = [](std::size_t, std::size_t) { return true; };
    steps.work = [&](std::size_t item, std::size_t, int) {
      ++running;
      std::this_thread::sleep_for(std::chrono::milliseconds(item == 3 ? 1 : 5));
      --running;
      if (item == 3) throw std::runtime_error("item 3");
    };
    steps.take = [&](std::size_t item, std::size_t) { taken.push_back(item); };
    try {
      runOrdered(workers, 8, steps);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "item 3");
    }
    EXPECT_EQ(taken, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(running.load(), 0);
  }
}

// A stop asked for while items run: no item is handed out after it, every
// item prepared before it is still worked on and taken.
TEST(OrderedWork, AStopHandsOutNoMoreItemsAndTakesThePreparedOnes) {
  for (int workers : {1, 2}) {
    SCOPED_TRACE(workers);
    std::vector<std::size_t> prepared, worked, taken;
    std::mutex mutex;
    bool stop = false;
    OrderedSteps steps;
    steps.stop = [&] { return stop; };
    steps.prepare = [&](std::size_t item, std::size_t) {
      prepared.push_back(item);
      return true;
    };
    steps.work = [&](std::size_t item, std::size_t, int) {
      std::lock_guard<std::mutex> lock(mutex);
      worked.push_back(item);
    };
    steps.take = [&](std::size_t item, std::size_t) {
      taken.push_back(item);
      if (item == 2) stop = true;
    };
    runOrdered(workers, 20, steps);
    EXPECT_EQ(taken, prepared);
    EXPECT_EQ(worked.size(), prepared.size());
    EXPECT_GE(prepared.size(), 3u);
    EXPECT_LE(prepared.size(), 3u + orderedSlots(workers));
  }
}

}  // namespace
}  // namespace phreatix

#include "platform/ordered_work.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace phreatix {

std::size_t orderedSlots(int workers) {
  return workers <= 1 ? 1 : 4 * static_cast<std::size_t>(workers);
}

namespace {

constexpr std::chrono::milliseconds kIdleEvery{50};

struct Shared {
  std::mutex mutex;
  std::condition_variable toWorkers;
  std::condition_variable toCaller;
  std::deque<std::size_t> queue;
  std::vector<char> done;
  std::vector<std::exception_ptr> errors;
  bool closing = false;
};

// The workers stop and are joined however the calling thread leaves.
class Crew {
 public:
  Crew(Shared& shared, int workers, std::size_t slots, const OrderedSteps& steps)
      : shared_(shared) {
    threads_.reserve(static_cast<std::size_t>(workers));
    for (int w = 0; w < workers; ++w) {
      threads_.emplace_back([this, w, slots, &steps] { loop(w, slots, steps); });
    }
  }
  ~Crew() {
    {
      std::lock_guard<std::mutex> lock(shared_.mutex);
      shared_.closing = true;
    }
    shared_.toWorkers.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  Crew(const Crew&) = delete;
  Crew& operator=(const Crew&) = delete;

 private:
  void loop(int worker, std::size_t slots, const OrderedSteps& steps) {
    for (;;) {
      std::size_t item;
      {
        std::unique_lock<std::mutex> lock(shared_.mutex);
        shared_.toWorkers.wait(lock, [this] { return shared_.closing || !shared_.queue.empty(); });
        if (shared_.closing) return;
        item = shared_.queue.front();
        shared_.queue.pop_front();
      }
      std::exception_ptr error;
      try {
        steps.work(item, item % slots, worker);
      } catch (...) {
        error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        shared_.errors[item] = error;
        shared_.done[item] = 1;
      }
      shared_.toCaller.notify_one();
    }
  }

  Shared& shared_;
  std::vector<std::thread> threads_;
};

}  // namespace

void runOrdered(int workers, std::size_t count, const OrderedSteps& steps) {
  if (workers <= 1) {
    for (std::size_t item = 0; item < count; ++item) {
      if (steps.stop && steps.stop()) return;
      if (steps.prepare(item, 0)) steps.work(item, 0, 0);
      steps.take(item, 0);
    }
    return;
  }
  const std::size_t slots = orderedSlots(workers);
  Shared shared;
  shared.done.assign(count, 0);
  shared.errors.assign(count, nullptr);
  std::exception_ptr failure;
  std::size_t next = 0, taken = 0;
  bool stopped = false;
  auto lastIdle = std::chrono::steady_clock::now();
  auto idle = [&] {
    lastIdle = std::chrono::steady_clock::now();
    if (steps.idle) steps.idle();
  };
  {
    Crew crew(shared, workers, slots, steps);
    while (taken < next || (next < count && !stopped)) {
      while (next < count && next - taken < slots && !stopped) {
        if (steps.stop && steps.stop()) {
          stopped = true;
          break;
        }
        const bool needsWorker = steps.prepare(next, next % slots);
        {
          std::lock_guard<std::mutex> lock(shared.mutex);
          if (needsWorker) {
            shared.queue.push_back(next);
          } else {
            shared.done[next] = 1;
          }
        }
        if (needsWorker) shared.toWorkers.notify_one();
        ++next;
      }
      if (taken == next) break;
      {
        std::unique_lock<std::mutex> lock(shared.mutex);
        while (!shared.done[taken]) {
          shared.toCaller.wait_for(lock, kIdleEvery);
          if (shared.done[taken]) break;
          lock.unlock();
          idle();
          lock.lock();
        }
        failure = shared.errors[taken];
      }
      if (failure) break;
      steps.take(taken, taken % slots);
      ++taken;
      // Items that finish one after the other never make the caller wait:
      // the window still gets its turn.
      if (std::chrono::steady_clock::now() - lastIdle >= kIdleEvery) idle();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace phreatix

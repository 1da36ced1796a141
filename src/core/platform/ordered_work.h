// A row of items worked on by up to N workers, each item's outcome taken on
// the calling thread in the order of the row: what a serial loop would have
// written, the lines it would have appended, come out in the same order
// whatever worker finished first.
//
// Every item passes three steps:
//   prepare  on the calling thread, item after item in order, before the
//            item is handed out; false when the item needs no worker (it
//            is taken at its turn all the same)
//   work     on a worker thread; an exception is held and thrown again on
//            the calling thread at the item's turn, after every worker has
//            stopped
//   take     on the calling thread, item after item in order
// At most 4N items are prepared and not yet taken; an item's slot
// (item % slots(N)) is free again once the item is taken, so that a slot
// can own a scratch directory. With one worker everything runs on the
// calling thread, item after item, as a plain loop.
#pragma once

#include <cstddef>
#include <functional>

namespace phreatix {

struct OrderedSteps {
  std::function<bool(std::size_t item, std::size_t slot)> prepare;
  std::function<void(std::size_t item, std::size_t slot, int worker)> work;
  std::function<void(std::size_t item, std::size_t slot)> take;
  // On the calling thread about every 50 ms while items are worked on,
  // waiting or not: lets a window draw and take its events.
  std::function<void()> idle;
  // Asked before each item is prepared: true stops handing out items; the
  // items prepared so far are still worked on and taken.
  std::function<bool()> stop;
};

// The number of slots for `workers` workers.
std::size_t orderedSlots(int workers);

// Works through items 0 .. count-1 as above.
void runOrdered(int workers, std::size_t count, const OrderedSteps& steps);

}  // namespace phreatix

// The printer's ink ribbon and paper set, as far as it reports it: the
// prints a new roll makes and the prints left.
#pragma once

namespace kv71p::delivery {

struct Supplies {
  long initial = -1;    // prints on a new roll (INFO MQTY_DEFAULT); -1 when unknown
  long remaining = -1;  // prints left (INFO MQTY); -1 when unknown

  // Prints left as a share of a new roll, 0 to 100; -1 when unknown.
  int LevelPercent() const {
    if (initial <= 0 || remaining < 0) return -1;
    const long level = remaining * 100 / initial;
    return level > 100 ? 100 : static_cast<int>(level);
  }
};

}  // namespace kv71p::delivery

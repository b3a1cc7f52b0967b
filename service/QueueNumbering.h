// The names of the suite's print queues: the base queue
// "KORVALE_SYSTEMS_KV_71P" and the numbered queues
// "KORVALE_SYSTEMS_KV_71P_<n>", and the number a new printer's queue gets.
#pragma once

#include <string>
#include <vector>

namespace kv71p::service {

// The name of queue `number`: the base name for 0.
std::string QueueName(int number);

// True when `queueNames` hold the queue of `number` (CUPS compares queue
// names ignoring case).
bool QueueExists(const std::vector<std::string>& queueNames, int number);

// The queue for a new printer given the names of the existing queues: 0
// for the base queue when no name counts; otherwise the first position k
// (from 1) at which the queues' numbers in ascending order differ from k,
// else their count plus one, moved on while a queue of that number exists.
// A name counts when it contains the base name (any case): the base name
// alone as 1, a name with "<base>_" as the leading number of its last
// "_" piece (0 without one).
int ChooseQueueNumber(const std::vector<std::string>& queueNames);

}  // namespace kv71p::service

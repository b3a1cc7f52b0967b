// The worker of one attached printer: a cycle once a second that looks for
// flag files and, when there is something to do, makes a pass over the
// printer's interfaces.
#pragma once

#include "service/ThData.h"

namespace kv71p::service {

enum : unsigned { kCycleSleepSeconds = 1 };

// The worker's entry; `record` is its thdata. Returns null when the
// printer has been removed.
void* thread_function(void* record);

}  // namespace kv71p::service

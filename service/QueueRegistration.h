// Every printer the service sees gets a CUPS queue of its own, bound to it
// by the serial number at the end of the queue's device URI
// "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=<serial>".
#pragma once

#include <cups/cups.h>

#include <string>
#include <vector>

#include "service/ThData.h"

namespace kv71p::service {

// Looks for this printer's queue and creates one when there is none; sets
// `queueRegistered` when a queue was found or lpadmin was run. Without a
// printer list nothing is created and the next pass tries again.
// Registrations of different workers run one after another, so each sees
// the queues the others created.
void RegisterQueue(thdata* record);

// Callback of the destination enumeration: sets the record's
// `queueRegistered` when `destination`'s device URI is this printer's
// queue URI. Returns 1 (go on) for every destination.
int enum_cb(void* record, unsigned flags, cups_dest_t* destination);

// True when the URI mentions the serial number anywhere; a URI longer than
// 254 bytes counts as not mentioning it.
bool UriMentionsSerial(const std::string& uri, const char* serialNo);

// The number a queue name stands for in the numbering: none (false) for a
// name without "KORVALE_SYSTEMS_KV_71P" (any case); 1 for the base name;
// the leading number of the piece after the last "_" (0 without one) for a
// name with "KORVALE_SYSTEMS_KV_71P_".
bool QueueNumberOfName(const std::string& name, int* number);

// The number of the next queue: the first position k (from 1) at which the
// numbers in ascending order differ from k, else their count plus one.
int NextQueueNumber(std::vector<int> numbers);

// The queue for a new printer given the names of the existing queues: 0
// for the base queue when no name counts, else NextQueueNumber of their
// numbers, moved on to the next number while a queue of that number
// exists.
int ChooseQueueNumber(const std::vector<std::string>& queueNames);

}  // namespace kv71p::service

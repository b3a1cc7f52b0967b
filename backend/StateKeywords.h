// The printer's conditions (delivery/PrinterCondition.h) as CUPS
// printer-state-reasons keywords, each with the text the job's messages
// give it: one table. Standard keywords where one fits; the KV-71P's own
// conditions get vendor keywords, described to CUPS by the queue's PPD
// (*cupsIPPReason). The backend sets the keyword of a condition when it
// begins and clears it when it ends.
#pragma once

#include <string>
#include <vector>

#include "delivery/PrinterCondition.h"

namespace kv71p::backend {

struct ConditionKeyword {
  delivery::PrinterCondition condition;
  const char* keyword;
  const char* text;  // for INFO: and ERROR: lines; "%d" stands for the status number
};

// The row of `condition`; null for the conditions without a keyword (ready,
// printing).
const ConditionKeyword* FindConditionKeyword(delivery::PrinterCondition condition);

// The text of the condition behind `status`, with the status number filled
// in; empty for ready and printing.
std::string ConditionText(int status);

// Every keyword the backend sets, each once: cleared when a job starts.
std::vector<std::string> OwnedKeywords();

}  // namespace kv71p::backend

// The queues of the private cupsd as the service makes them: one per
// printer, its device URI naming that printer. Each look lists the queues;
// a queue whose device URI changed since it was first seen was taken from
// the printer it was made for.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kv71p::soak {

struct SoakQueue {
  std::string name;       // the queue's name, for lp
  std::string shownName;  // the name CUPS shows, for the status window
  std::string uri;        // device URI when first seen
};

class QueueAudit {
 public:
  // Lists the queues; false when the scheduler did not answer.
  bool Look();
  // The queue whose device URI names `serial`; null when there is none.
  const SoakQueue* QueueOf(const std::string& serial) const;
  // What is wrong with the queues for these serial numbers: a queue
  // re-pointed, a serial with no queue or several, a queue for no printer.
  std::vector<std::string> Problems(const std::vector<std::string>& serials) const;
  size_t count() const { return queues_.size(); }

 private:
  std::map<std::string, SoakQueue> queues_;  // by queue name
  std::vector<std::string> repointed_;
};

}  // namespace kv71p::soak

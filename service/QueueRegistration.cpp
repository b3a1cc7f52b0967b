#include "service/QueueRegistration.h"

#include <cups/cups.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "common/DeviceUri.h"
#include "platform/cups/CupsDestinations.h"
#include "service/LpadminCommand.h"
#include "service/QueueNumbering.h"

namespace kv71p::service {

namespace {

// Longest device URI text looked at, as in a 255-byte buffer.
constexpr size_t kLongestUri = 254;

// Registrations of different workers never overlap.
std::mutex gRegistrationMutex;

// The search of the destination enumeration for the printer's own queue.
struct QueueSearch {
  const std::string* serialNo;
  bool found;
  std::string queue;  // the first queue whose device URI is the printer's
};

// What a cupsEnumDests callback returns to see the next destination.
constexpr int kNextDestination = 1;

// Callback of cupsEnumDests: notes a destination whose device URI is the
// printer's. Looks at every destination.
int NoteQueueOfPrinter(void* search, unsigned /*flags*/, cups_dest_t* destination) {
  QueueSearch* s = static_cast<QueueSearch*>(search);
  if (destination == nullptr) return kNextDestination;
  const char* uri = cupsGetOption("device-uri", destination->num_options, destination->options);
  if (uri != nullptr && !s->found && IsDeviceUriOf(uri, *s->serialNo)) {
    s->found = true;
    s->queue = destination->name ? destination->name : "";
  }
  return kNextDestination;
}

QueueRegistration CreateQueue(const std::string& serialNo, int number) {
  QueueRegistration result;
  result.queue = QueueName(number);
  result.lpadminStatus = RunLpadmin(LpadminArguments(number, serialNo));
  result.outcome = result.lpadminStatus == 0 ? QueueOutcome::Created : QueueOutcome::LpadminFailed;
  return result;
}

}  // namespace

bool UriMentionsSerial(const std::string& uri, const std::string& serialNo) {
  if (uri.size() > kLongestUri) return false;
  return uri.find(serialNo) != std::string::npos;
}

QueueRegistration RegisterQueue(const std::string& serialNo) {
  QueueRegistration result;
  // Every URI "contains" the empty text, and a URI ending in "serial="
  // could never be recognised as this printer's.
  if (serialNo.empty()) {
    result.outcome = QueueOutcome::NoSerialNumber;
    return result;
  }
  std::lock_guard<std::mutex> lock(gRegistrationMutex);

  // A queue whose URI ends in exactly this serial number?
  QueueSearch search{&serialNo, false, std::string()};
  EnumerateQueues(NoteQueueOfPrinter, &search);
  if (search.found) {
    result.outcome = QueueOutcome::Found;
    result.queue = search.queue;
    return result;
  }

  // The printer list; without it, no queue this time.
  std::vector<kv71p::CupsDestination> printers;
  if (!kv71p::ListCupsDestinations(&printers)) return result;
  std::vector<std::string> names;
  bool mentioned = false;
  for (const kv71p::CupsDestination& p : printers) {
    if (p.isInstance) continue;
    names.push_back(p.id);
    mentioned = mentioned || (p.hasDeviceUri && UriMentionsSerial(p.deviceUri, serialNo));
  }
  // A queue that mentions the serial number without being recognised
  // above: the base queue is made for this printer, but only where it does
  // not exist, so that no other printer's queue is redefined.
  if (mentioned && !QueueExists(names, 0)) return CreateQueue(serialNo, 0);
  return CreateQueue(serialNo, ChooseQueueNumber(names));
}

}  // namespace kv71p::service

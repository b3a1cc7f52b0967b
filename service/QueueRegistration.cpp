#include "service/QueueRegistration.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "common/TextHelpers.h"
#include "common/DeviceUri.h"
#include "platform/cups/CupsDestinations.h"
#include "service/LpadminCommand.h"

namespace kv71p::service {

namespace {

// Longest device URI text looked at, as in a 255-byte buffer.
constexpr size_t kLongestUri = 254;

// Registrations of different workers never overlap.
std::mutex gRegistrationMutex;

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                        [&](char a, char b) { return upper(a) == upper(b); });
  return it != text.end();
}

// Runs lpadmin for queue `number` (0: the base queue) and records the
// registration, whatever lpadmin made of it.
void CreateQueue(thdata* record, int number) {
  RunLpadmin(LpadminArguments(number, record->serialNo));
  record->queueRegistered = 1;
}

}  // namespace

int enum_cb(void* record, unsigned /*flags*/, cups_dest_t* destination) {
  thdata* r = static_cast<thdata*>(record);
  if (r == nullptr || destination == nullptr) return 1;
  const char* uri = cupsGetOption("device-uri", destination->num_options, destination->options);
  if (uri != nullptr && IsDeviceUriOf(uri, r->serialNo)) r->queueRegistered = 1;
  return 1;
}

bool UriMentionsSerial(const std::string& uri, const char* serialNo) {
  if (serialNo == nullptr || uri.size() > kLongestUri) return false;
  return uri.find(serialNo) != std::string::npos;
}

bool QueueNumberOfName(const std::string& name, int* number) {
  if (!ContainsIgnoringCase(name, kQueueBaseName)) return false;
  if (!ContainsIgnoringCase(name, std::string(kQueueBaseName) + "_")) {
    *number = 1;
    return true;
  }
  *number = kv71p::ParseInt(name.c_str() + name.rfind('_') + 1);
  return true;
}

int NextQueueNumber(std::vector<int> numbers) {
  std::sort(numbers.begin(), numbers.end());
  for (size_t i = 0; i < numbers.size(); ++i)
    if (numbers[i] != static_cast<int>(i + 1)) return static_cast<int>(i + 1);
  return static_cast<int>(numbers.size() + 1);
}

int ChooseQueueNumber(const std::vector<std::string>& queueNames) {
  std::vector<int> numbers;
  for (const std::string& name : queueNames) {
    int number = 0;
    if (!name.empty() && QueueNumberOfName(name, &number)) numbers.push_back(number);
  }
  if (numbers.empty()) return 0;
  int k = NextQueueNumber(numbers);
  // Numbers can stand twice (the base queue and "_1" are both 1; "_abc"
  // is 0 and pushes the others up), and the search may then land on a
  // number whose queue exists: the lpadmin command would take that queue
  // from its printer. The next number without a queue is taken instead.
  auto taken = [&](int n) {
    const std::string candidate = std::string(kQueueBaseName) + "_" + std::to_string(n);
    for (const std::string& name : queueNames)
      if (name.size() == candidate.size() && ContainsIgnoringCase(name, candidate)) return true;
    return false;
  };
  while (taken(k)) ++k;
  return k;
}

void RegisterQueue(thdata* record) {
  if (record == nullptr) return;
  std::lock_guard<std::mutex> lock(gRegistrationMutex);

  // 1. A queue whose URI ends in exactly this serial number?
  cupsEnumDests(0, 0, nullptr, 0, 0, enum_cb, record);
  if (record->queueRegistered) return;

  // 3. The printer list; without it, no queue this time.
  std::vector<kv71p::CupsDestination> printers;
  if (!kv71p::ListCupsDestinations(&printers)) return;
  // 4. No printers at all: the base queue.
  if (printers.empty()) return CreateQueue(record, 0);

  // 5. A queue that mentions the serial number but was not recognised
  // above: the base queue is defined for this printer.
  for (const kv71p::CupsDestination& p : printers) {
    if (p.isInstance) continue;
    if (p.hasDeviceUri && UriMentionsSerial(p.deviceUri, record->serialNo))
      return CreateQueue(record, 0);
  }

  // 6-8. The base queue, or the first free number.
  std::vector<std::string> names;
  for (const kv71p::CupsDestination& p : printers)
    if (!p.isInstance) names.push_back(p.id);
  CreateQueue(record, ChooseQueueNumber(names));
}

}  // namespace kv71p::service

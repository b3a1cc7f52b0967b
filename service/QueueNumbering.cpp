#include "service/QueueNumbering.h"

#include <algorithm>

#include "common/DeviceUri.h"
#include "common/TextHelpers.h"

namespace kv71p::service {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                        [](char a, char b) { return Upper(a) == Upper(b); });
  return it != text.end();
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && ContainsIgnoringCase(a, b);
}

// The number a queue name stands for in the numbering; false for a name
// that does not count.
bool QueueNumberOfName(const std::string& name, int* number) {
  if (!ContainsIgnoringCase(name, kQueueBaseName)) return false;
  if (!ContainsIgnoringCase(name, std::string(kQueueBaseName) + "_")) {
    *number = 1;
    return true;
  }
  *number = kv71p::ParseInt(name.c_str() + name.rfind('_') + 1);
  return true;
}

// The first position k (from 1) at which the numbers in ascending order
// differ from k, else their count plus one.
int FirstGap(std::vector<int> numbers) {
  std::sort(numbers.begin(), numbers.end());
  for (size_t i = 0; i < numbers.size(); ++i)
    if (numbers[i] != static_cast<int>(i + 1)) return static_cast<int>(i + 1);
  return static_cast<int>(numbers.size() + 1);
}

}  // namespace

std::string QueueName(int number) {
  std::string name = kQueueBaseName;
  if (number != 0) name += "_" + std::to_string(number);
  return name;
}

bool QueueExists(const std::vector<std::string>& queueNames, int number) {
  const std::string wanted = QueueName(number);
  return std::any_of(queueNames.begin(), queueNames.end(),
                     [&](const std::string& name) { return EqualIgnoringCase(name, wanted); });
}

int ChooseQueueNumber(const std::vector<std::string>& queueNames) {
  std::vector<int> numbers;
  for (const std::string& name : queueNames) {
    int number = 0;
    if (!name.empty() && QueueNumberOfName(name, &number)) numbers.push_back(number);
  }
  if (numbers.empty()) return 0;
  int k = FirstGap(numbers);
  // Numbers can stand twice (the base queue and "_1" are both 1; "_abc"
  // is 0 and pushes the others up), and the search may then land on a
  // number whose queue exists: the lpadmin command would take that queue
  // from its printer. The next number without a queue is taken instead.
  while (QueueExists(queueNames, k)) ++k;
  return k;
}

}  // namespace kv71p::service

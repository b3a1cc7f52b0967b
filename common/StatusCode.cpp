#include "common/StatusCode.h"

namespace kv71p {

int MessageCodeOfStatus(int status) {
  for (const StatusMessage& row : kStatusMessages)
    if (row.status == status) return row.message;
  return kNoMessage;
}

bool IsSystemError(int status) {
  return status >= kStatusSystemErrorFirst && status <= kStatusSystemErrorLast &&
         MessageCodeOfStatus(status) >= 0;
}

}  // namespace kv71p

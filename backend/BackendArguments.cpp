#include "backend/BackendArguments.h"

#include <cups/backend.h>

#include <algorithm>
#include <cstdlib>

#include "common/DeviceUri.h"
#include "common/SerialNumber.h"
#include "common/TextHelpers.h"

namespace kv71p::backend {

namespace {

constexpr long kDefaultReconnectSeconds = 300;
constexpr long kLongestReconnectSeconds = 7 * 24 * 3600;
constexpr size_t kLongestJobId = 10;

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%XX" escapes decoded; a "%" without two hex digits stays as it is.
std::string DecodePercentEscapes(const std::string& text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

}  // namespace

bool SerialNumberFromUri(const std::string& uri, std::string* serialNo, std::string* problem) {
  std::string serialText;
  if (!IsKv71pDeviceUri(uri) || !SerialTextOfUri(uri, &serialText)) {
    *problem = "The device URI \"" + uri + "\" names no KV-71P printer.";
    return false;
  }
  SerialRefusal refusal = SerialRefusal::None;
  std::string converted;
  if (!ConvertSerialNumber(DecodePercentEscapes(serialText), &converted, &refusal) ||
      !IsUsableSerialNumber(converted)) {
    *problem = std::string("The device URI's serial number is refused (") +
               (refusal != SerialRefusal::None ? SerialRefusalText(refusal) : "empty") + ").";
    return false;
  }
  *serialNo = converted;
  return true;
}

Invocation ParseArguments(int argc, char* argv[], JobArguments* job, std::string* problem) {
  if (argc == 1) return Invocation::Discovery;
  if (argc != 6 && argc != 7) return Invocation::Usage;
  job->jobId = argv[1];
  if (!AllDigits(job->jobId) || job->jobId.size() > kLongestJobId) {
    *problem = "The job id \"" + job->jobId + "\" is not a job number.";
    return Invocation::Refused;
  }
  if (argc == 7) {
    job->file = argv[6];
    job->copies = std::max(1, ParseInt(argv[4]));
  }
  const char* uri = cupsBackendDeviceURI(argv);
  job->deviceUri = uri != nullptr ? uri : "";
  return SerialNumberFromUri(job->deviceUri, &job->serialNo, problem) ? Invocation::Job
                                                                      : Invocation::Refused;
}

std::chrono::milliseconds ReconnectBound() {
  const char* text = std::getenv("KV71P_RECONNECT_SECONDS");
  long seconds = kDefaultReconnectSeconds;
  if (text != nullptr && AllDigits(text))
    seconds = std::min(ParseLong(text), kLongestReconnectSeconds);
  return std::chrono::seconds(seconds);
}

}  // namespace kv71p::backend

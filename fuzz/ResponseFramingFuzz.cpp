// Fuzz target: the framing and checks of printer answers (ReadFramedAnswer,
// CheckData, GetEffectiveDataAsString) and the status queries built on
// them, over an arbitrary byte stream from the printer.
//
// Input: mode byte, piece-size byte, expected-length word, out-size word,
// prefix text up to a NUL, then the bytes the printer sends.
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "fuzz/MemoryUsbInterface.h"
#include "common/SerialNumber.h"
#include "common/StatusCode.h"
#include "service/DeviceRecv.h"
#include "service/StatusQueries.h"
#include "service/UsbTransport.h"

using namespace kv71p;
using namespace kv71p::service;

using kv71p::fuzz::InputReader;
using kv71p::fuzz::MemoryUsbInterface;
using kv71p::fuzz::Require;

namespace {

// The answer text must fit its buffer, be terminated and hold no CR.
void CheckText(const char* out, size_t outSize, int result) {
  if (result != kTransportOk) return;
  const void* end = std::memchr(out, '\0', outSize);
  Require(end != nullptr, "answer text not terminated inside its buffer");
  Require(std::strchr(out, '\r') == nullptr, "answer text holds a carriage return");
}

int ExpectedLength(uint16_t word) {
  static const int kTable[] = {kRecvAnyLength, 8, 1, 2, 16, 4088, 4096, 4097, 0, -5};
  const size_t n = sizeof kTable / sizeof kTable[0];
  if (word < n) return kTable[word];
  return static_cast<int16_t>(word);
}

void FrameAndCheck(InputReader& in, uint8_t piece) {
  const int expected = ExpectedLength(in.Word());
  const size_t outSize = in.Word() % 5000;
  const std::string prefix = in.Until('\0');
  MemoryUsbInterface itf(in.Rest(), piece, std::string());
  itf.OpenSeize();
  DeviceRecv response(expected, prefix.c_str());
  Require(std::strlen(response.expectedPrefix) < kRecvPrefixCapacity, "prefix not cut");
  const int read = ReadFramedAnswer(&itf, &response);
  Require(read >= kTransportOk && read <= kTransportInvalid, "ReadFramedAnswer result outside its codes");
  const int checked = response.CheckData();
  Require(checked == kTransportOk || checked == kTransportInvalid, "CheckData result outside its codes");
  // The text is taken whatever the check said, into a buffer of exactly
  // the size given, so a write past it is seen.
  std::unique_ptr<char[]> out(outSize > 0 ? new char[outSize] : nullptr);
  const int r = response.GetEffectiveDataAsString(out.get(), outSize);
  if (outSize > 0) CheckText(out.get(), outSize, r);
  itf.Close();
}

// Arbitrary bytes in the whole answer buffer, as a misbehaving transfer
// could leave them.
void CheckRawBuffer(InputReader& in) {
  const int expected = ExpectedLength(in.Word());
  const size_t outSize = 1 + in.Word() % 5000;
  const std::string prefix = in.Until('\0');
  const std::string bytes = in.Rest();
  DeviceRecv response(expected, prefix.c_str());
  if (response.Alloc() != kTransportOk || response.buffer == nullptr) return;
  const size_t length = static_cast<size_t>(response.GetBufferLength());
  std::memcpy(response.buffer, bytes.data(), std::min(length, bytes.size()));
  const int checked = response.CheckData();
  Require(checked == kTransportOk || checked == kTransportInvalid, "CheckData result outside its codes");
  std::unique_ptr<char[]> out(new char[outSize]);
  CheckText(out.get(), outSize, response.GetEffectiveDataAsString(out.get(), outSize));
}

// The serial number query; a refused answer must fail it.
int64_t SerialNumberQuery(UsbInterface* itf, char* out, size_t outSize,
                          const TransferTimeouts& timeouts) {
  SerialRefusal refusal = SerialRefusal::None;
  const int64_t n = GetSerialNo(itf, out, outSize, timeouts, &refusal);
  Require(refusal == SerialRefusal::None || n == -1, "refused serial number taken");
  return n;
}

// Every status query in turn over one stream of answers.
void RunQueries(InputReader& in, uint8_t piece) {
  const size_t outSize = 1 + in.Byte();
  MemoryUsbInterface itf(in.Rest(), piece, std::string());
  itf.OpenSeize();
  const TransferTimeouts timeouts{0, 0};
  const int status = GetStatus(&itf, timeouts);
  if (status != kStatusQueryFailed) (void)MessageCodeOfStatus(status);
  std::unique_ptr<char[]> out(new char[outSize]);
  using Query = int64_t (*)(UsbInterface*, char*, size_t, const TransferTimeouts&);
  const Query queries[] = {SerialNumberQuery, GetFirmVersion, GetMediaSize,       GetMediaClass,
                           GetMediaInitial,   GetMediaRemain, GetMediaRemainHalf, GetTotalCount};
  for (Query q : queries) {
    const int64_t n = q(&itf, out.get(), outSize, timeouts);
    Require(n >= -1 && n < static_cast<int64_t>(outSize), "query length outside its buffer");
    Require(out[0] == '\0' || n >= 0, "failed query left text behind");
    if (n >= 0) Require(std::strlen(out.get()) == static_cast<size_t>(n), "length and text differ");
    if (q == SerialNumberQuery && n > 0) {
      const std::string serial(out.get());
      Require(serial.find('/') == std::string::npos && serial.find("..") == std::string::npos,
              "serial number can leave the cache folder");
    }
  }
  itf.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  const uint8_t mode = in.Byte();
  const uint8_t piece = in.Byte();
  switch (mode % 3) {
    case 0:
      FrameAndCheck(in, piece);
      break;
    case 1:
      CheckRawBuffer(in);
      break;
    default:
      RunQueries(in, piece);
      break;
  }
  return 0;
}

#include "service/StatusQueries.h"

#include <cstring>
#include <string>

#include "common/CommandCatalogue.h"
#include "common/TextHelpers.h"
#include "common/SerialNumber.h"

namespace kv71p::service {

namespace {

// The status answer: seven digits and a carriage return.
constexpr int kStatusAnswerLength = 8;

// One query: the command block, the exchange, the answer text. Returns the
// text's length or -1.
int64_t TextQuery(UsbInterface* interface, const char* command, const char* parameter, char* out,
                  size_t outSize, const TransferTimeouts& timeouts) {
  if (out == nullptr || outSize == 0) return -1;
  out[0] = '\0';
  if (interface == nullptr) return -1;
  DeviceCmd block;
  MakeQueryCmd(block, command, parameter);
  DeviceRecv response(kRecvAnyLength, nullptr);
  if (ExchangeCommand(interface, &block, &response, timeouts) != kTransportOk) return -1;
  if (response.GetEffectiveDataAsString(out, outSize) != kTransportOk) {
    out[0] = '\0';
    return -1;
  }
  return static_cast<int64_t>(std::strlen(out));
}

}  // namespace

int GetStatus(UsbInterface* interface, const TransferTimeouts& timeouts) {
  if (interface == nullptr) return kStatusQueryFailed;
  DeviceCmd block;
  MakeQueryCmd(block, kCmdStatus, nullptr);
  DeviceRecv response(kStatusAnswerLength, nullptr);
  if (ExchangeCommand(interface, &block, &response, timeouts) != kTransportOk)
    return kStatusQueryFailed;
  char text[16];
  if (response.GetEffectiveDataAsString(text, sizeof text) != kTransportOk)
    return kStatusQueryFailed;
  return kv71p::ParseInt(text);
}

int64_t GetSerialNo(UsbInterface* interface, char* out, size_t outSize,
                    const TransferTimeouts& timeouts, SerialRefusal* refusal) {
  if (refusal != nullptr) *refusal = SerialRefusal::None;
  if (out != nullptr && outSize > 0) out[0] = '\0';
  if (out == nullptr || outSize == 0) return -1;
  // Read whole, so that an answer too long for the serial number's work
  // buffer is told from a failed exchange.
  char answer[kRecvAnyBufferLength];
  if (TextQuery(interface, kCmdInfo, kParamSerialNumber, answer, sizeof answer, timeouts) < 0)
    return -1;
  std::string converted;
  if (!ConvertSerialNumber(answer, &converted, refusal) || converted.size() >= outSize) return -1;
  std::memcpy(out, converted.c_str(), converted.size() + 1);
  return static_cast<int64_t>(converted.size());
}

int64_t GetFirmVersion(UsbInterface* interface, char* out, size_t outSize,
                       const TransferTimeouts& timeouts) {
  return TextQuery(interface, kCmdInfo, kParamFirmVersion, out, outSize, timeouts);
}

int64_t GetMediaSize(UsbInterface* interface, char* out, size_t outSize,
                     const TransferTimeouts& timeouts) {
  return TextQuery(interface, kCmdInfo, kParamMedia, out, outSize, timeouts);
}

int64_t GetMediaClass(UsbInterface* interface, char* out, size_t outSize,
                      const TransferTimeouts& timeouts) {
  return TextQuery(interface, kCmdInfo, kParamMediaClass, out, outSize, timeouts);
}

int64_t GetMediaInitial(UsbInterface* interface, char* out, size_t outSize,
                        const TransferTimeouts& timeouts) {
  return TextQuery(interface, kCmdInfo, kParamMediaInitial, out, outSize, timeouts);
}

int64_t GetMediaRemain(UsbInterface* interface, char* out, size_t outSize,
                       const TransferTimeouts& timeouts) {
  return TextQuery(interface, kCmdInfo, kParamMediaRemain, out, outSize, timeouts);
}

int64_t GetMediaRemainHalf(UsbInterface* interface, char* out, size_t outSize,
                           const TransferTimeouts& timeouts) {
  return TextQuery(interface, kCmdInfo, kParamMediaRemainHalf, out, outSize, timeouts);
}

int64_t GetTotalCount(UsbInterface* interface, char* out, size_t outSize,
                      const TransferTimeouts& timeouts) {
  return TextQuery(interface, kCmdMntRd, kParamCounterLife, out, outSize, timeouts);
}


}  // namespace kv71p::service

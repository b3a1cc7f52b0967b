#include "service/DeviceRecv.h"

#include <cstdlib>
#include <cstring>

#include "common/TextHelpers.h"

namespace kv71p::service {

DeviceRecv::DeviceRecv(int expected, const char* prefix) : expectedLength(expected) {
  CutText(expectedPrefix, sizeof expectedPrefix, prefix, kRecvPrefixCapacity - 1);
}

int DeviceRecv::GetBufferLength() const {
  if (expectedLength == kRecvAnyLength) return kRecvAnyBufferLength;
  if (expectedLength <= 0 || expectedLength > kRecvAnyBufferLength) return 0;
  return expectedLength + kRecvHeaderSize;
}

int DeviceRecv::Alloc() {
  Free();
  const int length = GetBufferLength();
  if (length == 0) return kTransportOk;
  buffer = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(length) + 2, 1));
  return buffer == nullptr ? kTransportNoMemory : kTransportOk;
}

int DeviceRecv::Free() {
  std::free(buffer);
  buffer = nullptr;
  return kTransportOk;
}

namespace {

bool Holds(const unsigned char* bytes, size_t count, unsigned char a, int b) {
  for (size_t i = 0; i < count; ++i)
    if (bytes[i] == a || (b >= 0 && bytes[i] == b)) return true;
  return false;
}

}  // namespace

int DeviceRecv::CheckData() const {
  if (buffer == nullptr) return kTransportInvalid;
  const int e = expectedLength;
  if (e == kRecvAnyLength) {
    if (!Holds(buffer, kRecvAnyBufferLength, '\r', '\0')) return kTransportInvalid;
  } else if (e > 0) {
    const int l = TextToInt(reinterpret_cast<const char*>(buffer), kRecvHeaderSize);
    const size_t range = static_cast<size_t>(e) + kRecvHeaderSize;
    if (l == e ? !Holds(buffer, range, '\r', '\0') : !Holds(buffer, range, '\0', -1))
      return kTransportInvalid;
  } else {
    return kTransportInvalid;
  }
  // A leading text longer than the payload can hold never matches; the
  // comparison stays inside the buffer.
  const size_t prefixLength = std::strlen(expectedPrefix);
  const size_t payloadRoom = static_cast<size_t>(GetBufferLength()) - kRecvHeaderSize;
  if (prefixLength > payloadRoom) return kTransportInvalid;
  if (prefixLength > 0 &&
      std::memcmp(buffer + kRecvHeaderSize, expectedPrefix, prefixLength) != 0)
    return kTransportInvalid;
  return kTransportOk;
}

int DeviceRecv::GetEffectiveDataAsString(char* out, size_t outSize) const {
  if (out == nullptr || outSize == 0) return kTransportInvalid;
  out[0] = '\0';
  if (expectedLength == 0 || buffer == nullptr) return kTransportOk;
  const size_t range = static_cast<size_t>(GetBufferLength());
  const unsigned char* end = static_cast<const unsigned char*>(std::memchr(buffer, '\r', range));
  if (end == nullptr) end = static_cast<const unsigned char*>(std::memchr(buffer, '\0', range));
  if (end == nullptr) end = buffer + range;
  const size_t skip = kRecvHeaderSize + std::strlen(expectedPrefix);
  if (skip >= range) return kTransportOk;  // no payload behind the leading text
  const unsigned char* start = buffer + skip;
  if (end <= start) return kTransportOk;
  const size_t length = static_cast<size_t>(end - start);
  if (length >= outSize) return kTransportInvalid;
  std::memcpy(out, start, length);
  out[length] = '\0';
  return kTransportOk;
}

}  // namespace kv71p::service

// The printer's IEEE 1284 device ID and the model name in it.
//
// The device ID answer begins with a 16-bit big-endian length that counts
// the whole ID including those two bytes; the rest is text of fields
// "KEY:value" separated by ";".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/usb/UsbInterface.h"

namespace kv71p::service {

enum : unsigned {
  kDeviceIdFirstLength = 256,    // bytes asked for by the first request
  kDeviceIdTimeoutMs = 5000,
};

// The text of one device ID answer of which `received` bytes arrived. The
// length field decides how many bytes are text, but never more than
// arrived. False when there is no text: fewer than 2 bytes, a length field
// below `minimumField`, or bytes that are not valid UTF-8.
bool DeviceIdTextFromAnswer(const unsigned char* answer, size_t received, unsigned minimumField,
                            std::string* text);

// Reads the device ID text of an opened interface: one request of 256
// bytes, and a second one of the announced length when the ID is longer
// than the first answer can hold. False when there is no text.
bool ReadDeviceIdText(kv71p::UsbInterface* interface, uint8_t configurationValue,
                      uint8_t interfaceNumber, std::string* text);

// The model name: the value of the first field, in order, that carries the
// key "MDL:" or "MODEL:" (any case). A key at the very start of the field
// gives the rest trimmed of white space at both ends; a key that follows
// white space gives the rest of the field as it stands after the key,
// trimmed at its end only. False when no field has either key.
bool FindModelName(const std::string& deviceId, std::string* model);

}  // namespace kv71p::service

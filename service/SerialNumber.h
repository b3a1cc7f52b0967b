// The serial number as the system uses it: the printer's answer with every
// space written as "%20". This one form names the information file and the
// flag files and ends the queue's device URI, so it must stay a harmless
// file-name part.
#pragma once

#include <cstddef>
#include <string>

enum : size_t {
  kSerialWorkSize = 72,  // the answer as read
  kSerialSize = 64,      // the converted form with its terminator
};

// Converts a serial number answer. False when the answer is not valid
// UTF-8, holds a control character, a "/" or "..", or when the converted
// form is longer than 63 bytes; such a serial number counts as unread.
bool ConvertSerialNumber(const std::string& answer, std::string* converted);

// True when `text` is valid UTF-8 (no overlong forms, no surrogates, no
// code points beyond U+10FFFF).
bool IsValidUtf8(const std::string& text);

// The printer's serial number as every program of the suite uses it: the
// printer's answer with each space written as "%20". This one form names the
// information file and the flag files, ends the queue's device URI and is
// shown in the status window, so it must stay a harmless file-name part.
#pragma once

#include <cstddef>
#include <string>

namespace kv71p {

enum : size_t {
  kSerialAnswerSize = 72,  // the printer's answer as read
  kSerialSize = 64,        // the converted form with its terminator
};

// True when `text` is valid UTF-8 (no stray continuation bytes, no
// truncated sequences, no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsValidUtf8(const std::string& text);

// Why a serial number answer was refused.
enum class SerialRefusal {
  None,
  NotUtf8,           // not valid UTF-8
  ControlCharacter,  // C0, DEL or C1
  PathPart,          // a "/" or ".."
  TooLong,           // the answer does not fit 71 bytes, or its form 63
};

// A short English phrase for a refusal ("not valid UTF-8", ...), for logs.
const char* SerialRefusalText(SerialRefusal refusal);

// Converts the printer's serial number answer into the suite's form. False
// when the answer is refused (then `refusal`, when given, says why); such a
// serial number counts as unread. An empty answer converts to the empty
// form.
bool ConvertSerialNumber(const std::string& answer, std::string* converted,
                         SerialRefusal* refusal = nullptr);

// The suite's form turned back into the printer's answer: every "%20" a
// space again (what the status window shows).
std::string SerialNumberAsAnswered(const std::string& serialNo);

// True when `serialNo` (in the suite's form, as found in a device URI or a
// file name) can name files in the cache folder: not empty, valid UTF-8
// without control characters, without "/" and "..".
// Every serial number the service registers passes; no program acts on one
// that does not.
bool IsUsableSerialNumber(const std::string& serialNo);

}  // namespace kv71p

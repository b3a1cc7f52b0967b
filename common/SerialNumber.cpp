#include "common/SerialNumber.h"

namespace kv71p {

namespace {

// Decodes the UTF-8 sequence at `i`; returns its length, 0 when invalid.
size_t DecodeOne(const std::string& s, size_t i, unsigned long* codePoint) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t length;
  unsigned long cp;
  unsigned long least;
  if (c < 0x80) {
    *codePoint = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    length = 2, cp = c & 0x1F, least = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3, cp = c & 0x0F, least = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4, cp = c & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  *codePoint = cp;
  return length;
}

bool IsControl(unsigned long cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

bool HasPathPart(const std::string& text) {
  return text.find('/') != std::string::npos || text.find("..") != std::string::npos;
}

// The first reason why `text` is not printable UTF-8: invalid UTF-8 or a
// control character; None when it is.
SerialRefusal UnprintableReason(const std::string& text) {
  unsigned long cp = 0;
  bool control = false;
  for (size_t i = 0; i < text.size();) {
    const size_t n = DecodeOne(text, i, &cp);
    if (n == 0) return SerialRefusal::NotUtf8;
    control = control || IsControl(cp);
    i += n;
  }
  return control ? SerialRefusal::ControlCharacter : SerialRefusal::None;
}

bool IsPrintableUtf8(const std::string& text) {
  return UnprintableReason(text) == SerialRefusal::None;
}

SerialRefusal RefusalOf(const std::string& answer) {
  if (answer.size() >= kSerialAnswerSize) return SerialRefusal::TooLong;
  const SerialRefusal unprintable = UnprintableReason(answer);
  if (unprintable != SerialRefusal::None) return unprintable;
  if (HasPathPart(answer)) return SerialRefusal::PathPart;
  return SerialRefusal::None;
}

}  // namespace

bool IsValidUtf8(const std::string& text) {
  unsigned long cp = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t n = DecodeOne(text, i, &cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

const char* SerialRefusalText(SerialRefusal refusal) {
  switch (refusal) {
    case SerialRefusal::None: return "accepted";
    case SerialRefusal::NotUtf8: return "not valid UTF-8";
    case SerialRefusal::ControlCharacter: return "holds a control character";
    case SerialRefusal::PathPart: return "holds \"/\" or \"..\"";
    case SerialRefusal::TooLong: return "too long";
  }
  return "refused";
}

bool ConvertSerialNumber(const std::string& answer, std::string* converted,
                         SerialRefusal* refusal) {
  converted->clear();
  SerialRefusal why = RefusalOf(answer);
  std::string out;
  // A space never occurs inside a multi-byte UTF-8 sequence.
  for (char c : answer) {
    if (c == ' ')
      out += "%20";
    else
      out += c;
  }
  if (why == SerialRefusal::None && out.size() >= kSerialSize) why = SerialRefusal::TooLong;
  if (refusal != nullptr) *refusal = why;
  if (why != SerialRefusal::None) return false;
  *converted = std::move(out);
  return true;
}

std::string SerialNumberAsAnswered(const std::string& serialNo) {
  std::string out;
  out.reserve(serialNo.size());
  for (size_t i = 0; i < serialNo.size();) {
    if (serialNo.compare(i, 3, "%20") == 0) {
      out += ' ';
      i += 3;
    } else {
      out += serialNo[i++];
    }
  }
  return out;
}

bool IsUsableSerialNumber(const std::string& serialNo) {
  return !serialNo.empty() && !HasPathPart(serialNo) && IsPrintableUtf8(serialNo);
}

}  // namespace kv71p

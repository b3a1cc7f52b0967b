#include "platform/usb/EmulatorWire.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace kv71p::wire {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string HexEncode(const void* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  const unsigned char* p = static_cast<const unsigned char*>(data);
  std::string out(size * 2, '0');
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = digits[p[i] >> 4];
    out[2 * i + 1] = digits[p[i] & 15];
  }
  return out;
}

std::string HexEncode(const std::string& bytes) { return HexEncode(bytes.data(), bytes.size()); }

bool HexDecode(const std::string& hex, std::string* bytes) {
  if (hex.size() % 2 != 0) return false;
  std::string out(hex.size() / 2, '\0');
  for (size_t i = 0; i < out.size(); ++i) {
    const int hi = HexValue(hex[2 * i]);
    const int lo = HexValue(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<char>(hi * 16 + lo);
  }
  *bytes = std::move(out);
  return true;
}

bool SplitWords(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) words->push_back(word);
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted || c != '\\') {
      word += c;
      continue;
    }
    if (++i >= line.size()) return false;
    switch (line[i]) {
      case '\\': word += '\\'; break;
      case '"': word += '"'; break;
      case 'r': word += '\r'; break;
      case 'n': word += '\n'; break;
      case 't': word += '\t'; break;
      case 'x': {
        if (i + 2 >= line.size()) return false;
        const int hi = HexValue(line[i + 1]);
        const int lo = HexValue(line[i + 2]);
        if (hi < 0 || lo < 0) return false;
        word += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default: return false;
    }
  }
  if (quoted) return false;
  if (inWord) words->push_back(word);
  return true;
}

std::string QuoteWord(const std::string& text) {
  bool plain = !text.empty();
  for (unsigned char c : text)
    if (c < 0x21 || c > 0x7e || c == '"' || c == '\\') plain = false;
  if (plain) return text;
  static const char digits[] = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c > 0x7e) {
          out += "\\x";
          out += digits[c >> 4];
          out += digits[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string NameValue(const std::string& name, const std::string& value) {
  return name + "=" + QuoteWord(value);
}

bool SplitNameValue(const std::string& word, std::string* name, std::string* value) {
  const size_t eq = word.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  *name = word.substr(0, eq);
  *value = word.substr(eq + 1);
  return true;
}

bool ParseNumber(const std::string& text, unsigned long max, unsigned long* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  errno = 0;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v > max) return false;
  *value = v;
  return true;
}

bool ParseInt(const std::string& text, int* value) {
  if (text.empty() || text[0] == ' ') return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < INT_MIN || v > INT_MAX)
    return false;
  *value = static_cast<int>(v);
  return true;
}

}  // namespace kv71p::wire

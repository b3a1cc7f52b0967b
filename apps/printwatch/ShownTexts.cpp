#include "apps/printwatch/ShownTexts.h"

#include <cstdio>

#include "common/SafeFile.h"

namespace kv71p::printwatch {

namespace {

std::string Escaped(const std::string& value) {
  std::string out;
  for (const char ch : value) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += ch;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescaped(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    if (next == 'n') {
      out += '\n';
    } else if (next == 'r') {
      out += '\r';
    } else if (next == 'x' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 &&
               HexDigit(value[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
      i += 2;
    } else {
      out += next;
    }
  }
  return out;
}

}  // namespace

std::string FormatShownTexts(const ShownTexts& texts) {
  std::string out;
  for (const auto& [name, value] : texts) out += name + "=" + Escaped(value) + "\n";
  return out;
}

std::map<std::string, std::string> ParseShownTexts(const std::string& text) {
  std::map<std::string, std::string> values;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = Unescaped(line.substr(eq + 1));
    start = end + 1;
  }
  return values;
}

bool WriteShownTextsFile(const std::string& path, const ShownTexts& texts) {
  std::string folder, name;
  if (!SplitPath(path, &folder, &name)) return false;
  return WriteWholeFile(folder, name, FormatShownTexts(texts), 0600, WriteMode::Atomic) == 0;
}

}  // namespace kv71p::printwatch

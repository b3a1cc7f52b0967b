#include "backend/CupsMessages.h"

#include <unistd.h>

#include "common/SafeFile.h"

namespace kv71p::backend {

namespace {

void WriteLine(std::string line) {
  line += '\n';
  WriteAll(STDERR_FILENO, line.data(), line.size());
}

}  // namespace

void Message(const char* prefix, const std::string& text) {
  std::string line = std::string(prefix) + ": ";
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    line += (c < 0x20 || c == 0x7F) ? ' ' : ch;
  }
  WriteLine(std::move(line));
}

void ChangeStateReasons(char sign, const std::vector<std::string>& keywords) {
  if (keywords.empty()) return;
  std::string line = std::string("STATE: ") + sign;
  for (size_t i = 0; i < keywords.size(); ++i) line += (i > 0 ? "," : "") + keywords[i];
  WriteLine(std::move(line));
}

void SetPrinterAttribute(const std::string& name, const std::string& value) {
  WriteLine("ATTR: " + name + "=" + value);
}

std::string QuotedText(const std::string& text) {
  std::string quoted = "\"";
  for (const char ch : text) {
    if (ch == '\\' || ch == '"') quoted += '\\';
    quoted += (static_cast<unsigned char>(ch) < 0x20) ? ' ' : ch;
  }
  return quoted + "\"";
}

void ReportPage(int number, int copies) {
  WriteLine("PAGE: " + std::to_string(number) + " " + std::to_string(copies));
}

}  // namespace kv71p::backend

#include "apps/printwatch/InfoFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "apps/printwatch/StatusTables.h"
#include "common/PrinterFiles.h"
#include "common/SafeFile.h"
#include "common/SerialNumber.h"
#include "common/StatusCode.h"

namespace kv71p::printwatch {

namespace {

// The keys in the order they are tested; the first key that, followed by
// "=", begins a line takes it.
struct KeyRow {
  const char* key;
  std::string InfoFileValues::*value;
};

const KeyRow kKeys[] = {
    {infokey::kModel, &InfoFileValues::m_modelStr_Log},
    {infokey::kPrinterStatus, &InfoFileValues::m_statusStr_Log},
    {infokey::kPrinterMessage, &InfoFileValues::m_messageStr_Log},
    {infokey::kPrinterSerialNo, &InfoFileValues::m_serialStr_Log},
    {infokey::kMediaClass, &InfoFileValues::m_mediaClassStr_Log},
    {infokey::kMediaSize, &InfoFileValues::m_sizeStr_Log},
    {infokey::kMediaInitial, &InfoFileValues::m_initialStr_Log},
    {infokey::kMediaRemain, &InfoFileValues::m_remainStr_Log},
    {infokey::kMediaRemainHalf, &InfoFileValues::m_remainHalfStr_Log},
    {infokey::kTotalCount, &InfoFileValues::m_totalCountStr_Log},
    {infokey::kPrinterVersion, &InfoFileValues::m_firmVersion_Log},
};

std::string WithoutQuotes(const std::string& text, size_t from) {
  std::string out;
  out.reserve(text.size() - from);
  for (size_t i = from; i < text.size(); ++i) {
    if (text[i] != '"') out += text[i];
  }
  return out;
}

void ApplyLine(const std::string& line, InfoFileValues* values) {
  for (const KeyRow& key : kKeys) {
    const size_t length = std::char_traits<char>::length(key.key);
    if (line.compare(0, length, key.key) != 0 || line.compare(length, 1, "=") != 0) continue;
    std::string value = WithoutQuotes(line, length + 1);
    if (key.value == &InfoFileValues::m_serialStr_Log) value = SerialNumberAsAnswered(value);
    values->*key.value = std::move(value);
    return;
  }
}

}  // namespace

void ApplyInfoFileText(const std::string& text, InfoFileValues* values) {
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    ApplyLine(text.substr(start, end == std::string::npos ? std::string::npos : end - start),
              values);
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

void StoreOfflineDefaults(InfoFileValues* values) {
  *values = InfoFileValues();
  values->m_statusStr_Log = FiveDigitCode(kStatusUnknown);
  values->m_messageStr_Log = FiveDigitCode(kMessagePrinterGone);
}

InfoFileRead ReadInfoFileText(const std::string& path, std::string* text) {
  text->clear();
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return InfoFileRead::Missing;

  const FileDescriptor file(
      open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  const int fd = file.get();
  if (fd < 0) return InfoFileRead::Failed;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return InfoFileRead::Failed;

  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return InfoFileRead::Failed;
    }
    if (n == 0) break;
    if (text->size() + static_cast<size_t>(n) > kMaxInfoFileSize) return InfoFileRead::Failed;
    text->append(buffer, static_cast<size_t>(n));
  }
  if (!IsValidUtf8(*text)) return InfoFileRead::Failed;
  return InfoFileRead::Ok;
}

}  // namespace kv71p::printwatch

#include "service/InformationFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "common/CacheFolder.h"
#include "common/SafeFile.h"
#include "service/StatusQueries.h"

namespace {

constexpr char kModelName[] = "KV-71P";
constexpr mode_t kFileMode = 0666;

// The text of one information file, line by line.
class InfoText {
 public:
  void Section(const char* name) { text_ += std::string(name) + "\n"; }
  void Empty() { text_ += "\n"; }
  void EmptyValue(const char* key) { text_ += std::string(key) + "=\"\"\n"; }
  void Number(const char* key, int value) {
    char number[32];
    std::snprintf(number, sizeof number, "%05d", value);
    text_ += std::string(key) + "=\"" + number + "\"\n";
  }
  // A value that would break the line format (a line break, a quote or
  // another control character from the printer) is written empty, so that
  // no answer can end its line early or forge another key.
  void Text(const char* key, const char* value) {
    for (const char* p = value; *p != '\0'; ++p) {
      const unsigned char c = static_cast<unsigned char>(*p);
      if (c < 0x20 || c == 0x7F || c == '"') {
        EmptyValue(key);
        return;
      }
    }
    text_ += std::string(key) + "=\"" + value + "\"\n";
  }
  // The answer from its n-th character on (1-based); empty when shorter.
  void TextFrom(const char* key, const char* answer, size_t n) {
    Text(key, std::strlen(answer) >= n ? answer + n - 1 : "");
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

bool NameableSerial(const char* serialNo) { return std::strchr(serialNo, '/') == nullptr; }

void Publish(const char* serialNo, const std::string& text) {
  CheckAndMake_CacheFolder();
  // A new file renamed over the old one: readers see the old or the new
  // text, never a mixture, and a link planted at the name is replaced, not
  // followed.
  kv71p::WriteWholeFile(kv71p::CacheFolder(), InformationFileName(serialNo), text, kFileMode,
                        kv71p::WriteMode::Atomic);
}

}  // namespace

std::string InformationFileName(const char* serialNo) {
  return std::string(kModelName) + "_" + (serialNo ? serialNo : "") + ".log";
}

void WriteFile(UsbInterface* interface, thdata* record, const TransferTimeouts& timeouts) {
  if (interface == nullptr || record == nullptr) return;
  record->serialNo[sizeof record->serialNo - 1] = '\0';
  record->model[sizeof record->model - 1] = '\0';
  if (!NameableSerial(record->serialNo)) return;
  // A nested open by the holder that already has the interface open.
  if (interface->OpenSeize() != kv71p::kUsbSuccess) return;
  const uint32_t flags = static_cast<uint32_t>(record->flagBits);

  InfoText info;
  info.Section("#PRINTER_INFORMATION");
  info.Text("MODEL", record->model);

  char totalCount[64] = {};
  bool totalObtained = false;
  if (flags & (kFlagTcPde | kFlagTcUtil))
    totalObtained = GetTotalCount(interface, totalCount, sizeof totalCount, timeouts) >= 0;

  int status = GetStatus(interface, timeouts);
  if (status == kStatusQueryFailed) status = kStatusUnknown;
  info.Number("PRINTER_STATUS", status);

  if (!totalObtained && status != 900 && (flags & kFlagStartUtil))
    totalObtained = GetTotalCount(interface, totalCount, sizeof totalCount, timeouts) >= 0;

  const int message = GetMessage(status);
  if (message >= 0)
    info.Number("PRINTER_MESSAGE", message);
  else
    info.EmptyValue("PRINTER_MESSAGE");

  char answer[64] = {};
  GetFirmVersion(interface, answer, sizeof answer, timeouts);
  info.Text("PRINTER_VERSION", answer);
  info.Text("PRINTER_SERIAL_NO", record->serialNo);
  info.Empty();

  info.Section("#MEDIA_INFORMATION");
  std::memset(answer, 0, sizeof answer);
  GetMediaSize(interface, answer, sizeof answer, timeouts);
  info.TextFrom("MEDIA_SIZE", answer, 3);
  char mediaClass[8] = {};
  GetMediaClass(interface, mediaClass, sizeof mediaClass, timeouts);
  info.Text("MEDIA_CLASS", mediaClass);
  std::memset(answer, 0, sizeof answer);
  GetMediaInitial(interface, answer, sizeof answer, timeouts);
  info.TextFrom("MEDIA_INITIAL", answer, 5);
  std::memset(answer, 0, sizeof answer);
  GetMediaRemain(interface, answer, sizeof answer, timeouts);
  info.TextFrom("MEDIA_REMAIN", answer, 5);
  std::memset(answer, 0, sizeof answer);
  GetMediaRemainHalf(interface, answer, sizeof answer, timeouts);
  info.TextFrom("MEDIA_REMAIN_HALF", answer, 5);
  info.Empty();

  info.Section("#COUNTER_INFORMATION");
  if (flags != 0 && totalObtained)
    info.TextFrom("TOTAL_COUNT", totalCount, 3);
  else
    info.EmptyValue("TOTAL_COUNT");
  info.Empty();

  interface->Close();
  Publish(record->serialNo, info.str());
}

void WriteFile(const char* serialNo) {
  if (serialNo == nullptr || !NameableSerial(serialNo)) return;
  InfoText info;
  info.Section("#PRINTER_INFORMATION");
  info.EmptyValue("MODEL");
  info.Number("PRINTER_STATUS", kStatusUnknown);
  info.Number("PRINTER_MESSAGE", GetMessage(kStatusUnknown));
  info.EmptyValue("PRINTER_VERSION");
  info.EmptyValue("PRINTER_SERIAL_NO");
  info.Empty();
  info.Section("#MEDIA_INFORMATION");
  for (const char* key :
       {"MEDIA_SIZE", "MEDIA_CLASS", "MEDIA_INITIAL", "MEDIA_REMAIN", "MEDIA_REMAIN_HALF"})
    info.EmptyValue(key);
  info.Empty();
  info.Section("#COUNTER_INFORMATION");
  info.EmptyValue("TOTAL_COUNT");
  info.Empty();
  Publish(serialNo, info.str());
}

uint32_t pdeFileCheck(const char* serialNo) {
  if (serialNo == nullptr) return 0;
  struct Flag {
    const char* suffix;
    uint32_t bit;
    bool oneShot;
  };
  static const Flag flags[] = {{"_PDE_", kFlagPde, false},
                               {"_TC_PDE", kFlagTcPde, true},
                               {"_UTIL", kFlagUtil, false},
                               {"_TC_UTIL", kFlagTcUtil, true},
                               {"_START_UTIL", kFlagStartUtil, true}};
  std::string names[5];
  for (size_t i = 0; i < 5; ++i)
    names[i] = std::string(kModelName) + "_" + serialNo + flags[i].suffix;

  const std::string folder = kv71p::CacheFolder();
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    close(fd);
    return 0;
  }
  uint32_t bits = 0;
  while (const dirent* entry = readdir(dir)) {
    for (size_t i = 0; i < 5; ++i) {
      if (std::strncmp(entry->d_name, names[i].c_str(), names[i].size()) != 0) continue;
      bits |= flags[i].bit;
      // Only the file of exactly the flag's name goes; unlinking never
      // follows a link.
      if (flags[i].oneShot) unlinkat(dirfd(dir), names[i].c_str(), 0);
    }
  }
  closedir(dir);
  return bits;
}

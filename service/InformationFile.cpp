#include "service/InformationFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"
#include "common/StatusCode.h"
#include "common/SafeFile.h"
#include "service/StatusQueries.h"

namespace kv71p::service {

namespace {

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
  WriteWholeFile(CacheFolder(), InformationFileName(serialNo), text, kFileMode,
                        WriteMode::Atomic);
}

}  // namespace

void WriteFile(UsbInterface* interface, thdata* record, const TransferTimeouts& timeouts) {
  if (interface == nullptr || record == nullptr) return;
  record->serialNo[sizeof record->serialNo - 1] = '\0';
  record->model[sizeof record->model - 1] = '\0';
  if (!NameableSerial(record->serialNo)) return;
  // A nested open by the holder that already has the interface open.
  if (interface->OpenSeize() != kUsbSuccess) return;
  const uint32_t flags = static_cast<uint32_t>(record->flagBits);

  InfoText info;
  info.Section(kPrinterSection);
  info.Text(infokey::kModel, record->model);

  char totalCount[64] = {};
  bool totalObtained = false;
  if (flags & (FlagBit(FlagFile::PrintDialogTotalCount) | FlagBit(FlagFile::WindowTotalCount)))
    totalObtained = GetTotalCount(interface, totalCount, sizeof totalCount, timeouts) >= 0;

  int status = GetStatus(interface, timeouts);
  if (status == kStatusQueryFailed) status = kStatusUnknown;
  info.Number(infokey::kPrinterStatus, status);

  if (!totalObtained && status != kStatusStandby && (flags & FlagBit(FlagFile::WindowStarted)))
    totalObtained = GetTotalCount(interface, totalCount, sizeof totalCount, timeouts) >= 0;

  const int message = MessageCodeOfStatus(status);
  if (message >= 0)
    info.Number(infokey::kPrinterMessage, message);
  else
    info.EmptyValue(infokey::kPrinterMessage);

  char answer[64] = {};
  GetFirmVersion(interface, answer, sizeof answer, timeouts);
  info.Text(infokey::kPrinterVersion, answer);
  info.Text(infokey::kPrinterSerialNo, record->serialNo);
  info.Empty();

  info.Section(kMediaSection);
  std::memset(answer, 0, sizeof answer);
  GetMediaSize(interface, answer, sizeof answer, timeouts);
  info.TextFrom(infokey::kMediaSize, answer, 3);
  char mediaClass[8] = {};
  GetMediaClass(interface, mediaClass, sizeof mediaClass, timeouts);
  info.Text(infokey::kMediaClass, mediaClass);
  std::memset(answer, 0, sizeof answer);
  GetMediaInitial(interface, answer, sizeof answer, timeouts);
  info.TextFrom(infokey::kMediaInitial, answer, 5);
  std::memset(answer, 0, sizeof answer);
  GetMediaRemain(interface, answer, sizeof answer, timeouts);
  info.TextFrom(infokey::kMediaRemain, answer, 5);
  std::memset(answer, 0, sizeof answer);
  GetMediaRemainHalf(interface, answer, sizeof answer, timeouts);
  info.TextFrom(infokey::kMediaRemainHalf, answer, 5);
  info.Empty();

  info.Section(kCounterSection);
  if (flags != 0 && totalObtained)
    info.TextFrom(infokey::kTotalCount, totalCount, 3);
  else
    info.EmptyValue(infokey::kTotalCount);
  info.Empty();

  interface->Close();
  Publish(record->serialNo, info.str());
}

void WriteFile(const char* serialNo) {
  if (serialNo == nullptr || !NameableSerial(serialNo)) return;
  InfoText info;
  info.Section(kPrinterSection);
  info.EmptyValue(infokey::kModel);
  info.Number(infokey::kPrinterStatus, kStatusUnknown);
  info.Number(infokey::kPrinterMessage, kMessagePrinterGone);
  info.EmptyValue(infokey::kPrinterVersion);
  info.EmptyValue(infokey::kPrinterSerialNo);
  info.Empty();
  info.Section(kMediaSection);
  for (const char* key :
       {infokey::kMediaSize, infokey::kMediaClass, infokey::kMediaInitial, infokey::kMediaRemain, infokey::kMediaRemainHalf})
    info.EmptyValue(key);
  info.Empty();
  info.Section(kCounterSection);
  info.EmptyValue(infokey::kTotalCount);
  info.Empty();
  Publish(serialNo, info.str());
}

uint32_t pdeFileCheck(const char* serialNo) {
  if (serialNo == nullptr) return 0;
  std::string names[std::size(kFlagFileRules)];
  for (size_t i = 0; i < std::size(kFlagFileRules); ++i)
    names[i] = FlagFileName(kFlagFileRules[i].flag, serialNo);

  const std::string folder = CacheFolder();
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return 0;
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    close(fd);
    return 0;
  }
  uint32_t bits = 0;
  while (const dirent* entry = readdir(dir)) {
    for (size_t i = 0; i < std::size(kFlagFileRules); ++i) {
      if (std::strncmp(entry->d_name, names[i].c_str(), names[i].size()) != 0) continue;
      bits |= FlagBit(kFlagFileRules[i].flag);
      // Only the file of exactly the flag's name goes; unlinking never
      // follows a link.
      if (kFlagFileRules[i].oneShot) unlinkat(dirfd(dir), names[i].c_str(), 0);
    }
  }
  closedir(dir);
  return bits;
}

}  // namespace kv71p::service

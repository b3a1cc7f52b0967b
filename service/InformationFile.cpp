#include "service/InformationFile.h"

#include <cstdio>
#include <cstring>

#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"
#include "common/StatusCode.h"
#include "common/SafeFile.h"
#include "common/TextHelpers.h"
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
  void Text(const char* key, const std::string& value) {
    for (const char ch : value) {
      const unsigned char c = static_cast<unsigned char>(ch);
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

bool NameableSerial(const std::string& serialNo) {
  return serialNo.find('/') == std::string::npos;
}

bool Publish(const std::string& serialNo, const std::string& text) {
  CheckAndMake_CacheFolder();
  // A new file renamed over the old one: readers see the old or the new
  // text, never a mixture, and a link planted at the name is replaced, not
  // followed.
  return WriteWholeFile(CacheFolder(), InformationFileName(serialNo), text, kFileMode,
                        WriteMode::Atomic) == 0;
}

// A text query's answer into a zero-filled buffer of `N` bytes.
template <size_t N, typename Query>
void Ask(Query query, UsbInterface* interface, char (&answer)[N],
        const TransferTimeouts& timeouts) {
  std::memset(answer, 0, N);
  query(interface, answer, N, timeouts);
}

}  // namespace

bool ComposeInformationText(UsbInterface* interface, const std::string& serialNo,
                            const std::string& model, uint32_t flagBits, std::string* text,
                            const TransferTimeouts& timeouts) {
  if (interface == nullptr || text == nullptr || !NameableSerial(serialNo)) return false;
  // A nested open by the holder that already has the interface open.
  if (interface->OpenSeize() != kUsbSuccess) return false;

  InfoText info;
  info.Section(kPrinterSection);
  info.Text(infokey::kModel, CutUtf8(model, kModelNameMaxBytes));

  char totalCount[64] = {};
  bool totalObtained = false;
  if (flagBits & (FlagBit(FlagFile::PrintDialogTotalCount) | FlagBit(FlagFile::WindowTotalCount)))
    totalObtained = GetTotalCount(interface, totalCount, sizeof totalCount, timeouts) >= 0;

  int status = GetStatus(interface, timeouts);
  if (status == kStatusQueryFailed) status = kStatusUnknown;
  info.Number(infokey::kPrinterStatus, status);

  if (!totalObtained && status != kStatusStandby && (flagBits & FlagBit(FlagFile::WindowStarted)))
    totalObtained = GetTotalCount(interface, totalCount, sizeof totalCount, timeouts) >= 0;

  const int message = MessageCodeOfStatus(status);
  if (message != kNoMessage)
    info.Number(infokey::kPrinterMessage, message);
  else
    info.EmptyValue(infokey::kPrinterMessage);

  char answer[64];
  Ask(GetFirmVersion, interface, answer, timeouts);
  info.Text(infokey::kPrinterVersion, answer);
  info.Text(infokey::kPrinterSerialNo, serialNo);
  info.Empty();

  info.Section(kMediaSection);
  Ask(GetMediaSize, interface, answer, timeouts);
  info.TextFrom(infokey::kMediaSize, answer, 3);
  char mediaClass[8];
  Ask(GetMediaClass, interface, mediaClass, timeouts);
  info.Text(infokey::kMediaClass, mediaClass);
  Ask(GetMediaInitial, interface, answer, timeouts);
  info.TextFrom(infokey::kMediaInitial, answer, 5);
  Ask(GetMediaRemain, interface, answer, timeouts);
  info.TextFrom(infokey::kMediaRemain, answer, 5);
  Ask(GetMediaRemainHalf, interface, answer, timeouts);
  info.TextFrom(infokey::kMediaRemainHalf, answer, 5);
  info.Empty();

  info.Section(kCounterSection);
  if (flagBits != 0 && totalObtained)
    info.TextFrom(infokey::kTotalCount, totalCount, 3);
  else
    info.EmptyValue(infokey::kTotalCount);
  info.Empty();

  interface->Close();
  *text = info.str();
  return true;
}

bool WriteInformationFile(UsbInterface* interface, const std::string& serialNo,
                          const std::string& model, uint32_t flagBits,
                          const TransferTimeouts& timeouts) {
  std::string text;
  return ComposeInformationText(interface, serialNo, model, flagBits, &text, timeouts) &&
         Publish(serialNo, text);
}

bool WritePlaceholderFile(const std::string& serialNo) {
  if (!NameableSerial(serialNo)) return false;
  InfoText info;
  info.Section(kPrinterSection);
  info.EmptyValue(infokey::kModel);
  info.Number(infokey::kPrinterStatus, kStatusUnknown);
  info.Number(infokey::kPrinterMessage, kMessagePrinterGone);
  info.EmptyValue(infokey::kPrinterVersion);
  info.EmptyValue(infokey::kPrinterSerialNo);
  info.Empty();
  info.Section(kMediaSection);
  for (const char* key : {infokey::kMediaSize, infokey::kMediaClass, infokey::kMediaInitial,
                          infokey::kMediaRemain, infokey::kMediaRemainHalf})
    info.EmptyValue(key);
  info.Empty();
  info.Section(kCounterSection);
  info.EmptyValue(infokey::kTotalCount);
  info.Empty();
  return Publish(serialNo, info.str());
}

}  // namespace kv71p::service

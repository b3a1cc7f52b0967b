// Fuzz target: the KEY="value" files other processes write. The same bytes
// serve as the printer information file that the status window reads
// (ReadInfoFileText, ApplyInfoFileText and the texts, counts and gauge the
// window derives from them) and as the per-job file that the filter reads
// (kv71p::FindKeyValue, ReadPerJobValues, the layout count and the
// remaining half prints).
//
// Input: a byte (not used any more; kept so the corpus stays valid), then
// the file's bytes.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "apps/printwatch/AppDelegate.h"
#include "apps/printwatch/InfoFileReader.h"
#include "common/KeyValueFile.h"
#include "common/PrinterFiles.h"
#include "filter/DeviceEntry_KV71P.h"
#include "filter/FdBlockWriter.h"
#include "filter/PerJobValues.h"
#include "fuzz/FuzzSupport.h"

using namespace kv71p;
using namespace kv71p::filter;

using kv71p::fuzz::InputReader;
using kv71p::fuzz::Require;
namespace pw = kv71p::printwatch;

namespace {

class QuietViews : public pw::StatusViews {
 public:
  void SetText(pw::View, const std::string& text) override { shown += text.size(); }
  void SetGaugeRange(double, double) override {}
  // The gauge takes the percentage as it comes (the widget clamps it).
  void SetGaugeValue(double) override {}
  void RedrawGauge() override {}
  void LoadIcon(pw::StatusIcon, const std::string&) override {}
  void ShowIcon(pw::StatusIcon) override {}
  size_t shown = 0;
};

class KeyTextHost : public pw::AppHost {
 public:
  std::vector<std::string> Arguments() const override { return {"Printwatch", "SN1", "Fuzz"}; }
  std::string ResourceFolder() const override { return "/nonexistent"; }
  std::string Text(const std::string& key) const override { return key; }
  void StartRepeatingTimer(double) override {}
  bool PrinterNames(std::vector<std::string>* names) override {
    names->assign(1, "Fuzz");
    return true;
  }
  void Terminate() override {}
  void Activate() override {}
};

// Every key of the file as the lookups take it ("MODEL="), and two
// fragments of the line format.
const std::vector<std::string> kKeys = [] {
  std::vector<std::string> keys;
  for (const char* key :
       {infokey::kModel, infokey::kPrinterStatus, infokey::kPrinterMessage,
        infokey::kPrinterSerialNo, infokey::kMediaClass, infokey::kMediaSize,
        infokey::kMediaInitial, infokey::kMediaRemain, infokey::kMediaRemainHalf,
        infokey::kTotalCount, infokey::kPrinterVersion}) {
    keys.push_back(std::string(key) + "=");
  }
  keys.insert(keys.end(), {"\"", "="});
  return keys;
}();

std::string gFolder;
std::string gJobFile;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gFolder = kv71p::fuzz::MakeRunFolder("infofile");
  setenv("KV71P_CACHE_DIR", gFolder.c_str(), 1);
  gJobFile = gFolder + "/Print_1.log";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  in.Byte();
  const std::string bytes = in.Rest();
  if (!kv71p::fuzz::WriteFileBytes(gJobFile, bytes)) kv71p::fuzz::Fail("cannot write the file");

  // The status window's reading and everything it derives.
  std::string text;
  if (pw::ReadInfoFileText(gJobFile, &text) == pw::InfoFileRead::Ok) {
    Require(text == bytes, "reader changed the text");
    KeyTextHost host;
    QuietViews views;
    pw::AppDelegate window(&host, &views);
    pw::ApplyInfoFileText(text, &window);
    window.updateStatus();
  }

  // The lookups of the filter and the service's line format.
  for (const std::string& key : kKeys) {
    std::string value;
    if (kv71p::FindKeyValue(gJobFile.c_str(), key.c_str(), &value)) {
      Require(value.size() < 256, "value longer than one piece");
      Require(value.find('"') == std::string::npos, "value keeps a quote");
    }
  }
  const PerJobValues values = ReadPerJobValues("1");
  Require(values.mediaSize.size() < kMaxPerJobValueLength &&
              values.mediaClass.size() < kMaxPerJobValueLength,
          "per-job value too long");
  FdBlockWriter noOutput(-1);
  DeviceEntry_KV71P entry(noOutput);
  const int layouts = entry.GetMultiLayoutNum(values);
  Require(layouts >= 1 && layouts <= 3, "layout count outside 1..3");
  (void)entry.GetRemainHalf(values);
  return 0;
}

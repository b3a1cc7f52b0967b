// Fuzz target: the IEEE 1284 device ID, from the control answer's bytes to
// the model name (DeviceIdTextFromAnswer, ReadDeviceIdText, FindModelName,
// and CutUtf8, which cuts it for the information file).
//
// Input: a size byte for CutUtf8, then the device ID answer as the printer
// sends it.
#include <string>

#include "fuzz/FuzzSupport.h"
#include "fuzz/MemoryUsbInterface.h"
#include "common/SerialNumber.h"
#include "common/TextHelpers.h"
#include "service/DeviceId.h"

using namespace kv71p;
using namespace kv71p::service;

using kv71p::fuzz::InputReader;
using kv71p::fuzz::MemoryUsbInterface;
using kv71p::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  const size_t cut = in.Byte();
  const std::string answer = in.Rest();

  std::string text;
  if (DeviceIdTextFromAnswer(reinterpret_cast<const unsigned char*>(answer.data()), answer.size(),
                             2, &text)) {
    Require(text.size() <= answer.size(), "device ID text longer than the answer");
    Require(IsValidUtf8(text), "device ID text is not UTF-8");
  }

  // The same bytes through the control request of an opened interface.
  MemoryUsbInterface itf(std::string(), 0, answer);
  itf.OpenSeize();
  std::string read;
  if (ReadDeviceIdText(&itf, 1, 0, &read)) Require(IsValidUtf8(read), "read text is not UTF-8");
  itf.Close();

  // The parser also on the raw bytes, valid text or not.
  const std::string* const ids[] = {&text, &read, &answer};
  for (const std::string* id : ids) {
    std::string model;
    if (FindModelName(*id, &model)) Require(model.size() <= id->size(), "model longer than its ID");
    const std::string cutText = CutUtf8(*id, cut);
    Require(cutText.size() <= cut, "CutUtf8 longer than its limit");
    if (IsValidUtf8(*id)) Require(IsValidUtf8(cutText), "CutUtf8 split a character");
  }
  return 0;
}

#include "tools/testbed/emulator/PrintRendering.h"

#include <filesystem>

#include "tools/decoder/PlaneImage.h"
#include "tools/decoder/PngOutput.h"
#include "tools/decoder/PrintAssembler.h"
#include "tools/decoder/StreamDecoder.h"

namespace kv71p::emulator {

namespace {

const char* const kPlaneNames[3] = {"yellow", "magenta", "cyan"};

int WritePrint(const StreamPrint& print, const std::string& folder, const std::string& base,
               std::string* message) {
  PlaneImage planes[3];
  const PlaneImage* present[3] = {nullptr, nullptr, nullptr};
  for (int k = 0; k < 3; ++k) {
    if (!print.HasPlane(k)) continue;
    if (!ReadPlaneImage(print.planes[k], &planes[k])) {
      *message = std::string("unreadable ") + kPlaneNames[k] + " plane";
      return -1;
    }
    const std::string path = folder + "/" + base + "-" + kPlaneNames[k] + ".png";
    if (WritePlanePng(path, planes[k]) != 0) {
      *message = "cannot write " + path;
      return -1;
    }
    present[k] = &planes[k];
  }
  const std::string path = folder + "/" + base + "-preview.png";
  if (WritePreviewPng(path, present[0], present[1], present[2]) != 0) {
    *message = "cannot write " + path;
    return -1;
  }
  return 0;
}

}  // namespace

int RenderPrints(const std::string& stream, const std::string& folder, const std::string& prefix,
                 unsigned firstNumber, std::string* message) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  PrintAssembler assembler;
  int count = 0;
  bool failed = false;
  auto render = [&](const StreamPrint& print) {
    if (failed) return;
    const std::string base = prefix + "-print" + std::to_string(firstNumber + count);
    if (WritePrint(print, folder, base, message) != 0) {
      failed = true;
      return;
    }
    ++count;
  };
  StreamError error;
  const int r = DecodeStream(
      reinterpret_cast<const unsigned char*>(stream.data()), stream.size(),
      [&](StreamBlock&& block) {
        if (assembler.Add(std::move(block))) render(assembler.print());
      },
      &error);
  if (r != 0) {
    *message = "malformed stream at byte " + std::to_string(error.offset) + ": " + error.message;
    return -1;
  }
  if (assembler.Finish()) render(assembler.print());
  return failed ? -1 : count;
}

}  // namespace kv71p::emulator

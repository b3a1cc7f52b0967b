// kv71p-demo-stream: writes a small KV-71P print stream made from a test
// pattern, for the demo and for trying the decoder:
//   print 1: one 207 x 105 mm photo at 300 dpi (MULTICUT 408);
//   print 2: two photos on the 2-up 207 x 105 mm page at 300 x 600 dpi
//            (MULTICUT 13), with a luster overcoat.
//
//   kv71p-demo-stream OUTPUT
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/CommandCatalogue.h"
#include "common/DeviceCmd.h"
#include "common/SafeFile.h"
#include "filter/PlaneCommand.h"

using namespace kv71p;

namespace {

constexpr int kHeadWidth = 2560;

struct Rgb {
  unsigned char r, g, b;
};

// The test photo, seen top-down: colour bars, a hue sweep fading to white,
// a grey ramp and a checkerboard.
Rgb Pattern(int x, int y, int width, int height) {
  static const Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                               {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  const int band = y * 3 / height;
  if (band == 0) return kBars[x * 8 / width];
  if (band == 1) {
    const int h = x * 1536 / width;  // six segments of 256 steps
    const int f = h % 256;
    int r = 0, g = 0, b = 0;
    switch (h / 256) {
      case 0: r = 255; g = f; break;
      case 1: r = 255 - f; g = 255; break;
      case 2: g = 255; b = f; break;
      case 3: g = 255 - f; b = 255; break;
      case 4: r = f; b = 255; break;
      default: r = 255; b = 255 - f; break;
    }
    const int top = height / 3, rows = height / 3;
    const int white = (y - top) * 255 / rows;  // fade towards white downwards
    auto fade = [white](int v) { return static_cast<unsigned char>(v + (255 - v) * white / 255); };
    return {fade(r), fade(g), fade(b)};
  }
  if (x < width * 3 / 4) {
    const auto v = static_cast<unsigned char>(x * 255 / (width * 3 / 4 - 1));
    return {v, v, v};
  }
  const bool dark = ((x / 32) + (y / 32)) % 2 == 0;
  return dark ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
}

// Appends one plane command, made by the filter's plane writer: photos
// (photoWidth x photoLength each) centred across the head and stacked with
// `gap` rows between them, the bottom row stored first.
bool AppendPlane(std::vector<unsigned char>& out, int plane, int channel, int photos, int photoWidth,
                 int photoLength, int gap, int dpiY) {
  const int height = photos * photoLength + (photos - 1) * gap;
  filter::PlaneCommand command;
  if (!command.Make(kHeadWidth, height, 300, dpiY)) return false;
  command.SetPlaneName(filter::kPlaneNames[plane]);
  const int x0 = (kHeadWidth - photoWidth) / 2;
  for (int p = 0; p < photos; ++p) {
    for (int y = 0; y < photoLength; ++y) {
      // Photo p starts at stored row p * (photoLength + gap); its top row
      // is its last stored row.
      unsigned char* row = command.Row(p * (photoLength + gap) + photoLength - 1 - y) + x0;
      for (int x = 0; x < photoWidth; ++x) {
        const Rgb c = Pattern(x, y, photoWidth, photoLength);
        row[x] = channel == 0 ? c.r : channel == 1 ? c.g : c.b;
      }
    }
  }
  out.insert(out.end(), command.bytes(), command.bytes() + command.size());
  return true;
}

void Append(std::vector<unsigned char>& out, const DeviceCmd& cmd) {
  out.insert(out.end(), cmd.buffer, cmd.buffer + cmd.length);
}

bool AppendPrint(std::vector<unsigned char>& out, int overcoat, int speed, int multiCut,
                 int photos, int photoLength, int gap, int dpiY) {
  DeviceCmd cmd;
  MakeNumberCmd(cmd, kCmdCntrl, kParamCutter, 0);
  Append(out, cmd);
  MakeNumberCmd(cmd, kCmdCntrl, kParamOvercoat, overcoat);
  Append(out, cmd);
  MakeNumberCmd(cmd, kCmdCntrl, kParamBuffCntrl, 1);
  Append(out, cmd);
  MakeNumberCmd(cmd, kCmdCntrl, kParamPrintSpeed, speed);
  Append(out, cmd);
  MakeNumberCmd(cmd, kCmdImage, kParamMultiCut, multiCut);
  Append(out, cmd);
  // Yellow holds the blue channel, magenta the green one, cyan the red one.
  const int channels[3] = {2, 1, 0};
  for (int k = 0; k < 3; ++k) {
    if (!AppendPlane(out, k, channels[k], photos, 2448, photoLength, gap, dpiY)) return false;
  }
  MakeStartCmd(cmd);
  Append(out, cmd);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: kv71p-demo-stream OUTPUT\n", stderr);
    return 2;
  }
  std::vector<unsigned char> stream;
  if (!AppendPrint(stream, 0, 0, 408, 1, 1236, 30, 300) ||
      !AppendPrint(stream, 22, 30, 13, 2, 2472, 60, 600)) {
    std::fputs("kv71p-demo-stream: out of memory\n", stderr);
    return 1;
  }
  const int fd = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const bool written = fd >= 0 && kv71p::WriteAll(fd, stream.data(), stream.size());
  const int savedErrno = errno;
  if (fd >= 0 && close(fd) != 0 && written) return 1;
  if (!written) {
    errno = savedErrno;
    std::fprintf(stderr, "kv71p-demo-stream: cannot write %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  return 0;
}

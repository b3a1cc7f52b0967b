// kv71p-decode: lists the command blocks of a KV-71P print stream, checks
// its framing and plane images, and on request writes each print's planes
// and a colour preview as PNG files.
//
//   kv71p-decode [--png FOLDER] [FILE]     (no FILE or "-": standard input)
//
// Exit status: 0 the stream is well formed, 1 it is malformed or cut short
// (the message names the offset of the first bad byte), 2 usage or
// input/output failure.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/decoder/BlockText.h"
#include "tools/decoder/PngOutput.h"
#include "tools/decoder/PrintAssembler.h"
#include "tools/decoder/StreamDecoder.h"

namespace {

const char kUsage[] =
    "usage: kv71p-decode [--png FOLDER] [FILE]\n"
    "  Lists the command blocks of a KV-71P print stream (FILE, or standard\n"
    "  input when FILE is missing or \"-\") and checks every block.\n"
    "  --png FOLDER  write each print's yellow, magenta and cyan planes and a\n"
    "                colour preview as PNG files into FOLDER\n";

// A FILE* that closes itself.
class InputFile {
 public:
  explicit InputFile(const std::string& path)
      : file_(path == "-" ? stdin : std::fopen(path.c_str(), "rb")), owned_(path != "-") {}
  ~InputFile() {
    if (owned_ && file_ != nullptr) std::fclose(file_);
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
  bool owned_;
};

struct Session {
  std::string pngFolder;
  kv71p::PrintAssembler prints;
  int writeFailures = 0;

  void Render() {
    const kv71p::StreamPrint& print = prints.print();
    std::printf("print %d: MULTICUT %ld, planes %s%s%s%s\n", print.number, print.multiCut,
                print.HasPlane(kv71p::kYellowPlane) ? "Y" : "-",
                print.HasPlane(kv71p::kMagentaPlane) ? "M" : "-",
                print.HasPlane(kv71p::kCyanPlane) ? "C" : "-",
                print.started ? "" : " (not started: no START before the end of the stream)");
    if (pngFolder.empty()) return;
    std::vector<std::string> written;
    const int result = kv71p::WritePrintPngs(print, pngFolder, &written);
    for (const std::string& path : written) std::printf("  wrote %s\n", path.c_str());
    if (result != 0) {
      std::fprintf(stderr, "kv71p-decode: print %d: could not write all PNG files to %s\n",
                   print.number, pngFolder.c_str());
      ++writeFailures;
    }
  }

  void Take(kv71p::StreamBlock&& block) {
    std::printf("%s\n", kv71p::DescribeBlock(block).c_str());
    const bool closed = prints.Add(std::move(block));
    if (!prints.note().empty()) std::printf("note: %s\n", prints.note().c_str());
    if (closed) Render();
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::string input = "-";
  Session session;
  bool haveInput = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--png" && i + 1 < argc) {
      session.pngFolder = argv[++i];
    } else if ((arg.empty() || arg[0] != '-' || arg == "-") && !haveInput) {
      input = arg;
      haveInput = true;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }

  InputFile file(input);
  if (file.get() == nullptr) {
    std::fprintf(stderr, "kv71p-decode: cannot open %s: %s\n", input.c_str(), std::strerror(errno));
    return 2;
  }
  kv71p::StreamDecoder decoder(
      [&session](kv71p::StreamBlock&& block) { session.Take(std::move(block)); });
  std::vector<unsigned char> chunk(1 << 16);
  int result = 0;
  for (;;) {
    const size_t n = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (n > 0) result = decoder.Feed(chunk.data(), n);
    if (result != 0 || n < chunk.size()) break;
  }
  if (result == 0 && std::ferror(file.get())) {
    std::fprintf(stderr, "kv71p-decode: read error on %s\n", input.c_str());
    return 2;
  }
  if (result == 0) result = decoder.Finish();
  if (result != 0) {
    std::fflush(stdout);
    std::fprintf(stderr, "kv71p-decode: offset %" PRIu64 ": %s\n", decoder.error().offset,
                 decoder.error().message.c_str());
    return 1;
  }
  if (session.prints.Finish()) session.Render();
  std::printf("%" PRIu64 " blocks, %" PRIu64 " bytes, well formed\n", decoder.blockCount(),
              decoder.offset());
  return session.writeFailures == 0 ? 0 : 2;
}

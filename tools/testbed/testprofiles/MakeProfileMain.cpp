// kv71p-make-profile: writes a generated printer profile for tests, the
// benchmarks and the demo.
//   kv71p-make-profile matrix|lut|cmyk <output.icc>
#include <cstdio>

#include "tools/testbed/testprofiles/TestProfiles.h"

int main(int argc, char** argv) {
  kv71p::TestProfileKind kind;
  if (argc != 3 || !kv71p::ParseTestProfileKind(argv[1], &kind)) {
    std::fprintf(stderr, "usage: %s matrix|lut|cmyk <output.icc>\n", argv[0]);
    return 2;
  }
  if (!kv71p::WriteTestProfile(kind, argv[2])) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
    return 1;
  }
  return 0;
}

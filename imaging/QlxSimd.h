// Small fixed-width vectors for the pixel loops (compiler vector types, so
// the same code builds for any target). Lane-wise IEEE operations only: a
// vector sum or product rounds exactly as the same scalar operation does.
#pragma once

#include <cstdint>
#include <cstring>

namespace qlx {

typedef double V4d __attribute__((vector_size(32)));
typedef int32_t V4i __attribute__((vector_size(16)));

inline V4d LoadV4d(const double* p) {
  V4d v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void StoreV4d(double* p, V4d v) { std::memcpy(p, &v, sizeof v); }
inline V4d SplatV4d(double x) { return V4d{x, x, x, x}; }

// Four bytes widened to doubles.
inline V4d BytesToV4d(const unsigned char* p) {
  return V4d{static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2]),
             static_cast<double>(p[3])};
}

// Truncation toward zero, lane by lane (values must fit in 32 bits).
inline V4i TruncV4d(V4d v) { return __builtin_convertvector(v, V4i); }

// Clamps to 0 ... 255 and stores four bytes.
inline void StoreClampedBytes(unsigned char* p, V4i v) {
  const V4i zero = {0, 0, 0, 0};
  const V4i top = {255, 255, 255, 255};
  v = v < zero ? zero : v;
  v = v > top ? top : v;
  p[0] = static_cast<unsigned char>(v[0]);
  p[1] = static_cast<unsigned char>(v[1]);
  p[2] = static_cast<unsigned char>(v[2]);
  p[3] = static_cast<unsigned char>(v[3]);
}

}  // namespace qlx

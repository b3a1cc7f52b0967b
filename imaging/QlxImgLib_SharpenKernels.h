// Row kernels of the sharpening (QlxImgLib_Sharpen.cpp), at the vector
// level in use (QlxImgLib_Vector.h). Every level sums the nine products of
// each byte in the same order and gives the same bits.
#pragma once

#include <cstdint>

namespace qlx {

// One stored row turned into its products: every byte times the neighbour
// weight, and times the centre weight.
struct ProductRow {
  double* neighbour;
  double* centre;
};

void MakeProducts(const unsigned char* row, int64_t count, double e, double c, ProductRow out);

// One output row from the products of the previous, own and next stored
// rows (edge pixels use themselves for missing neighbours).
void SharpenRow(const ProductRow& prev, const ProductRow& own, const ProductRow& next, int32_t width,
                unsigned char* out);

}  // namespace qlx

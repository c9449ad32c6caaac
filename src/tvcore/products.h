// The maker's product table: each product's short code (used in folder and
// file names) and its registry name (the key below the maker's key).
#pragma once

#include <string>

namespace tv::tvcore {

// Products are numbered 0..kProductCount-1; the number is the low byte of the
// code a program passes to Initialize.
inline constexpr int kProductCount = 54;

struct ProductRow {
  int number;
  const char* shortCode;
  const char* registryName;
};

// The row of a product, or null for a number outside the table or a product
// this library does not describe.
const ProductRow* FindProduct(int number);

}  // namespace tv::tvcore

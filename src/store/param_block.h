// Layout of the parameter block that heads the planet database: the start
// values and limits of every decimal, integer and flag, shared by the store
// that reads and writes it and the database loader that checks it first.
#pragma once
#include <cstddef> // Required for: size_t

#include "store/store.h" // Required for: DBL_PARAMS, FLAG_PARAMS, INT_PARAMS

// Byte offsets of the seven arrays (little-endian, no padding): decimals are
// 8 bytes, integers and flags 4.
constexpr size_t BLOCK_DBL_PARAM = 0;
constexpr size_t BLOCK_DBL_MAX = BLOCK_DBL_PARAM + 8 * DBL_PARAMS;  // 320
constexpr size_t BLOCK_DBL_MIN = BLOCK_DBL_MAX + 8 * DBL_PARAMS;    // 640
constexpr size_t BLOCK_INT_PARAM = BLOCK_DBL_MIN + 8 * DBL_PARAMS;  // 960
constexpr size_t BLOCK_INT_MAX = BLOCK_INT_PARAM + 4 * INT_PARAMS;  // 1120
constexpr size_t BLOCK_INT_MIN = BLOCK_INT_MAX + 4 * INT_PARAMS;    // 1280
constexpr size_t BLOCK_FLAG_PARAM = BLOCK_INT_MIN + 4 * INT_PARAMS; // 1440
static_assert(BLOCK_DBL_MAX == 320 && BLOCK_INT_PARAM == 960 && BLOCK_FLAG_PARAM == 1440,
              "the block's arrays lie where the database file has them");
static_assert(BLOCK_FLAG_PARAM + 4 * FLAG_PARAMS == PARAM_BLOCK_SIZE, "parameter block is 1,520 bytes");

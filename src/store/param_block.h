// Layout of the planet database (novamir3.dat): the parameter block at its
// head with the start values and limits of every decimal, integer and flag,
// then the two pictures and the Colour table. Shared by the store that reads
// and writes the block, the database loader and the database builder.
#pragma once
#include <cstddef> // Required for: size_t

#include "store/store.h"           // Required for: DBL_PARAMS, FLAG_PARAMS, INT_PARAMS
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH

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

// After the block, in this order: the first picture (DATABASE_SIZE_BYTES of
// int16 width and height, then width x height palette indices) and its
// palette; the second picture (sizes, then pixels, using the Colour table);
// the Colour table. Nothing follows; a longer file is read the same.
constexpr size_t DATABASE_IMAGE1_AT = PARAM_BLOCK_SIZE;
constexpr size_t DATABASE_SIZE_BYTES = 4;      // int16 width, int16 height
constexpr size_t DATABASE_PALETTE_BYTES = 768; // 256 x red, green, blue, 0..255 each
// Both pictures go into the surface map, the second from its middle column
// on, so the second may be only half as wide as the first.
constexpr int DATABASE_IMAGE1_MAX_WIDTH = MAP_MAX_WIDTH;
constexpr int DATABASE_IMAGE2_COLUMN = MAP_MAX_WIDTH / 2;
constexpr int DATABASE_IMAGE2_MAX_WIDTH = MAP_MAX_WIDTH - DATABASE_IMAGE2_COLUMN;
constexpr int DATABASE_IMAGE_MAX_HEIGHT = MAP_MAX_HEIGHT;

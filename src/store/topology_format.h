// Layout of the topology file (novamir1.top): header, index entries,
// trailer and record data, with its limits and their reasons. The program's
// loader reads it by these names and the data builder writes it by them.
// Every field is little-endian (platform/bytes.h).
#pragma once

// Records in one file: the header's tables have this many slots whether the
// file uses them or not, and the planet and ring pickers index them.
constexpr int MAX_TOPOLOGY_RECORDS = 48;
// The surface map every record is copied into, and so the largest record:
// rows of at most 640 bytes, at most 256 rows.
constexpr int MAP_MAX_WIDTH = 640;
constexpr int MAP_MAX_HEIGHT = 256;
// A record's name: 11 characters and the NUL.
constexpr int TOPOLOGY_NAME_LEN = 12;

// Header: two counts, then four tables of MAX_TOPOLOGY_RECORDS slots.
constexpr int TOPO_RECORD_LIMIT_AT = 0; // int16: records the pickers may name
constexpr int TOPO_COUNT_AT = 2;        // int16: N, records in the index
constexpr int TOPO_WIDTHS_AT = 4;       // int16 per record: width of its map
constexpr int TOPO_HEIGHTS_AT = TOPO_WIDTHS_AT + 2 * MAX_TOPOLOGY_RECORDS;  // int16 per record
constexpr int TOPO_OFFSETS_AT = TOPO_HEIGHTS_AT + 2 * MAX_TOPOLOGY_RECORDS; // int32: data from file start
constexpr int TOPO_SIZES_AT = TOPO_OFFSETS_AT + 4 * MAX_TOPOLOGY_RECORDS;   // int32: bytes of its data
constexpr int TOPO_HEADER_BYTES = TOPO_SIZES_AT + 4 * MAX_TOPOLOGY_RECORDS;
static_assert(TOPO_HEIGHTS_AT == 100 && TOPO_OFFSETS_AT == 196 && TOPO_SIZES_AT == 388 &&
              TOPO_HEADER_BYTES == 580, "the header layout of every topology file ever written");

// N index entries follow the header.
constexpr int TOPO_ENTRY_NAME_AT = 0; // TOPOLOGY_NAME_LEN bytes, NUL-padded
constexpr int TOPO_ENTRY_PALETTE_SOURCE_AT = 12; // byte: record whose palette a raw map uses, 0 none
constexpr int TOPO_ENTRY_MAP_TYPE_AT = 13;       // byte
constexpr int TOPO_ENTRY_ZERO_INDEX_AT = 14;     // byte
constexpr int TOPO_ENTRY_DARK_INDEX_AT = 15;     // byte
constexpr int TOPO_ENTRY_BYTES = 16;
static_assert(TOPO_ENTRY_NAME_AT + TOPOLOGY_NAME_LEN == TOPO_ENTRY_PALETTE_SOURCE_AT, "name fills its field");

// The trailer follows the entries: a two-byte marker, "AH" or "AM" (anything
// else means no trailer; the builder writes two zero bytes), then the full
// flags (a byte per slot), for "AM" the planets on file (int16), the rings on
// file (int16), and for "AM" the ring table (int16 per slot).
constexpr int TOPO_MARKER_BYTES = 2;
constexpr int TOPO_TRAILER_AH_BYTES = TOPO_MARKER_BYTES + MAX_TOPOLOGY_RECORDS + 2;
constexpr int TOPO_TRAILER_AM_BYTES = TOPO_TRAILER_AH_BYTES + 2 + 2 * MAX_TOPOLOGY_RECORDS;

// A record's data: its row length L (int16), its row count R (int16), R rows
// of L bytes, then for the types that carry one a 256-entry palette of
// (red, green, blue) bytes.
constexpr int TOPO_DATA_HEADER_BYTES = 4;
constexpr int TOPO_PALETTE_BYTES = 768;

// Map types: raw rows that borrow a palette (1, 3), rows with their own
// palette (2, 4, 14, 15, 16), and an opaque block the loader never reads (6).
constexpr int TOPO_TYPE_OPAQUE = 6;
inline bool topology_type_is_raw(int type) { return type == 1 || type == 3; }
inline bool topology_type_has_palette(int type)
{
    return type == 2 || type == 4 || type == 14 || type == 15 || type == 16;
}

// Object records: the 64 scene objects as stored in project files, the store
// map between a record and the parameter store, the list and drawing orders.
#pragma once
#include <cstddef>     // Required for: offsetof
#include <cstdint>     // Required for: int32_t
#include <type_traits> // Required for: is_trivially_copyable_v

constexpr int MAX_OBJECTS = 64;
constexpr int OBJECT_NAME_LEN = 24;
constexpr int OBJECT_RECORD_SIZE = 324;

// Type codes equal the numbers of the object pages.
enum ObjectType : int32_t {
    OBJ_FREE = -1, OBJ_SKY = 1, OBJ_PLANET = 2, OBJ_RING = 3, OBJ_COMET = 4, OBJ_BITMAP = 5,
};

// One scene object as stored in project files (little-endian, 324 bytes).
// w[0] is the type; w[1] START FRAME, w[2] END FRAME, w[3]..w[24] the
// type's integers and flags. d[0]..d[23] the type's decimals (d[9] sort
// distance, d[10] travel distance, d[11] travel angle); d[24] the distance at
// the frame being generated.
#pragma pack(push, 4)
struct ObjectRecord {
    union {
        int32_t type;
        int32_t w[25];
    };
    double d[25];
    char name[OBJECT_NAME_LEN];
};
#pragma pack(pop)
static_assert(sizeof(ObjectRecord) == OBJECT_RECORD_SIZE, "object record is 324 bytes");
static_assert(offsetof(ObjectRecord, type) == 0);
static_assert(offsetof(ObjectRecord, w) == 0);
static_assert(offsetof(ObjectRecord, d) == 100);
static_assert(offsetof(ObjectRecord, name) == 300);
static_assert(std::is_trivially_copyable_v<ObjectRecord>);

// Records as file bytes (little-endian, field by field).
void pack_object(const ObjectRecord& rec, uint8_t out[OBJECT_RECORD_SIZE]);
void unpack_object(const uint8_t in[OBJECT_RECORD_SIZE], ObjectRecord* rec);

// The store map: which store entry each field of a record holds, per type.
enum MapSource : int32_t { MAP_INT = 0, MAP_FLAG = 1, MAP_DBL = 2, MAP_ZERO = 3 };
struct StoreMapRow {
    int32_t type;    // ObjectType 1..5
    char field;      // 'w' integer field, 'd' decimal field
    int32_t index;   // field number (w3.., d0..)
    int32_t source;  // MapSource; MAP_ZERO stores 0
    int32_t param;   // store index of the entry
    int32_t restore; // 1 copied back on restore, 0 store only
};
extern const StoreMapRow store_map[];
extern const int STORE_MAP_ROWS;

extern ObjectRecord object_slots[MAX_OBJECTS];
extern int32_t list_order[MAX_OBJECTS];  // used slots, sorted by d[9] descending, -1 after
extern int32_t depth_order[MAX_OBJECTS]; // drawing order of the current frame, far first
extern int32_t object_count;             // 0..64
extern int32_t current_object;           // list position, 0..object_count

// Rings locked to the planet being drawn, in list order.
struct RingLocks {
    int32_t slot[MAX_OBJECTS];
    int32_t count;
};
extern RingLocks ring_locks;

void clear_slot(int slot);
void clear_objects();
void rebuild_list();
// Lowest free slot, or -1 when all 64 are used.
int first_free_slot();
// Copies a record back into the store; a free slot changes nothing.
void restore_object(int slot);
// Copies at most max characters of text into a record name, NUL-padded.
void set_object_name(ObjectRecord& rec, const char* text, int max);
// Copies a record name (which a file may leave unterminated) into dst.
void copy_object_name(char* dst, size_t dst_size, const ObjectRecord& rec);
// Name (and type) of the object at a list position; "empty" beyond the last.
const char* object_name_at(int position, int* type);
// Name and d[24] of the object at a position of depth_order.
const char* depth_name_at(int position, double* distance);
// Fills ring_locks for planet slot p: rings whose PLANET LOCK is p + 1.
void find_ring_locks(int planet_slot);
// LIST pane: header, column title and lines of one pane page; returns lines.
int object_pane_lines(char lines[][80], int first_line, int page, int per_page);

// Shared short label of the current planet ("P%d %s" or "Colour %d"), also
// the name a planet object is stored under; a restored planet brings it back.
extern char planet_name_text[32];

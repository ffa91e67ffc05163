// Project file layout: the whole file as one in-memory image, with its byte
// reader and writer, shared by the program's LOAD/SAVE and the project tool.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: int32_t, uint8_t
#include <vector>

#include "shell/shell.h"   // Required for: PROJECT_HEADER_SIZE
#include "store/records.h" // Required for: MAX_OBJECTS, OBJECT_RECORD_SIZE, ObjectRecord
#include "store/store.h"   // Required for: CHOICE_LISTS, DBL_PARAMS, FLAG_PARAMS, STR_LEN

// Byte offsets of the blocks (little-endian, no header, no padding), each
// following the one before: decimals are 8 bytes, whole numbers 4, strings
// STR_LEN bytes written whole.
constexpr size_t PROJECT_DBL_AT = 0;                                           // dbl_param
constexpr size_t PROJECT_INT_AT = PROJECT_DBL_AT + 8 * (size_t)DBL_PARAMS;     // int_param
constexpr size_t PROJECT_FLAG_AT = PROJECT_INT_AT + 4 * (size_t)INT_PARAMS;    // flag_param
constexpr size_t PROJECT_CHOICE_AT = PROJECT_FLAG_AT + 4 * (size_t)FLAG_PARAMS; // current of lists 0..9
constexpr size_t PROJECT_STR_AT = PROJECT_CHOICE_AT + 4 * (size_t)CHOICE_LISTS; // str_param
constexpr size_t PROJECT_COUNT_AT = PROJECT_STR_AT + (size_t)STR_PARAMS * STR_LEN; // object_count
constexpr size_t PROJECT_CURRENT_AT = PROJECT_COUNT_AT + 4;                   // current_object
constexpr size_t PROJECT_OBJECTS_AT = PROJECT_CURRENT_AT + 4; // object_count records of 324 bytes
static_assert(PROJECT_INT_AT == 320 && PROJECT_FLAG_AT == 480 && PROJECT_CHOICE_AT == 560 &&
                  PROJECT_STR_AT == 600 && PROJECT_COUNT_AT == 920,
              "the blocks lie where saved projects have them");
static_assert(PROJECT_OBJECTS_AT == (size_t)PROJECT_HEADER_SIZE, "project header is 928 bytes");
// Longest file a project can be: 64 records.
constexpr size_t PROJECT_MAX_SIZE = PROJECT_OBJECTS_AT + (size_t)MAX_OBJECTS * OBJECT_RECORD_SIZE;

struct ProjectImage {
    double dbl[DBL_PARAMS];
    int32_t ints[INT_PARAMS];
    int32_t flags[FLAG_PARAMS];
    int32_t choice_current[CHOICE_LISTS];
    char str[STR_PARAMS][STR_LEN];
    int32_t object_count;     // records held, 0..64
    int32_t current_object;
    ObjectRecord objects[MAX_OBJECTS]; // in file order
    size_t trailing;          // bytes after the last record (kept, not read)
};

// Decodes file bytes. Returns 0, or -1 with *why set when the file is
// shorter than its blocks or its object count lies outside 0..64.
int decode_project(const uint8_t* bytes, size_t size, ProjectImage* out, const char** why);
// Encodes header and records (without trailing bytes).
std::vector<uint8_t> encode_project(const ProjectImage& in);
// The store and the list (in list order) as a project image.
void capture_project(ProjectImage* out);
// Replaces the store and the list with the image: clear_objects, records into
// slots 0, 1, 2... in file order, rebuild_list.
void commit_project(const ProjectImage& in);
// Whether the program may take the image: every string and object name
// terminated within its field and every choice selection naming a label.
// Returns 0, or -1 with *why set.
int check_project(const ProjectImage& in, const char** why);
// Cuts values no frame could be rendered with into their ranges (frame
// numbers 0..999, sides 0..16384, sky corners within +-2^20), telling the
// user "FILE: WHAT N is cut to M" for each (the first in a box, the rest on
// the console and in the log).
void limit_project_values(ProjectImage* p, const char* file);
// Replaces the file at path (found whatever the case of its directories) with
// bytes, whole or not at all; 0, or -1 with the old file (if any) untouched
// and errno set to the reason.
int replace_file_safely(const char* path, const std::vector<uint8_t>& bytes);

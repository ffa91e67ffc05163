// Project as JSON: converts a project image to the JSON text novamir-project
// prints, and JSON text back to an image, refusing anything that is not one.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: uint8_t
#include <string>
#include <vector>

#include "shell/project_layout.h" // Required for: ProjectImage

// Longest JSON text taken: a project of 64 objects is about 150 KB written
// out in full, so four megabytes leaves room for any spacing.
constexpr size_t PROJECT_JSON_MAX_SIZE = 4u << 20;
// Deepest nesting taken: top, "objects", an object, its "fields" or a text
// field's {"text", "raw"} is 4 levels; anything much deeper is not a project.
constexpr int PROJECT_JSON_MAX_DEPTH = 8;

// The project (and the bytes after its last record) as indented JSON text.
std::string project_to_json(const ProjectImage& p, const std::vector<uint8_t>& trailing);

// Reads JSON text of size bytes (need not be NUL-terminated). Returns 0 with
// *out and *trailing filled, or -1 with *error = "PATH: problem" (PATH being
// the key, e.g. "objects[2]/fields/PHASE (d3)", or "(top)"). Any input at
// all: never throws, never aborts.
int project_from_json(const char* text, size_t size, ProjectImage* out, std::vector<uint8_t>* trailing,
                      std::string* error);

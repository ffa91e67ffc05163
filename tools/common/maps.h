// Map records of a topology file as a user edits them: reading a file back,
// turning a picture into a record of a kind, inserting, replacing and
// removing records with every cross-reference kept right. Used by
// novamir-maps and by build_topology, so both write the same bytes.
#pragma once
#include <string>
#include <vector>

#include "toolkit.h"

namespace nmk {

// What a user calls a record; each kind has one size and one map type.
enum MapKind { KIND_FULL, KIND_HALF, KIND_RING_STRIP, KIND_RING_FACE, KIND_COUNT };

struct MapKindRow {
    const char* name; // as typed after --kind
    int width, height;
    int map_type;     // as stored for a record of our own
    bool ring;        // reached through the ring table, not the planet numbers
};
extern const MapKindRow map_kinds[KIND_COUNT];

// KIND_COUNT when the name is none of them.
MapKind map_kind_named(const std::string& name);
// The word `list` shows for record i (also for types no kind makes).
std::string record_kind_word(const TopoFile& file, int i);

// Reads a whole topology file's bytes into records; false with the problem
// (naming the record) in error. A file written without the "AM" trailer
// comes back with its planets and ring table as the program reads them, and
// is written back with the trailer.
bool parse_topology(const std::vector<uint8_t>& bytes, TopoFile& file, std::string& error);

// Reads a JPEG or PNG (and, through stb_image, TGA or BMP) picture.
bool read_any_picture(const std::string& path, RgbImage& out, std::string& error);
// Resamples a picture to a record's size. Whole-number ratios (the build's
// own maps) keep the exact box mean and bilinear enlargement; any other
// ratio goes through stb_image_resize, wrapping across the date line when
// wrap is set.
RgbImage resample_map(const RgbImage& in, int width, int height, bool wrap);
// Ring quantising: as a planet map, but every pure black pixel becomes
// entry 0 so the sky shows through the gaps.
IndexedImage quantise_ring(const RgbImage& im);

// A record of the kind from a picture already at the kind's size; named,
// quantised with its own palette, zero and dark indices set.
TopoRecord record_of_kind(const std::string& name, MapKind kind, const RgbImage& picture);

// Inserts r at record number at (-1: after the last planet for a planet
// kind, at the end for a ring), renumbering palette sources and the ring
// table. Planets stay records 0 .. planets_on_file - 1, as the planet picker
// numbers them; at comes back as the record number it got. False with the
// reason when a limit would break.
bool insert_record(TopoFile& file, int& at, const TopoRecord& r, bool ring, std::string& error);
// Removes record n; refused while a half map borrows its palette.
bool remove_record(TopoFile& file, int n, std::string& error);
// Replaces record n's picture, keeping its name, type and size. A record
// that borrows a palette is matched to the lender's colours; the borrowers
// of a record that lends its palette are matched to its new colours.
bool replace_record(TopoFile& file, int n, const RgbImage& picture, std::string& error);
// Record n's picture in its own colours (borrowed ones for raw rows).
bool record_picture(const TopoFile& file, int n, RgbImage& out, std::string& error);

} // namespace nmk

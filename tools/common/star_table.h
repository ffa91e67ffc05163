// Star tables in CSV and the star catalogue starcats.bin made from them:
// the one road from a list of stars to the catalogue, for the build's own
// sky and for a user's invented one.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace nmk {

// A table line that becomes a star. The name is read but not kept in the
// catalogue, which has no room for it.
struct StarRow {
    double ra_deg;  // right ascension, degrees 0..360
    double dec_deg; // declination, degrees -90..90
    double mag;     // visual magnitude, smaller is brighter
    double bv;      // B-V colour index
};

// Bad rows reported one by one, then only counted: a wrong file (a binary,
// the wrong columns) must not bury the first messages.
constexpr int STAR_TABLE_MAX_MESSAGES = 20;
// Longer lines are refused: no star needs them, a binary file makes them.
constexpr size_t STAR_TABLE_MAX_LINE = 4096;

// Reads a star table (the columns and units are described in
// man/novamir-stars.1). Returns false when the file cannot be read or any row
// is bad; every problem is one line of errors, "PATH: line N: what".
bool read_star_table(const std::string& path, std::vector<StarRow>& rows, std::vector<std::string>& errors);

// What star_catalogue did with the rows it was given.
struct StarCatalogue {
    std::vector<uint8_t> bytes; // the whole starcats.bin
    int kept = 0;               // stars written, brightest first
    int dropped = 0;            // fainter stars beyond the catalogue's room
    int padded = 0;             // empty records after the last star
};

// The catalogue of the brightest rows (equal magnitudes keep the table's
// order), padded to the file's fixed number of records with empty records:
// black, at a position that is not a number, so that no projection puts them
// in a frame. The count field holds the number of real stars.
StarCatalogue star_catalogue(std::vector<StarRow> rows);

} // namespace nmk

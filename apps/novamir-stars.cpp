// novamir-stars: makes the star catalogue starcats.bin from a star table in
// CSV, for the build's own sky and for any invented one.
//
//   novamir-stars build TABLE.csv [-o starcats.bin]
#include <cerrno>  // Required for: errno
#include <cstdio>  // Required for: fprintf, printf
#include <cstring> // Required for: strcmp, strerror
#include <string>
#include <vector>

#include "platform/atomic_file.h" // Required for: write_bytes_atomically
#include "sky/sky.h"              // Required for: STAR_RECORDS
#include "star_table.h"           // Required for: read_star_table, star_catalogue

static const char USAGE[] =
    "usage: novamir-stars build TABLE.csv [-o FILE]\n"
    "       novamir-stars --help | --version\n";

static const char HELP[] =
    "Makes the star catalogue (starcats.bin) from a table of stars in CSV.\n"
    "\n"
    "  build TABLE.csv   read the table, keep its brightest stars\n"
    "  -o FILE           the catalogue to write (default starcats.bin)\n"
    "  --help            this text\n"
    "  --version         the program's version\n"
    "\n"
    "Each row: right ascension (hours: 6.7525 or 06:45:08.9), declination\n"
    "(degrees: -16.72 or -16:42:58), visual magnitude, B-V colour index, and an\n"
    "optional name. Lines starting with '#' are skipped. A first line naming the\n"
    "columns (ra or ra_deg, dec, mag, bv, name) may put them in any order.\n"
    "The catalogue holds 5080 stars: fainter ones are dropped, and a shorter\n"
    "table is padded with empty records that show nowhere.\n";

static int bad_arguments(const char* why)
{
    fprintf(stderr, "novamir-stars: %s\n%s", why, USAGE);
    return 2;
}

int main(int argc, char** argv)
{
    if (argc == 2 && !strcmp(argv[1], "--help")) {
        printf("%s\n%s", USAGE, HELP);
        return 0;
    }
    if (argc == 2 && !strcmp(argv[1], "--version")) {
        printf("novamir-stars %s\n", NOVAMIR_VERSION);
        return 0;
    }
    if (argc < 2 || strcmp(argv[1], "build") != 0)
        return bad_arguments(argc < 2 ? "no command given" : ("unknown command " + std::string(argv[1])).c_str());
    const char* table = nullptr;
    const char* out = "starcats.bin";
    for (int i = 2; i < argc; i++) {
        if (!strcmp(argv[i], "-o")) {
            if (++i == argc)
                return bad_arguments("-o needs a file name");
            out = argv[i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return bad_arguments(("unknown option " + std::string(argv[i])).c_str());
        } else if (table) {
            return bad_arguments("more than one table given");
        } else {
            table = argv[i];
        }
    }
    if (!table)
        return bad_arguments("no table given");

    std::vector<nmk::StarRow> rows;
    std::vector<std::string> errors;
    if (!nmk::read_star_table(table, rows, errors)) {
        for (const std::string& e : errors)
            fprintf(stderr, "novamir-stars: %s\n", e.c_str());
        fprintf(stderr, "novamir-stars: %s is left as it was\n", out);
        return 1;
    }
    const nmk::StarCatalogue cat = nmk::star_catalogue(rows);
    // Written whole or not at all: a failed run keeps the catalogue there was.
    if (write_bytes_atomically(out, cat.bytes.data(), cat.bytes.size()) != 0) {
        fprintf(stderr, "novamir-stars: %s: cannot write the catalogue: %s\n", out,
                errno ? strerror(errno) : "write failed");
        return 1;
    }
    printf("novamir-stars: %s: %zu stars read, %d written to %s", table, rows.size(), cat.kept, out);
    if (cat.dropped)
        printf("; %d fainter dropped (the catalogue holds %d)", cat.dropped, STAR_RECORDS);
    if (cat.padded)
        printf("; %d empty records pad it to %d", cat.padded, STAR_RECORDS);
    printf("\n");
    return 0;
}

// Extracts the brightest stars of KStars' stars.dat into the star table
// data/stars.csv, which novamir-stars turns into starcats.bin. Run by hand
// (tools/update_stars.sh) when the table is to be renewed; ordinary builds
// read only the committed table.
//
// stars.dat (Debian package kstars-data, /usr/share/kstars/stars.dat) is a
// text catalogue derived from Hipparcos and Tycho: '#' lines are comments,
// every other line is one star in fixed columns (0-based byte offsets):
//   0..8   right ascension, J2000, "hhmmss.ss"
//   10..18 declination, J2000, sign and "ddmmss.s"
//   20..44 proper motions and parallax (not used here)
//   45..50 visual magnitude, "%6.2f"-like, e.g. " -1.44" or " 06.01"
//   51..55 B-V colour index, e.g. "00.01" or "-0.23"
//   56..57 spectral type, 59 multiplicity flag, 61.. variability
//   then ", designation, proper name" where known.
#include <algorithm> // Required for: std::sort
#include <cstdio>    // Required for: fopen, fgets, fprintf
#include <cstring>   // Required for: strlen, strchr
#include <string>
#include <vector>

#include "platform/atomic_file.h" // Required for: write_file_atomically
#include "sky/sky.h"              // Required for: STAR_RECORDS

constexpr int WANTED_STARS = STAR_RECORDS; // the star catalogue holds exactly this many

struct Star {
    long ra_centis;   // right ascension in hundredths of a second of time
    long dec_decis;   // declination in tenths of an arcsecond, signed
    long mag_centi;   // magnitude in hundredths
    long bv_centi;    // B-V in hundredths
    std::string ra;   // "hh:mm:ss.ss"
    std::string dec;  // "+dd:mm:ss.s"
    std::string mag;  // "-1.44"
    std::string bv;   // "0.01"
    std::string name; // "alp CMa, Sirius", or empty
};

// Digits of s[from, from + n) as a number; false when any is not a digit.
static bool digits(const std::string& s, size_t from, size_t n, long* out)
{
    if (from + n > s.size())
        return false;
    long v = 0;
    for (size_t i = from; i < from + n; i++) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
    }
    *out = v;
    return true;
}

// A decimal field such as " -1.44", "06.01" or "-0.23" as signed hundredths,
// and its tidy text ("-1.44", "6.01", "-0.23").
static bool centi_field(const std::string& field, long* centi, std::string* text)
{
    std::string f;
    for (char c : field)
        if (c != ' ')
            f += c;
    bool neg = !f.empty() && (f[0] == '-' || f[0] == '+');
    bool minus = !f.empty() && f[0] == '-';
    if (neg)
        f.erase(0, 1);
    size_t dot = f.find('.');
    if (f.empty() || dot == std::string::npos || dot == 0 || f.size() - dot != 3)
        return false;
    long whole, frac;
    if (!digits(f, 0, dot, &whole) || !digits(f, dot + 1, 2, &frac))
        return false;
    long v = whole * 100 + frac;
    *centi = minus ? -v : v;
    char buf[32];
    snprintf(buf, sizeof buf, "%s%ld.%02ld", minus && v != 0 ? "-" : "", whole, frac);
    *text = buf;
    return true;
}

static std::string trim(const std::string& s)
{
    size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

// One catalogue line into a Star; false for a line that does not parse.
static bool parse_line(const std::string& line, Star* s)
{
    long hh, mm, ss, cs, dd, am, as, ds;
    if (line.size() < 56 || line[6] != '.' || line[17] != '.')
        return false;
    if (!digits(line, 0, 2, &hh) || !digits(line, 2, 2, &mm) || !digits(line, 4, 2, &ss) ||
        !digits(line, 7, 2, &cs))
        return false;
    char sign = line[10];
    if ((sign != '+' && sign != '-') || !digits(line, 11, 2, &dd) || !digits(line, 13, 2, &am) ||
        !digits(line, 15, 2, &as) || !digits(line, 18, 1, &ds))
        return false;
    // A few entries carry rounded seconds of 60; they are folded into the
    // next minute below.
    if (hh > 23 || mm > 59 || ss > 60 || dd > 90 || am > 59 || as > 60)
        return false;
    if (!centi_field(line.substr(45, 6), &s->mag_centi, &s->mag) ||
        !centi_field(line.substr(51, 5), &s->bv_centi, &s->bv))
        return false;
    s->ra_centis = ((hh * 60 + mm) * 60 + ss) * 100 + cs;
    long dec = ((dd * 60 + am) * 60 + as) * 10 + ds;
    s->dec_decis = sign == '-' ? -dec : dec;
    if (s->ra_centis >= 24L * 3600 * 100 || dec > 90L * 3600 * 10)
        return false;
    char buf[48];
    long t = s->ra_centis;
    snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld.%02ld", t / 360000, t / 6000 % 60, t / 100 % 60,
             t % 100);
    s->ra = buf;
    snprintf(buf, sizeof buf, "%c%02ld:%02ld:%02ld.%ld", sign, dec / 36000, dec / 600 % 60,
             dec / 10 % 60, dec % 10);
    s->dec = buf;
    // Names follow the first comma: ", designation, proper name".
    s->name.clear();
    size_t comma = line.find(',', 56);
    if (comma != std::string::npos) {
        std::string rest = line.substr(comma + 1);
        size_t second = rest.find(',');
        std::string desig = trim(second == std::string::npos ? rest : rest.substr(0, second));
        std::string proper = second == std::string::npos ? "" : trim(rest.substr(second + 1));
        s->name = desig;
        if (!proper.empty())
            s->name += s->name.empty() ? proper : ", " + proper;
    }
    return true;
}

// The name column of a row: nothing for no name, else a comma and the name,
// in quotes when it holds a comma or a quote (each quote doubled).
static std::string csv_name(const std::string& name)
{
    if (name.empty())
        return "";
    if (name.find_first_of(",\"") == std::string::npos)
        return "," + name;
    std::string q = ",\"";
    for (char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: extract_stars STARS.DAT OUT.CSV\n");
        return 2;
    }
    FILE* in = fopen(argv[1], "rb");
    if (!in) {
        fprintf(stderr, "extract_stars: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<Star> stars;
    char buf[512];
    long line_no = 0, skipped = 0;
    while (fgets(buf, sizeof buf, in)) {
        line_no++;
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        Star s;
        if (!parse_line(line, &s)) {
            skipped++;
            continue;
        }
        stars.push_back(s);
    }
    fclose(in);
    if ((long)stars.size() < WANTED_STARS) {
        fprintf(stderr, "extract_stars: %s: only %zu stars could be read\n", argv[1], stars.size());
        return 1;
    }
    // Brightest first; ties at the cut-off are broken by position so the
    // table does not depend on the order of the source file.
    std::sort(stars.begin(), stars.end(), [](const Star& a, const Star& b) {
        if (a.mag_centi != b.mag_centi)
            return a.mag_centi < b.mag_centi;
        if (a.ra_centis != b.ra_centis)
            return a.ra_centis < b.ra_centis;
        return a.dec_decis < b.dec_decis;
    });
    size_t read_count = stars.size();
    stars.resize(WANTED_STARS);

    // Written whole or not at all, so a failed run keeps the old table.
    auto write_table = [&](const char* temp) {
        FILE* out = fopen(temp, "wb");
        if (!out)
            return -1;
        fprintf(out,
                "# The %d brightest stars, for the star catalogue starcats.bin\n"
                "# (novamir-stars build stars.csv -o starcats.bin).\n"
                "# Extracted by tools/extract_stars from stars.dat of the Debian package\n"
                "# kstars-data (a catalogue derived from Hipparcos and Tycho; positions J2000).\n"
                "# Brightest first; equal magnitudes ordered by right ascension, then declination.\n"
                "# Columns: right ascension (h:m:s), declination (d:m:s), visual magnitude,\n"
                "# B-V colour index, then designation and proper name where known.\n"
                "ra,dec,mag,bv,name\n",
                WANTED_STARS);
        for (const Star& s : stars)
            fprintf(out, "%s,%s,%s,%s%s\n", s.ra.c_str(), s.dec.c_str(), s.mag.c_str(), s.bv.c_str(),
                    csv_name(s.name).c_str());
        return ferror(out) | fclose(out) ? -1 : 0;
    };
    if (write_file_atomically(argv[2], write_table) != 0) {
        fprintf(stderr, "extract_stars: error writing %s\n", argv[2]);
        return 1;
    }
    fprintf(stderr, "extract_stars: %ld lines, %zu stars read, %ld skipped, %d written\n", line_no,
            read_count, skipped, WANTED_STARS);
    return 0;
}

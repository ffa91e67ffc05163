// Star tables in CSV and the star catalogue starcats.bin: reading the
// table, sorting by magnitude, and turning each star into a position in
// radians and a colour.
//
// Colour model:
//   1. B-V -> effective temperature with Ballesteros' formula (2012),
//      T = 4600 K * (1 / (0.92 BV + 1.7) + 1 / (0.92 BV + 0.62)),
//      B-V clamped to -0.4..2.0 (about 21,700 K down to 3,200 K).
//   2. Planck's black-body spectrum at T, summed over 380..780 nm in 5 nm
//      steps against the CIE 1931 colour matching functions (the multi-lobe
//      Gaussian fit of Wyman, Sloan and Shirley, 2013) gives X, Y, Z.
//   3. XYZ -> linear sRGB primaries (D65), negative parts cut to 0, scaled so
//      the strongest channel is 1.
//   4. A star is one pixel, where true black-body tints hardly show; each
//      linear channel is raised to COLOUR_CONTRAST to make the tint readable,
//      then encoded with the sRGB transfer curve.
// Brightness model: a star's flux relative to magnitude SATURATION_MAG,
// raised to BRIGHTNESS_GAMMA, times 255 and capped at 255:
//   level = 255 * 10^(-0.4 * BRIGHTNESS_GAMMA * (mag - SATURATION_MAG)).
// The 15 stars of first magnitude or brighter reach 255, second-magnitude
// stars sit near 200, the faintest (6.0) near 70: faint but visible over a
// dark backdrop. The brightest channel of a star is its level; the others
// follow its colour.
#include "star_table.h"

#include <algorithm> // Required for: std::stable_sort
#include <cctype>    // Required for: tolower
#include <cmath>     // Required for: exp, pow, floor, isfinite
#include <cstdio>    // Required for: fopen, getc
#include <cstdlib>   // Required for: strtod

#include "platform/angles.h" // Required for: TWO_PI
#include "platform/bytes.h"  // Required for: put_f32, put_u16, put_u32
#include "sky/sky.h"         // Required for: STAR_FILE_SIZE, STAR_RECORDS, STAR_*_AT

namespace nmk {

constexpr double SATURATION_MAG = 1.0;   // stars at least this bright are at 255
constexpr double BRIGHTNESS_GAMMA = 0.28; // compresses 7.5 magnitudes into 255..60
constexpr double COLOUR_CONTRAST = 1.5;   // exponent on linear channels, > 1 saturates
constexpr double BV_MIN = -0.4, BV_MAX = 2.0;
// Sanity bounds of a table's numbers: beyond them the column is surely not
// what it claims to be (the brightest star is -1.5, the faintest seen by eye
// about 6.5; B-V runs from about -0.4 to 2).
constexpr double MAG_LIMIT = 30.0, BV_LOW = -5.0, BV_HIGH = 10.0;
// A padding record's longitude and latitude: a quiet NaN, which the star
// field projects outside every frame in both its plain and precise views.
constexpr uint32_t PADDING_POSITION = 0x7fc00000u;

// ---------------------------------------------------------------------------
// Colour and brightness.

static double lobe(double lambda, double mu, double s1, double s2)
{
    double s = lambda < mu ? s1 : s2;
    double t = (lambda - mu) / s;
    return exp(-0.5 * t * t);
}

static double temperature_of(double bv)
{
    if (bv < BV_MIN)
        bv = BV_MIN;
    if (bv > BV_MAX)
        bv = BV_MAX;
    return 4600.0 * (1.0 / (0.92 * bv + 1.7) + 1.0 / (0.92 * bv + 0.62));
}

static double srgb_encode(double v)
{
    return v <= 0.0031308 ? 12.92 * v : 1.055 * pow(v, 1.0 / 2.4) - 0.055;
}

// Display colour of a black body at T kelvin, strongest channel 1.
static void blackbody_rgb(double t, double rgb[3])
{
    const double c2 = 1.4388e-2; // second radiation constant, m K
    double x = 0, y = 0, z = 0;
    for (int i = 0; i <= 80; i++) {
        double nm = 380.0 + 5.0 * i;
        double m = nm * 1e-9;
        double radiance = 1.0 / (m * m * m * m * m * (exp(c2 / (m * t)) - 1.0));
        x += radiance * (1.056 * lobe(nm, 599.8, 37.9, 31.0) + 0.362 * lobe(nm, 442.0, 16.0, 26.7) -
                         0.065 * lobe(nm, 501.1, 20.4, 26.2));
        y += radiance * (0.821 * lobe(nm, 568.8, 46.9, 40.5) + 0.286 * lobe(nm, 530.9, 16.3, 31.1));
        z += radiance * (1.217 * lobe(nm, 437.0, 11.8, 36.0) + 0.681 * lobe(nm, 459.0, 26.0, 13.8));
    }
    double lin[3] = {3.2406 * x - 1.5372 * y - 0.4986 * z, -0.9689 * x + 1.8758 * y + 0.0415 * z,
                     0.0557 * x - 0.2040 * y + 1.0570 * z};
    double top = 0;
    for (double& v : lin) {
        if (v < 0)
            v = 0;
        if (v > top)
            top = v;
    }
    for (int k = 0; k < 3; k++)
        rgb[k] = srgb_encode(pow(lin[k] / top, COLOUR_CONTRAST));
}

static double level_of(double mag)
{
    double level = 255.0 * pow(10.0, -0.4 * BRIGHTNESS_GAMMA * (mag - SATURATION_MAG));
    return level > 255.0 ? 255.0 : level;
}

static uint8_t channel(double v)
{
    double r = floor(v + 0.5);
    return (uint8_t)(r < 0 ? 0 : r > 255 ? 255 : r);
}

// ---------------------------------------------------------------------------
// Fields.

// The columns a table can name in its header line. Any other column is
// carried along unread (a spreadsheet's own notes, a catalogue number).
enum StarColumn : int { COL_RA_HOURS, COL_RA_DEG, COL_DEC, COL_MAG, COL_BV, COL_NAME, COL_OTHER };

static const struct {
    const char* name;
    StarColumn column;
} column_names[] = {
    {"ra", COL_RA_HOURS},  {"ra_deg", COL_RA_DEG}, {"dec", COL_DEC},   {"mag", COL_MAG},
    {"magnitude", COL_MAG}, {"vmag", COL_MAG},     {"bv", COL_BV},     {"b-v", COL_BV},
    {"b_v", COL_BV},       {"name", COL_NAME},
};

static std::string lower(std::string s)
{
    for (char& c : s)
        c = (char)tolower((unsigned char)c);
    return s;
}

static StarColumn column_of(const std::string& field)
{
    const std::string l = lower(field);
    for (const auto& c : column_names)
        if (l == c.name)
            return c.column;
    return COL_OTHER;
}

// A plain decimal number, nothing else in the field ("6.5", "-0.25",
// "1e-3"); strtod's hexadecimal, "nan" and "inf" spellings are refused.
static bool decimal(const std::string& s, double* out)
{
    if (s.empty() || s.find_first_not_of("0123456789+-.eE") != std::string::npos)
        return false;
    char* end = nullptr;
    double v = strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

// An angle or time in units (degrees or hours): a decimal number, or
// "u:m" or "u:m:s" with whole units and minutes and 0 <= m, s < 60 (the last
// part may have a fraction). A leading sign applies to the whole value.
static bool sexagesimal(const std::string& field, double* out)
{
    if (field.find(':') == std::string::npos)
        return decimal(field, out);
    std::string s = field;
    double sign = 1;
    if (s[0] == '+' || s[0] == '-') {
        sign = s[0] == '-' ? -1 : 1;
        s.erase(0, 1);
    }
    std::vector<std::string> parts;
    size_t from = 0, colon;
    while ((colon = s.find(':', from)) != std::string::npos) {
        parts.push_back(s.substr(from, colon - from));
        from = colon + 1;
    }
    parts.push_back(s.substr(from));
    if (parts.size() > 3)
        return false;
    double v[3] = {0, 0, 0};
    for (size_t k = 0; k < parts.size(); k++) {
        const bool last = k + 1 == parts.size();
        if (parts[k].empty() || parts[k].find_first_not_of(last ? "0123456789." : "0123456789") != std::string::npos ||
            !decimal(parts[k], &v[k]))
            return false;
        if (k > 0 && v[k] >= 60)
            return false;
    }
    // Summed in this order so that a value reads to the same double as the
    // table has always given.
    *out = sign * (parts.size() == 3 ? v[0] + v[1] / 60.0 + v[2] / 3600.0 : v[0] + v[1] / 60.0);
    return true;
}

static std::string trimmed(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// One CSV line into fields: commas separate, double quotes hold commas and
// "" is a quote inside them, spaces around a field are dropped. False for a
// quote left open.
static bool split_csv(const std::string& line, std::vector<std::string>& fields)
{
    fields.clear();
    std::string field;
    bool quoted = false, was_quoted = false;
    // One step past the end closes the last field like a comma.
    for (size_t i = 0; i <= line.size(); i++) {
        const char c = i < line.size() ? line[i] : ',';
        if (quoted) {
            if (i == line.size())
                return false;
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                field += '"', i++;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == ',') {
            fields.push_back(was_quoted ? field : trimmed(field));
            field.clear();
            was_quoted = false;
        } else if (c == '"' && !was_quoted && trimmed(field).empty()) {
            quoted = was_quoted = true;
            field.clear();
        } else if (!was_quoted || (c != ' ' && c != '\t')) {
            field += c; // text after a closing quote is kept, spaces are not
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// The table.

// Where each needed quantity stands in a row; -1 when the table lacks it.
struct Layout {
    int ra = 0, dec = 1, mag = 2, bv = 3;
    bool ra_in_degrees = false;
};

// A header's columns, or the reason it cannot serve.
static bool layout_of(const std::vector<std::string>& header, Layout* layout, std::string* why)
{
    Layout l;
    l.ra = l.dec = l.mag = l.bv = -1;
    for (size_t k = 0; k < header.size(); k++) {
        StarColumn c = column_of(header[k]);
        int* slot = c == COL_RA_HOURS || c == COL_RA_DEG ? &l.ra
                  : c == COL_DEC                         ? &l.dec
                  : c == COL_MAG                         ? &l.mag
                  : c == COL_BV                          ? &l.bv
                                                         : nullptr;
        if (!slot)
            continue;
        if (*slot >= 0) {
            *why = "the header names column \"" + header[k] + "\" twice (or a second spelling of it)";
            return false;
        }
        *slot = (int)k;
        if (c == COL_RA_DEG)
            l.ra_in_degrees = true;
    }
    const char* missing = l.ra < 0 ? "ra (or ra_deg)" : l.dec < 0 ? "dec" : l.mag < 0 ? "mag" : l.bv < 0 ? "bv" : nullptr;
    if (missing) {
        *why = std::string("the header has no column ") + missing;
        return false;
    }
    *layout = l;
    return true;
}

// One row into a star; false with the reason.
static bool star_of(const std::vector<std::string>& f, const Layout& l, StarRow* star, std::string* why)
{
    const int need = std::max(std::max(l.ra, l.dec), std::max(l.mag, l.bv)) + 1;
    if ((int)f.size() < need) {
        *why = std::to_string(f.size()) + " columns, a star needs " + std::to_string(need);
        return false;
    }
    double ra = -1, dec = 0;
    if (l.ra_in_degrees) {
        if (!decimal(f[l.ra], &ra) || ra < 0 || ra >= 360) {
            *why = "right ascension \"" + f[l.ra] + "\" is not degrees from 0 to below 360";
            return false;
        }
    } else {
        if (!sexagesimal(f[l.ra], &ra) || ra < 0 || ra >= 24) {
            *why = "right ascension \"" + f[l.ra] + "\" is not hours from 0 to below 24 (h, h:m or h:m:s)";
            // Many catalogues give degrees: say how to read them.
            if (ra >= 24 && ra < 360)
                *why += "; a column named ra_deg takes degrees";
            return false;
        }
        ra *= 15.0;
    }
    if (!sexagesimal(f[l.dec], &dec) || dec < -90 || dec > 90) {
        *why = "declination \"" + f[l.dec] + "\" is not degrees from -90 to 90 (d, d:m or d:m:s)";
        return false;
    }
    if (!decimal(f[l.mag], &star->mag) || !(star->mag > -MAG_LIMIT && star->mag < MAG_LIMIT)) {
        *why = "magnitude \"" + f[l.mag] + "\" is not a number from -30 to 30";
        return false;
    }
    if (!decimal(f[l.bv], &star->bv) || !(star->bv > BV_LOW && star->bv < BV_HIGH)) {
        *why = "B-V \"" + f[l.bv] + "\" is not a number from -5 to 10";
        return false;
    }
    star->ra_deg = ra;
    star->dec_deg = dec;
    return true;
}

// The next line without its end (LF or CRLF); false at the end of the file.
// A line longer than STAR_TABLE_MAX_LINE is read to its end and marked.
static bool next_line(FILE* f, std::string& line, bool* too_long)
{
    line.clear();
    *too_long = false;
    int c;
    bool any = false;
    while ((c = getc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (line.size() < STAR_TABLE_MAX_LINE)
            line += (char)c;
        else
            *too_long = true;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

bool read_star_table(const std::string& path, std::vector<StarRow>& rows, std::vector<std::string>& errors)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        errors.push_back(path + ": cannot open the file");
        return false;
    }
    int bad = 0;
    auto refuse = [&](int line_no, const std::string& why) {
        if (++bad <= STAR_TABLE_MAX_MESSAGES)
            errors.push_back(path + ": line " + std::to_string(line_no) + ": " + why);
    };
    Layout layout;
    bool first_row = true;
    std::string line;
    std::vector<std::string> fields;
    bool too_long;
    for (int line_no = 1; next_line(f, line, &too_long); line_no++) {
        // A spreadsheet's UTF-8 byte order mark before the first field.
        if (line_no == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        if (too_long) {
            refuse(line_no, "longer than " + std::to_string(STAR_TABLE_MAX_LINE) + " characters");
            continue;
        }
        const size_t text = line.find_first_not_of(" \t");
        if (text == std::string::npos || line[text] == '#')
            continue;
        if (!split_csv(line, fields)) {
            refuse(line_no, "a quoted field is not closed");
            continue;
        }
        // The first row is a header when it names a known column and does
        // not start with a number (a star whose name is "name" is a star).
        double number;
        bool header = false;
        if (first_row && !sexagesimal(fields[0], &number))
            for (const std::string& field : fields)
                header = header || column_of(field) != COL_OTHER;
        first_row = false;
        std::string why;
        if (header) {
            if (!layout_of(fields, &layout, &why)) {
                // Without its columns no row can be read.
                refuse(line_no, why);
                break;
            }
            continue;
        }
        StarRow star;
        if (star_of(fields, layout, &star, &why))
            rows.push_back(star);
        else
            refuse(line_no, why);
    }
    const bool read_error = ferror(f) != 0;
    fclose(f);
    if (read_error)
        errors.push_back(path + ": cannot read the file");
    if (bad > STAR_TABLE_MAX_MESSAGES)
        errors.push_back(path + ": " + std::to_string(bad - STAR_TABLE_MAX_MESSAGES) + " more bad lines");
    if (!read_error && bad == 0 && rows.empty())
        errors.push_back(path + ": no stars in the table");
    return errors.empty();
}

// ---------------------------------------------------------------------------
// The catalogue.

StarCatalogue star_catalogue(std::vector<StarRow> rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const StarRow& a, const StarRow& b) { return a.mag < b.mag; });
    StarCatalogue cat;
    cat.kept = std::min((int)rows.size(), STAR_RECORDS);
    cat.dropped = (int)rows.size() - cat.kept;
    cat.padded = STAR_RECORDS - cat.kept;
    cat.bytes.assign(STAR_FILE_SIZE, 0);
    put_u16(&cat.bytes[0], (uint16_t)cat.kept);
    for (int k = 0; k < STAR_RECORDS; k++) {
        uint8_t* rec = &cat.bytes[STAR_HEADER_SIZE + STAR_RECORD_SIZE * k];
        if (k >= cat.kept) {
            put_u32(rec + STAR_LONGITUDE_AT, PADDING_POSITION);
            put_u32(rec + STAR_LATITUDE_AT, PADDING_POSITION);
            continue;
        }
        const StarRow& s = rows[k];
        // The renderer turns radians back into degrees with 360 / TWO_PI.
        put_f32(rec + STAR_LONGITUDE_AT, (float)(s.ra_deg * (TWO_PI / 360.0)));
        put_f32(rec + STAR_LATITUDE_AT, (float)(s.dec_deg * (TWO_PI / 360.0)));
        double rgb[3];
        blackbody_rgb(temperature_of(s.bv), rgb);
        const double level = level_of(s.mag);
        for (int c = 0; c < 3; c++)
            rec[STAR_COLOUR_AT + c] = channel(level * rgb[c]);
    }
    return cat;
}

} // namespace nmk

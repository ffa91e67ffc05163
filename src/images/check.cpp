// Image file checks: each walks a file the way its reader will, without
// decoding a pixel, and refuses it the moment the reader would read past the
// end of the file or write outside the picture.
#include "images/formats.h"
#include "platform/bytes.h" // Required for: get_u16, get_u16_be, get_u32, get_u32_be

#include <strings.h>  // Required for: strcasecmp
#include <sys/stat.h> // Required for: fstat
#include <algorithm> // Required for: std::max
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

// A file read byte by byte with its length known: every read says whether
// the byte was there.
struct CheckedFile {
    FILE* f;
    int64_t size;
    int64_t pos;
};

static bool open_checked(const char* path, CheckedFile* cf)
{
    cf->f = fopen(path, "rb");
    cf->pos = 0;
    cf->size = 0;
    if (!cf->f)
        return false;
    struct stat st;
    if (fstat(fileno(cf->f), &st) == 0)
        cf->size = st.st_size;
    return true;
}

// The next byte, or -1 past the end.
static int next_byte(CheckedFile* cf)
{
    if (cf->pos >= cf->size)
        return -1;
    int c = getc(cf->f);
    if (c == EOF)
        return -1;
    cf->pos++;
    return c;
}

// Reads n bytes into out (or skips them when out is null); false when the
// file ends first.
static bool take(CheckedFile* cf, int64_t n, uint8_t* out = nullptr)
{
    if (n < 0 || n > cf->size - cf->pos)
        return false;
    if (out) {
        if (fread(out, 1, (size_t)n, cf->f) != (size_t)n)
            return false;
    } else if (n > 0 && fseek(cf->f, (long)(cf->pos + n), SEEK_SET) != 0) {
        return false;
    }
    cf->pos += n;
    return true;
}

static int refuse(ImageCheck* out, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(out->why, sizeof out->why, fmt, ap);
    va_end(ap);
    return 1;
}

static bool side_ok(int64_t v) { return v >= 1 && v <= MAX_IMAGE_SIDE; }

static int refuse_size(ImageCheck* out, int64_t w, int64_t h)
{
    return refuse(out, "a picture of %lld x %lld pixels; each side must be 1 to %d", (long long)w, (long long)h,
                  MAX_IMAGE_SIDE);
}

// Raw pixel rows: the file must hold what the header claims from here on.
static int need_rows(CheckedFile* cf, ImageCheck* out, int64_t stride, int64_t rows)
{
    const int64_t claimed = stride * rows;
    if (claimed > cf->size - cf->pos)
        return refuse(out, "holds %lld bytes of pixels, its header claims %lld", (long long)(cf->size - cf->pos),
                      (long long)claimed);
    return 0;
}

ImageFormat format_by_extension(const char* path)
{
    const char* dot = strrchr(path, '.');
    const char* sep = strrchr(path, '/');
    if (!dot || (sep && dot < sep))
        return FORMAT_UNKNOWN;
    static const struct {
        const char* ext;
        ImageFormat format;
    } table[] = {{"tga", FORMAT_TGA}, {"bmp", FORMAT_BMP}, {"pcx", FORMAT_PCX}, {"lbm", FORMAT_LBM},
                 {"png", FORMAT_PNG}, {"jpg", FORMAT_JPEG}, {"jpeg", FORMAT_JPEG}};
    for (const auto& row : table)
        if (strcasecmp(dot + 1, row.ext) == 0)
            return row.format;
    return FORMAT_UNKNOWN;
}

// ---------------------------------------------------------------------------
// TGA: types 1 (colour-mapped, 8 bits), 2 (15, 16, 24, 32 bits) and
// 3 (grey, 8 bits), each raw or run-length encoded (+8). The library reads a
// run-length picture row by row, so a packet must end inside its row.

static int check_tga(CheckedFile* cf, ImageCheck* out)
{
    uint8_t h[TGA_HEADER_BYTES];
    if (!take(cf, sizeof h, h))
        return refuse(out, "the file ends inside its %d-byte header", TGA_HEADER_BYTES);
    const int map_type = h[1], type = h[2], map_count = (int)get_u16(h + 5), map_bits = h[7];
    const int w = (int)get_u16(h + 12), ht = (int)get_u16(h + 14), bits = h[16];
    const int kind = type & 7;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
        return refuse(out, "image type %d is not colour-mapped, true-colour or grey", type);
    if (map_type > 1)
        return refuse(out, "colour-map type %d is not 0 or 1", map_type);
    const bool depth_ok = kind == 1 ? map_type == 1 && bits == 8
                          : kind == 2 ? map_type == 0 && (bits == 15 || bits == 16 || bits == 24 || bits == 32)
                                      : map_type == 0 && bits == 8;
    if (!depth_ok)
        return refuse(out, "%d bits per pixel with image type %d and colour-map type %d cannot be read", bits, type,
                      map_type);
    if (!side_ok(w) || !side_ok(ht))
        return refuse_size(out, w, ht);
    if (!take(cf, h[0]))
        return refuse(out, "the file ends inside its identification field");
    if (map_type == 1) {
        if (map_count < 1 || map_count > 256)
            return refuse(out, "a colour map of %d entries; it must hold 1 to 256", map_count);
        if (map_bits != 16 && map_bits != 24 && map_bits != 32)
            return refuse(out, "colour-map entries of %d bits; 16, 24 or 32 can be read", map_bits);
        if (!take(cf, (int64_t)map_count * (map_bits / 8)))
            return refuse(out, "the file ends inside its colour map");
    }
    const int bpp = (bits + 7) / 8;
    if (!(type & 8))
        return need_rows(cf, out, (int64_t)w * bpp, ht);
    // A packet of 1 + bpp bytes holds at most 128 pixels.
    if ((int64_t)w * ht > (cf->size - cf->pos) / (1 + bpp) * 128 + 128)
        return refuse(out, "its %lld bytes of packets cannot hold %d x %d pixels", (long long)(cf->size - cf->pos),
                      w, ht);
    for (int y = 0; y < ht; y++)
        for (int x = 0; x < w;) {
            const int64_t at = cf->pos;
            const int c = next_byte(cf);
            if (c < 0)
                return refuse(out, "the file ends inside row %d", y);
            const int count = (c & 0x7f) + 1;
            if (x + count > w)
                return refuse(out, "RLE packet at byte %lld runs past the end of row %d", (long long)at, y);
            if (!take(cf, (int64_t)bpp * ((c & 0x80) ? 1 : count)))
                return refuse(out, "the file ends inside row %d", y);
            x += count;
        }
    return 0;
}

// ---------------------------------------------------------------------------
// BMP: Windows (40-byte) and OS/2 (12-byte) headers; 1, 4, 8, 16, 24, 32
// bits; uncompressed, RLE8, RLE4 or bit fields. The library reads the colour
// table up to the pixel-data offset byte by byte, then the pixels from there.

// Walks RLE8 or RLE4 data as the library does: from the bottom row up, a
// run or a literal must end inside its row, a move must stay in the picture.
static int check_bmp_rle(CheckedFile* cf, ImageCheck* out, int w, int ht, bool four)
{
    int line = ht - 1; // the library's row, counted from the top
    bool picture_done = false;
    while (!picture_done) {
        int pos = 0;
        bool row_done = false;
        while (!row_done && !picture_done) {
            const int64_t at = cf->pos;
            uint8_t pair[2];
            if (!take(cf, 2, pair))
                return refuse(out, "the file ends inside its RLE data (row %d)", ht - 1 - line);
            const int count = pair[0], val = pair[1];
            if (count > 0 || val >= 3) {
                const int n = count > 0 ? count : val;
                if (pos + n > w)
                    return refuse(out, "RLE packet at byte %lld runs past the end of row %d", (long long)at,
                                  ht - 1 - line);
                pos += n;
                if (count == 0) {
                    const int64_t bytes = four ? (n + 3) / 4 * 2 : n + (n & 1);
                    if (!take(cf, bytes))
                        return refuse(out, "the file ends inside its RLE data (row %d)", ht - 1 - line);
                }
            } else if (val == 0) {
                row_done = true;
            } else if (val == 1) {
                picture_done = true;
            } else {
                uint8_t move[2];
                if (!take(cf, 2, move))
                    return refuse(out, "the file ends inside its RLE data (row %d)", ht - 1 - line);
                pos += move[0];
                line -= move[1];
                if (pos > w || line < 0)
                    return refuse(out, "RLE move at byte %lld leaves the picture", (long long)at);
            }
        }
        if (--line < 0)
            picture_done = true;
    }
    return 0;
}

static int check_bmp(CheckedFile* cf, ImageCheck* out)
{
    uint8_t h[BMP_FILE_HEADER_BYTES + BMP_INFO_BYTES];
    if (!take(cf, BMP_FILE_HEADER_BYTES + 4, h))
        return refuse(out, "the file ends inside its header");
    if (h[0] != 'B' || h[1] != 'M')
        return refuse(out, "it does not start with \"BM\"");
    const uint32_t offset = get_u32(h + 10), info = get_u32(h + 14);
    int64_t w, ht;
    int bits;
    uint32_t compression = 0;
    int entry;
    if (info == BMP_INFO_BYTES) {
        if (!take(cf, BMP_INFO_BYTES - 4, h + 18))
            return refuse(out, "the file ends inside its header");
        w = (int32_t)get_u32(h + 18);
        ht = (int32_t)get_u32(h + 22);
        bits = (int)get_u16(h + 28);
        compression = get_u32(h + 30);
        entry = 4;
    } else if (info == BMP_OS2_INFO_BYTES) {
        if (!take(cf, BMP_OS2_INFO_BYTES - 4, h + 18))
            return refuse(out, "the file ends inside its header");
        w = get_u16(h + 18);
        ht = get_u16(h + 20);
        bits = (int)get_u16(h + 24);
        entry = 3;
    } else {
        return refuse(out, "an information header of %u bytes; 12 or 40 can be read", (unsigned)info);
    }
    const int64_t header_end = cf->pos;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return refuse(out, "%d bits per pixel; 1, 4, 8, 16, 24 or 32 can be read", bits);
    if (!side_ok(w) || !side_ok(ht < 0 ? -ht : ht))
        return refuse_size(out, w, ht);
    // The library reads the height as an unsigned 32-bit value on a 64-bit
    // machine, so a negative one asks it for a bitmap of 4 billion rows.
    if (ht < 0)
        return refuse(out, "a top-down picture (height %lld) cannot be read", (long long)ht);
    const bool rle = compression == 1 || compression == 2;
    if (compression > 3 || (compression == 1 && bits != 8) || (compression == 2 && bits != 4) ||
        (compression == 3 && bits != 16 && bits != 32))
        return refuse(out, "compression %u with %d bits per pixel cannot be read", (unsigned)compression, bits);
    int pixel_bytes = (bits + 7) / 8;
    if (compression == 3) {
        // The masks follow the header; the colour table and the offset are not read.
        uint8_t m[12];
        if (!take(cf, 12, m))
            return refuse(out, "the file ends inside its colour masks");
        const uint32_t red = get_u32(m), blue = get_u32(m + 8);
        if (!(blue == 0x1f && (red == 0x7c00 || red == 0xf800)) && !(blue == 0xff && red == 0xff0000))
            return refuse(out, "colour masks %08x/%08x cannot be read", (unsigned)red, (unsigned)blue);
        pixel_bytes = red == 0xff0000 ? 4 : 2;
    } else {
        if (offset < header_end || offset > cf->size)
            return refuse(out, "its pixel data offset %u lies outside the file's %lld bytes after the header",
                          (unsigned)offset, (long long)cf->size);
        if (bits <= 8 && offset - header_end < (uint32_t)entry)
            return refuse(out, "a %d-bit picture without a colour table", bits);
        take(cf, offset - header_end);
    }
    if (rle)
        return check_bmp_rle(cf, out, (int)w, (int)ht, compression == 2);
    const int64_t stride = bits < 8 ? (w * bits + 31) / 32 * 4 : (w * pixel_bytes + 3) / 4 * 4;
    return need_rows(cf, out, stride, ht);
}

// ---------------------------------------------------------------------------
// PCX: 8 bits per plane, one plane (with the 256-colour table after the
// pixels) or three; every row run-length encoded on its own.

static int check_pcx(CheckedFile* cf, ImageCheck* out)
{
    uint8_t h[PCX_HEADER_BYTES];
    if (!take(cf, sizeof h, h))
        return refuse(out, "the file ends inside its %d-byte header", PCX_HEADER_BYTES);
    if (h[0] != 10)
        return refuse(out, "maker byte %d; a PCX starts with 10", h[0]);
    if (h[2] != 1)
        return refuse(out, "encoding %d; only run-length PCX can be read", h[2]);
    const int planes = h[65];
    if (h[3] != 8 || (planes != 1 && planes != 3))
        return refuse(out, "%d bits per pixel in %d planes; 8 in 1 or 3 can be read", h[3], planes);
    const int64_t w = (int64_t)get_u16(h + 8) - get_u16(h + 4) + 1;
    const int64_t ht = (int64_t)get_u16(h + 10) - get_u16(h + 6) + 1;
    if (!side_ok(w) || !side_ok(ht))
        return refuse_size(out, w, ht);
    const int64_t row_bytes = (int64_t)get_u16(h + 66) * planes;
    if (row_bytes < w * planes)
        return refuse(out, "rows of %lld bytes cannot hold %lld pixels", (long long)row_bytes, (long long)w);
    // A two-byte packet holds at most 63 bytes of a row.
    if (row_bytes * ht > (cf->size - cf->pos) / 2 * 63 + 63)
        return refuse(out, "its %lld bytes of packets cannot hold %lld rows", (long long)(cf->size - cf->pos),
                      (long long)ht);
    for (int y = 0; y < ht; y++)
        for (int64_t x = 0; x < row_bytes;) {
            const int64_t at = cf->pos;
            int c = next_byte(cf), count = 1;
            if (c >= 0 && (c & 0xc0) == 0xc0) {
                count = c & 0x3f;
                c = next_byte(cf);
            }
            if (c < 0)
                return refuse(out, "the file ends inside row %d", y);
            if (x + count > row_bytes)
                return refuse(out, "RLE packet at byte %lld runs past the end of row %d", (long long)at, y);
            x += count;
        }
    if (planes == 1) {
        // The library takes the first byte 12 after the pixels as the table's marker.
        int c;
        while ((c = next_byte(cf)) >= 0 && c != 12) {
        }
        if (c < 0)
            return refuse(out, "no 256-colour table follows the pixels");
        if (!take(cf, PCX_PALETTE_BYTES - 1))
            return refuse(out, "the file ends inside its 256-colour table");
    }
    return 0;
}

// ---------------------------------------------------------------------------
// LBM: an IFF FORM of type ILBM (bit planes) or PBM (one byte a pixel) with
// BMHD first, then CMAP and BODY in any order among other chunks. The library
// follows the chunks as it reads them: a BODY is decoded row by row from its
// start whatever its stated length, and a CMAP's remainder past whole
// colours is not skipped. The walk below moves exactly as the library does.

// One ILBM plane row: the library sets pixels in blocks of 8 and only the
// last block is cut at the width, so a set bit must not fall past it.
static bool plane_row_fits(const std::vector<uint8_t>& row, int w)
{
    const int bpl = (int)row.size();
    const int full = (w & 7) ? bpl - 1 : bpl;
    for (int x = 0; x < full; x++)
        for (int k = 0; k < 8; k++)
            if ((row[x] & (0x80 >> k)) && x * 8 + k >= w)
                return false;
    if (w & 7) {
        const int x = bpl - 1;
        for (int k = 0; k < 8; k++)
            if ((row[x] & (0x80 >> k)) && (k == 0 || (w & 7) > k) && x * 8 + k >= w)
                return false;
    }
    return true;
}

static int check_lbm_body(CheckedFile* cf, ImageCheck* out, bool pbm, int w, int ht, int planes, bool packed)
{
    int bpl = pbm ? w : (w + 7) / 8;
    bpl += bpl & 1;
    std::vector<uint8_t> row((size_t)bpl);
    for (int y = 0; y < ht; y++)
        for (int p = 0; p < (pbm ? 1 : planes); p++) {
            if (!packed) {
                if (!take(cf, bpl, row.data()))
                    return refuse(out, "the file ends inside row %d", y);
            } else {
                for (int i = 0; i < bpl;) {
                    const int64_t at = cf->pos;
                    const int c = next_byte(cf);
                    if (c < 0)
                        return refuse(out, "the file ends inside row %d", y);
                    if (c == 128)
                        continue;
                    const int n = c < 128 ? c + 1 : 257 - c;
                    if (i + n > bpl)
                        return refuse(out, "RLE packet at byte %lld runs past the end of row %d", (long long)at, y);
                    if (c < 128) {
                        if (!take(cf, n, row.data() + i))
                            return refuse(out, "the file ends inside row %d", y);
                    } else {
                        const int v = next_byte(cf);
                        if (v < 0)
                            return refuse(out, "the file ends inside row %d", y);
                        memset(row.data() + i, v, (size_t)n);
                    }
                    i += n;
                }
            }
            if (!pbm && !plane_row_fits(row, w))
                return refuse(out, "row %d sets pixels past its right edge", y);
        }
    return 0;
}

static int check_lbm(CheckedFile* cf, ImageCheck* out)
{
    uint8_t h[40];
    if (!take(cf, sizeof h, h))
        return refuse(out, "the file ends inside its header");
    if (memcmp(h, "FORM", 4) != 0 || (memcmp(h + 8, "ILBM", 4) != 0 && memcmp(h + 8, "PBM ", 4) != 0))
        return refuse(out, "it is not an IFF ILBM or PBM picture");
    if (memcmp(h + 12, "BMHD", 4) != 0 || get_u32_be(h + 16) != 20)
        return refuse(out, "its first chunk is not a 20-byte BMHD");
    const bool pbm = h[8] == 'P';
    const int w = (int)get_u16_be(h + 20), ht = (int)get_u16_be(h + 22), planes = h[28], packing = h[30];
    if (planes < 1 || planes > 8)
        return refuse(out, "%d bit planes; 1 to 8 can be read", planes);
    if (packing > 1)
        return refuse(out, "compression %d; 0 or 1 can be read", packing);
    if (!side_ok(w) || !side_ok(ht))
        return refuse_size(out, w, ht);
    if (pbm && (w & 1))
        return refuse(out, "a PBM picture of odd width %d; its padded rows would not fit", w);
    bool have_map = false, have_body = false;
    while (!(have_map && have_body) && cf->pos < cf->size) {
        const int64_t at = cf->pos;
        uint8_t chunk[8];
        if (!take(cf, 8, chunk))
            return refuse(out, "the file ends inside the chunk header at byte %lld", (long long)at);
        const uint32_t len = get_u32_be(chunk + 4);
        if (memcmp(chunk, "CMAP", 4) == 0) {
            if (len > LBM_COLOUR_MAP_MAX)
                return refuse(out, "a colour map of %u bytes; at most %d", (unsigned)len, LBM_COLOUR_MAP_MAX);
            if (!take(cf, len / 3 * 3))
                return refuse(out, "the file ends inside its colour map");
            have_map = true;
        } else if (memcmp(chunk, "BODY", 4) == 0) {
            if (have_body)
                return refuse(out, "a second BODY at byte %lld", (long long)at);
            if (check_lbm_body(cf, out, pbm, w, ht, planes, packing == 1) != 0)
                return 1;
            have_body = true;
        } else if (!take(cf, (int64_t)len + (len & 1))) {
            return refuse(out, "chunk \"%.4s\" at byte %lld runs past the end of the file", (const char*)chunk,
                          (long long)at);
        }
    }
    if (!have_body)
        return refuse(out, "it has no BODY chunk");
    if (!have_map)
        return refuse(out, "it has no CMAP chunk");
    return 0;
}

// ---------------------------------------------------------------------------
// PNG: the signature, IHDR first, then chunks up to IEND, each of which must
// lie whole inside the file. libpng checks the compressed data itself and
// gives up cleanly; what is checked here is what it would trust: the size
// (it allocates the whole picture before the first row) and the lengths.

static const uint8_t png_signature[PNG_SIGNATURE_BYTES] = {137, 'P', 'N', 'G', 13, 10, 26, 10};

// Bit depths each PNG colour type allows, as a mask of 1 << depth.
static bool png_depth_ok(int colour_type, int depth)
{
    const int allowed = colour_type == 0   ? (1 << 1 | 1 << 2 | 1 << 4 | 1 << 8 | 1 << 16)
                        : colour_type == 3 ? (1 << 1 | 1 << 2 | 1 << 4 | 1 << 8)
                        : colour_type == 2 || colour_type == 4 || colour_type == 6 ? (1 << 8 | 1 << 16)
                                                                                    : 0;
    return depth >= 1 && depth <= 16 && (allowed & (1 << depth));
}

static int check_png(CheckedFile* cf, ImageCheck* out)
{
    uint8_t sig[PNG_SIGNATURE_BYTES];
    if (!take(cf, sizeof sig, sig) || memcmp(sig, png_signature, sizeof sig) != 0)
        return refuse(out, "it does not start with the PNG signature");
    bool palette = false, data = false;
    int colour_type = -1;
    for (int index = 0;; index++) {
        const int64_t at = cf->pos;
        uint8_t chunk[8];
        if (!take(cf, 8, chunk))
            return refuse(out, "the file ends before its IEND chunk");
        const uint32_t len = get_u32_be(chunk);
        const char* type = (const char*)chunk + 4;
        for (int k = 0; k < 4; k++)
            if (!((type[k] >= 'A' && type[k] <= 'Z') || (type[k] >= 'a' && type[k] <= 'z')))
                return refuse(out, "the chunk at byte %lld has no valid name", (long long)at);
        if (len > PNG_MAX_CHUNK || (int64_t)len + 4 > cf->size - cf->pos)
            return refuse(out, "chunk \"%.4s\" at byte %lld runs past the end of the file", type, (long long)at);
        if (index == 0) {
            uint8_t h[PNG_IHDR_BYTES];
            if (memcmp(type, "IHDR", 4) != 0 || len != PNG_IHDR_BYTES)
                return refuse(out, "its first chunk is not a %d-byte IHDR", PNG_IHDR_BYTES);
            take(cf, sizeof h, h);
            const int64_t w = get_u32_be(h), ht = get_u32_be(h + 4);
            colour_type = h[9];
            if (!side_ok(w) || !side_ok(ht))
                return refuse_size(out, w, ht);
            if (!png_depth_ok(colour_type, h[8]))
                return refuse(out, "%d bits per sample with colour type %d cannot be read", h[8], colour_type);
            if (h[10] != 0 || h[11] != 0 || h[12] > 1)
                return refuse(out, "compression %d, filter %d, interlace %d; 0, 0 and 0 or 1 can be read", h[10],
                              h[11], h[12]);
            out->width = (int)w;
            out->height = (int)ht;
            take(cf, 4);
            continue;
        }
        if (memcmp(type, "IHDR", 4) == 0)
            return refuse(out, "a second IHDR at byte %lld", (long long)at);
        if (memcmp(type, "PLTE", 4) == 0)
            palette = true;
        if (memcmp(type, "IDAT", 4) == 0)
            data = true;
        if (memcmp(type, "IEND", 4) == 0)
            break;
        take(cf, (int64_t)len + 4);
    }
    if (!data)
        return refuse(out, "it has no IDAT chunk");
    if (colour_type == 3 && !palette)
        return refuse(out, "a colour-mapped picture without a PLTE chunk");
    return 0;
}

// ---------------------------------------------------------------------------
// JPEG: the start marker, then segments each within the file, a frame header
// (baseline or extended sequential, 8-bit samples, 1 or 3 components)
// before the first scan, table numbers in range, and entropy-coded data
// running up to the end marker. The decoder indexes its tables by the
// numbers the file gives, so every one is checked before it sees them.

// Which tables a JPEG has defined so far (bit id of each mask), which the
// frame's components name, and the components.
// One Huffman table as canonical codes: for each length 1..16 the first
// code, how many codes, and where their symbols start.
struct JpegHuffman {
    int first_code[17], count[17], first_symbol[17];
    uint8_t symbol[256];
};

struct JpegTables {
    int quant, huffman[2]; // huffman[0] DC, huffman[1] AC
    int quant_used;
    int components;        // in the frame, 1 or 3
    int component_id[3];   // as the frame numbers them; a scan names them so
    int h[3], v[3];        // sampling factors
    int width, height;
    int restart;           // MCUs between restart markers, 0 for none
    JpegHuffman codes[2][JPEG_MAX_TABLE_ID + 1];
};

static bool jpeg_frame_marker(int m) { return m >= 0xc0 && m <= 0xcf && m != 0xc4 && m != 0xc8 && m != 0xcc; }

static int check_jpeg_frame(const uint8_t* seg, int64_t len, int marker, JpegTables* t, ImageCheck* out)
{
    // The add-on's progressive decoder writes past its buffers on damaged
    // scans (found by fuzzing); only sequential pictures are handed to it.
    if (marker == 0xc2)
        return refuse(out, "a progressive JPEG cannot be read; save it as baseline");
    if (marker > 0xc1)
        return refuse(out, "frame type %02X (lossless, hierarchical or arithmetic) cannot be read", marker);
    if (len < 6)
        return refuse(out, "its frame header is %lld bytes long", (long long)len);
    const int n = seg[5];
    if (seg[0] != 8)
        return refuse(out, "samples of %d bits; 8 can be read", seg[0]);
    if (n != 1 && n != 3)
        return refuse(out, "%d colour components; 1 or 3 can be read", n);
    if (len != 6 + 3 * n)
        return refuse(out, "its frame header is %lld bytes long for %d components", (long long)len, n);
    const int ht = get_u16_be(seg + 1), w = get_u16_be(seg + 3);
    if (!side_ok(w) || !side_ok(ht))
        return refuse_size(out, w, ht);
    for (int c = 0; c < n; c++) {
        const int hs = seg[7 + 3 * c] >> 4, vs = seg[7 + 3 * c] & 15, table = seg[8 + 3 * c];
        if (hs < 1 || hs > JPEG_MAX_SAMPLING || vs < 1 || vs > JPEG_MAX_SAMPLING)
            return refuse(out, "component %d has sampling factors %d x %d; 1 to %d can be read", c, hs, vs,
                          JPEG_MAX_SAMPLING);
        if (table > JPEG_MAX_TABLE_ID)
            return refuse(out, "component %d names quantisation table %d", c, table);
        t->quant_used |= 1 << table;
        t->component_id[c] = seg[6 + 3 * c];
        t->h[c] = hs, t->v[c] = vs;
        for (int k = 0; k < c; k++)
            if (t->component_id[k] == t->component_id[c])
                return refuse(out, "two components numbered %d", t->component_id[c]);
    }
    t->components = n;
    t->width = w, t->height = ht;
    out->width = w;
    out->height = ht;
    return 0;
}

// The tables of a DQT or DHT segment must fill it exactly.
static int check_jpeg_tables(const uint8_t* seg, int64_t len, bool huffman, JpegTables* t, ImageCheck* out)
{
    for (int64_t i = 0; i < len;) {
        const int kind = seg[i] >> 4, id = seg[i] & 15;
        if (id > JPEG_MAX_TABLE_ID || kind > 1)
            return refuse(out, "a %s table numbered %d of class %d", huffman ? "Huffman" : "quantisation", id, kind);
        int64_t size = 1;
        if (huffman) {
            if (len - i < 17)
                return refuse(out, "a Huffman table runs past the end of its segment");
            for (int k = 1; k <= 16; k++)
                size += 1 + seg[i + k];
            if (size - 17 > 256)
                return refuse(out, "a Huffman table of %lld codes; at most 256", (long long)(size - 17));
        } else {
            size += kind ? 128 : 64;
        }
        if (size > len - i)
            return refuse(out, "a %s table runs past the end of its segment", huffman ? "Huffman" : "quantisation");
        if (huffman) {
            // Codes of each length follow those of the one before; a length
            // with more codes than it has room for is no prefix code.
            JpegHuffman& h = t->codes[kind][id];
            int code = 0, at = 0;
            for (int k = 1; k <= 16; k++) {
                h.first_code[k] = code, h.count[k] = seg[i + k], h.first_symbol[k] = at;
                code += h.count[k], at += h.count[k];
                if (code > (1 << k))
                    return refuse(out, "Huffman table %d of class %d holds more codes than fit", id, kind);
                code <<= 1;
            }
            memcpy(h.symbol, seg + i + 17, (size_t)(size - 17));
            t->huffman[kind] |= 1 << id;
        } else {
            t->quant |= 1 << id;
        }
        i += size;
    }
    return 0;
}

// A scan covers coefficients 0 to 63 of the frame's components, each named
// once, with tables defined before it.
static int check_jpeg_scan(const uint8_t* seg, int64_t len, const JpegTables* t, ImageCheck* out)
{
    const int n = len > 0 ? seg[0] : 0;
    if (n < 1 || n > 3 || len != 4 + 2 * n)
        return refuse(out, "a scan header of %lld bytes for %d components", (long long)len, n);
    if ((t->quant_used & t->quant) != t->quant_used)
        return refuse(out, "a scan before the quantisation tables its frame names");
    const int first = seg[1 + 2 * n], last = seg[2 + 2 * n], bits = seg[3 + 2 * n];
    if (first != 0 || last != 63 || bits != 0)
        return refuse(out, "a scan of coefficients %d to %d (bits %02X) cannot be read", first, last, bits);
    if (n > t->components)
        return refuse(out, "a scan over %d components of a frame of %d", n, t->components);
    int seen = 0;
    for (int c = 0; c < n; c++) {
        int k = 0;
        while (k < t->components && t->component_id[k] != seg[1 + 2 * c])
            k++;
        if (k == t->components || (seen & (1 << k)))
            return refuse(out, "scan component %d is %d, not one of the frame's (or named twice)", c, seg[1 + 2 * c]);
        seen |= 1 << k;
    }
    for (int c = 0; c < n; c++) {
        const int dc = seg[2 + 2 * c] >> 4, ac = seg[2 + 2 * c] & 15;
        const bool dc_ok = dc <= JPEG_MAX_TABLE_ID && (t->huffman[0] & (1 << dc));
        const bool ac_ok = ac <= JPEG_MAX_TABLE_ID && (t->huffman[1] & (1 << ac));
        if (!(dc_ok && ac_ok))
            return refuse(out, "scan component %d names Huffman tables %d and %d, not both defined", c, dc, ac);
    }
    return 0;
}

static int skip_entropy_data(CheckedFile* cf);

// Entropy-coded data read bit by bit: a stuffed FF 00 is FF; a marker or
// the end of the file ends the bits (-1).
struct JpegBits {
    CheckedFile* cf;
    int byte, left; // the byte being read and its bits not yet taken
};

static int jpeg_bit(JpegBits* b)
{
    if (b->left == 0) {
        int c = next_byte(b->cf);
        if (c == 0xff && next_byte(b->cf) != 0)
            return -1;
        if (c < 0)
            return -1;
        b->byte = c, b->left = 8;
    }
    return b->byte >> --b->left & 1;
}

// The next symbol of a table, -1 when the bits end or match no code.
static int jpeg_symbol(JpegBits* b, const JpegHuffman& h)
{
    int code = 0;
    for (int k = 1; k <= 16; k++) {
        const int bit = jpeg_bit(b);
        if (bit < 0)
            return -1;
        code = code << 1 | bit;
        if (code - h.first_code[k] < h.count[k] && code >= h.first_code[k])
            return h.symbol[h.first_symbol[k] + code - h.first_code[k]];
    }
    return -1;
}

static bool jpeg_skip_bits(JpegBits* b, int n)
{
    while (n-- > 0)
        if (jpeg_bit(b) < 0)
            return false;
    return true;
}

// One 8 x 8 block: a DC difference of at most 11 bits, then AC coefficients
// whose runs must stay within the block's 64 (the decoder stores each at the
// position the runs give, unchecked). False when the block is refused.
static bool jpeg_block(JpegBits* b, const JpegHuffman& dc, const JpegHuffman& ac)
{
    const int size = jpeg_symbol(b, dc);
    if (size < 0 || size > 11 || !jpeg_skip_bits(b, size))
        return false;
    for (int k = 1; k < 64;) {
        const int rs = jpeg_symbol(b, ac);
        if (rs < 0)
            return false;
        const int run = rs >> 4, bits = rs & 15;
        if (bits == 0) {
            if (run != 15)
                return true; // end of block
            k += 16;
        } else {
            k += run;
            if (k > 63 || bits > 10 || !jpeg_skip_bits(b, bits))
                return false;
            k++;
        }
        if (k > 64)
            return false;
    }
    return true;
}

// Walks a sequential scan block by block as the decoder will: every block
// of every MCU must decode, with a restart marker after each restart
// interval. Returns the marker that follows the scan, or -1 after a refusal.
static int walk_jpeg_scan(CheckedFile* cf, const uint8_t* seg, const JpegTables* t, ImageCheck* out)
{
    const int n = seg[0];
    int hmax = 1, vmax = 1;
    for (int c = 0; c < t->components; c++)
        hmax = std::max(hmax, t->h[c]), vmax = std::max(vmax, t->v[c]);
    int comp[3], blocks_w = 0, blocks_h = 0;
    for (int c = 0; c < n; c++) {
        int k = 0;
        while (t->component_id[k] != seg[1 + 2 * c])
            k++;
        comp[c] = k;
    }
    int64_t units;
    if (n == 1) {
        // One component alone: its own blocks, no padding to whole MCUs.
        const int c = comp[0];
        blocks_w = ((t->width * t->h[c] + hmax - 1) / hmax + 7) / 8;
        blocks_h = ((t->height * t->v[c] + vmax - 1) / vmax + 7) / 8;
        units = (int64_t)blocks_w * blocks_h;
    } else {
        units = (int64_t)((t->width + 8 * hmax - 1) / (8 * hmax)) * ((t->height + 8 * vmax - 1) / (8 * vmax));
    }
    JpegBits b = {cf, 0, 0};
    int expected_restart = 0;
    for (int64_t u = 0; u < units; u++) {
        if (t->restart && u > 0 && u % t->restart == 0) {
            b.left = 0;
            int c = next_byte(cf), m = c;
            while (c == 0xff)
                m = c, c = next_byte(cf);
            if (m != 0xff || c != 0xd0 + expected_restart)
                return refuse(out, "restart marker %d is missing before MCU %lld", expected_restart, (long long)u), -1;
            expected_restart = (expected_restart + 1) & 7;
        }
        for (int c = 0; c < n; c++) {
            const int k = comp[c];
            const int count = n == 1 ? 1 : t->h[k] * t->v[k];
            const JpegHuffman& dc = t->codes[0][seg[2 + 2 * c] >> 4];
            const JpegHuffman& ac = t->codes[1][seg[2 + 2 * c] & 15];
            for (int i = 0; i < count; i++)
                if (!jpeg_block(&b, dc, ac))
                    return refuse(out, "block %d of MCU %lld does not decode within its 64 coefficients", i,
                                  (long long)u), -1;
        }
    }
    return skip_entropy_data(cf);
}

// Passes over entropy-coded data: up to a marker other than a stuffed zero or
// a restart. Returns the marker, or -1 when the file ends first.
static int skip_entropy_data(CheckedFile* cf)
{
    for (;;) {
        int c = next_byte(cf);
        if (c < 0)
            return -1;
        if (c != 0xff)
            continue;
        do
            c = next_byte(cf);
        while (c == 0xff);
        if (c < 0)
            return -1;
        if (c != 0 && (c < 0xd0 || c > 0xd7))
            return c;
    }
}

static int check_jpeg(CheckedFile* cf, ImageCheck* out)
{
    if (next_byte(cf) != 0xff || next_byte(cf) != 0xd8)
        return refuse(out, "it does not start with the JPEG start marker");
    bool frame = false, scan = false;
    static JpegTables tables; // 8 KB of codes: not on the stack
    tables = JpegTables{};
    std::vector<uint8_t> seg;
    int marker = -1; // a marker already read by the entropy-data walk
    for (;;) {
        const int64_t at = cf->pos;
        if (marker < 0) {
            if (next_byte(cf) != 0xff)
                return refuse(out, "no marker at byte %lld", (long long)at);
            do
                marker = next_byte(cf);
            while (marker == 0xff);
            if (marker < 0)
                return refuse(out, "the file ends before its end marker");
        }
        const int m = marker;
        marker = -1;
        if (m == 0xd9)
            break;
        if (m == 0x01 || (m >= 0xd0 && m <= 0xd7))
            continue;
        uint8_t lb[2];
        if (!take(cf, 2, lb) || get_u16_be(lb) < 2)
            return refuse(out, "segment %02X at byte %lld has no valid length", m, (long long)at);
        const int64_t len = get_u16_be(lb) - 2;
        seg.resize((size_t)len + 1);
        if (!take(cf, len, seg.data()))
            return refuse(out, "segment %02X at byte %lld runs past the end of the file", m, (long long)at);
        if (jpeg_frame_marker(m)) {
            if (frame)
                return refuse(out, "a second frame header at byte %lld", (long long)at);
            if (check_jpeg_frame(seg.data(), len, m, &tables, out) != 0)
                return 1;
            frame = true;
        } else if ((m == 0xdb || m == 0xc4) && check_jpeg_tables(seg.data(), len, m == 0xc4, &tables, out) != 0) {
            return 1;
        } else if (m == 0xdd) {
            if (len != 2)
                return refuse(out, "a restart interval segment of %lld bytes", (long long)len);
            tables.restart = get_u16_be(seg.data());
        } else if (m == 0xda) {
            if (!frame)
                return refuse(out, "a scan at byte %lld before the frame header", (long long)at);
            if (check_jpeg_scan(seg.data(), len, &tables, out) != 0)
                return 1;
            scan = true;
            marker = walk_jpeg_scan(cf, seg.data(), &tables, out);
            if (marker < 0)
                return out->why[0] ? 1 : refuse(out, "the file ends before its end marker");
        }
    }
    if (!scan)
        return refuse(out, "it holds no scan of picture data");
    return 0;
}

// ---------------------------------------------------------------------------

ImageFormat picture_format_by_signature(const uint8_t* head, size_t got)
{
    if (got >= PNG_SIGNATURE_BYTES && memcmp(head, png_signature, PNG_SIGNATURE_BYTES) == 0)
        return FORMAT_PNG;
    if (got >= 3 && head[0] == 0xff && head[1] == 0xd8 && head[2] == 0xff)
        return FORMAT_JPEG;
    return FORMAT_UNKNOWN;
}

int check_library_image(const char* path, ImageFormat format, ImageCheck* out)
{
    out->width = out->height = 0;
    out->why[0] = 0;
    CheckedFile cf;
    if (!open_checked(path, &cf))
        return refuse(out, "it cannot be opened");
    int result;
    switch (format) {
    case FORMAT_TGA: result = check_tga(&cf, out); break;
    case FORMAT_BMP: result = check_bmp(&cf, out); break;
    case FORMAT_PCX: result = check_pcx(&cf, out); break;
    case FORMAT_LBM: result = check_lbm(&cf, out); break;
    case FORMAT_PNG: result = check_png(&cf, out); break;
    case FORMAT_JPEG: result = check_jpeg(&cf, out); break;
    default: result = refuse(out, "its name does not end in .TGA, .BMP, .PCX, .LBM, .PNG, .JPG or .JPEG"); break;
    }
    fclose(cf.f);
    return result;
}

int check_backdrop_tga(const char* path, ImageCheck* out)
{
    out->why[0] = 0;
    CheckedFile cf;
    if (!open_checked(path, &cf))
        return refuse(out, "it cannot be opened");
    uint8_t h[TGA_HEADER_BYTES];
    int result = 0;
    if (!take(&cf, sizeof h, h)) {
        result = refuse(out, "the file ends inside its %d-byte header", TGA_HEADER_BYTES);
    } else {
        out->width = (int16_t)get_u16(h + 12);
        out->height = (int16_t)get_u16(h + 14);
        if (!side_ok(out->width) || !side_ok(out->height))
            result = refuse_size(out, out->width, out->height);
        else if (!take(&cf, h[0]))
            result = refuse(out, "the file ends inside its identification field");
        else
            result = need_rows(&cf, out, 3 * (int64_t)out->width, out->height);
    }
    fclose(cf.f);
    return result;
}

int check_backdrop_bmp(const char* path, ImageCheck* out)
{
    out->why[0] = 0;
    CheckedFile cf;
    if (!open_checked(path, &cf))
        return refuse(out, "it cannot be opened");
    uint8_t h[BMP_FILE_HEADER_BYTES + BMP_INFO_BYTES];
    int result = 0;
    if (!take(&cf, sizeof h, h)) {
        result = refuse(out, "the file ends inside its header");
    } else {
        out->width = (int32_t)get_u32(h + 18);
        out->height = (int32_t)get_u32(h + 22);
        const int64_t rows = out->height < 0 ? -(int64_t)out->height : out->height;
        // The backdrop reader takes the colour table right after a 40-byte
        // information header and the rows right after the table, whatever the
        // header's size, compression and pixel-data offset fields say; only
        // what it really reads is checked here.
        if (!side_ok(out->width) || !side_ok(rows))
            result = refuse_size(out, out->width, out->height);
        else if (!take(&cf, BMP_PIXELS_AT - (int64_t)sizeof h))
            result = refuse(out, "the file ends inside its colour table");
        else
            result = need_rows(&cf, out, ((int64_t)out->width + 3) / 4 * 4, rows);
    }
    fclose(cf.f);
    return result;
}

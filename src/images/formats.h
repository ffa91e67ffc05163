// Image file formats the program reads (TGA, BMP, PCX, LBM, PNG, JPEG): their limits
// with the reasons, and the checks every file passes before a byte of it is
// decoded, by our backdrop readers or by the library's load_bitmap.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: int64_t, uint32_t

// Largest side of any picture. A frame is at most a few thousand pixels wide;
// 16,384 squared at 4 bytes is already a 1 GiB bitmap, and a header claiming
// more is a broken file, not a picture.
constexpr int MAX_IMAGE_SIDE = 16384;

// Header sizes as the formats lay them out.
constexpr int TGA_HEADER_BYTES = 18;
constexpr int BMP_FILE_HEADER_BYTES = 14;
constexpr int BMP_INFO_BYTES = 40;     // Windows information header
constexpr int BMP_OS2_INFO_BYTES = 12; // OS/2 information header
constexpr int BMP_PIXELS_AT = 1078;    // 54 header bytes + 256 x 4 colour table
constexpr int PCX_HEADER_BYTES = 128;
constexpr int PCX_PALETTE_BYTES = 769; // marker 12 and 256 x (red, green, blue)
constexpr int LBM_COLOUR_MAP_MAX = 768; // 256 x (red, green, blue)
constexpr int PNG_SIGNATURE_BYTES = 8;   // 137 "PNG" CR LF 26 LF
constexpr int PNG_IHDR_BYTES = 13;       // width, height, depth, colour type, three methods
constexpr uint32_t PNG_MAX_CHUNK = 0x7fffffffu; // the format's own limit on a chunk's length
constexpr int JPEG_MAX_TABLE_ID = 3;     // quantisation and Huffman tables are numbered 0 to 3
constexpr int JPEG_MAX_SAMPLING = 4;     // sampling factors run 1 to 4

enum ImageFormat : int { FORMAT_UNKNOWN = 0, FORMAT_TGA, FORMAT_BMP, FORMAT_PCX, FORMAT_LBM, FORMAT_PNG, FORMAT_JPEG };

// What a check found: the size the header gives, or why the file is refused.
struct ImageCheck {
    int width, height;
    char why[160]; // "RLE packet at byte 1234 runs past the end of row 7"
};

// The format load_bitmap picks for a path: by its extension, in any case.
ImageFormat format_by_extension(const char* path);

// A PNG or JPEG by its first bytes (the backdrop loader tells kinds by
// content, not by name); FORMAT_UNKNOWN for anything else.
ImageFormat picture_format_by_signature(const uint8_t* head, size_t got);

// Checks a file for the library's reader of its format: the header, the bit
// depth, the palette, the offsets, every run-length packet against its row
// and the picture, and the file's length against what the header claims.
// 0 when every byte the reader will touch is there and every pixel it
// writes lies inside the picture; 1 with the reason in out->why.
int check_library_image(const char* path, ImageFormat format, ImageCheck* out);

// The same for our own backdrop readers: an uncompressed 24-bit TGA (the
// header is already known to say so) and an uncompressed 256-colour BMP with
// its full colour table. A BMP with a negative height passes with its height
// as given (it paints no rows).
int check_backdrop_tga(const char* path, ImageCheck* out);
int check_backdrop_bmp(const char* path, ImageCheck* out);

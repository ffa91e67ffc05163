// Image files: backdrop readers, frame-numbered names, the object image loader, frame writers, samples.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cstdio> // Required for: FILE (jpeglib.h needs it first)
#include <jpeglib.h> // Required for: jpeg_compress_struct
#include <fcntl.h>    // Required for: AT_FDCWD
#include <sys/stat.h> // Required for: mkdir, utimensat
#include <unistd.h>   // Required for: symlink, usleep
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "images/images.h"         // Required for: backdrop_kind, frame_numbered_name, image_path
#include "platform/bytes.h"        // Required for: put_u16, put_u32
#include "platform/platform.h"     // Required for: resolve_path
#include "store/canvas.h"          // Required for: apply_parameters, create_frame_buffer, frame_buffer
#include "store/prompt.h"          // Required for: console_ok_key, prompt_log
#include "store/store.h"           // Required for: F_BACKDROP_FILE_SEARCH, F_BITMAP_FILE_SEARCH, F_PATH_ENABLE
#include "store/surface.h"         // Required for: full_map, image_height, image_width
#include "store/topology_format.h" // Required for: MAP_MAX_HEIGHT, MAP_MAX_WIDTH
#include "test_support.h"

namespace {

const Rgb black{0, 0, 0};

// Picture pixel (x, y) of the test TGAs and BMPs: each channel tells where it came from.
Rgb tga_px(int x, int y) { return {(uint8_t)(x * 7 + y), (uint8_t)(y * 5 + 1), (uint8_t)(x + 3 * y + 2)}; }
Rgb bmp_px(int x, int y) { return {(x + 2 * y) & 255, 255 - ((x + 2 * y) & 255), ((x + 2 * y) & 255) / 2}; }

void put16(std::vector<uint8_t>& b, size_t at, int v) { put_u16(&b[at], (uint16_t)v); }
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { put_u32(&b[at], v); }
// A BMP whose height field says its rows run from the top.
std::vector<uint8_t> down(std::vector<uint8_t> b, int h) { put32(b, 22, (uint32_t)h); return b; }

// A TGA of image type 1, 2, 3 (+8 run-length) at 8, 16, 24 or 32 bits, rows
// from the top (descriptor 32) or the bottom; pixel bytes are the blue,
// green, red of tga_px. The run-length forms repeat each column three times
// so that they hold runs.
std::vector<uint8_t> make_tga(int w, int h, int descriptor = 32, int id_length = 0, int type = 2, int bits = 24)
{
    std::vector<uint8_t> b(18 + id_length, '#');
    std::fill(b.begin(), b.begin() + 18, 0);
    const bool mapped = (type & 7) == 1, rle = type & 8;
    b[0] = (uint8_t)id_length, b[1] = mapped, b[2] = (uint8_t)type, b[16] = (uint8_t)bits;
    b[17] = (uint8_t)descriptor;
    put16(b, 12, w), put16(b, 14, h);
    if (mapped) {
        put16(b, 5, 256), b[7] = 24;
        for (int i = 0; i < 256; i++)
            b.insert(b.end(), {(uint8_t)(i / 2), (uint8_t)(255 - i), (uint8_t)i});
    }
    auto pixel = [&](int x, int row) {
        Rgb p = tga_px(rle ? x / 3 : x, descriptor == 32 ? row : h - 1 - row);
        const uint8_t all[4] = {(uint8_t)p.b, (uint8_t)p.g, (uint8_t)p.r, 255};
        return std::vector<uint8_t>(all, all + (bits + 7) / 8);
    };
    for (int row = 0; row < h; row++)
        for (int x = 0, n = 1; x < w; x += n, n = 1) {
            while (rle && x + n < w && n < 128 && pixel(x + n, row) == pixel(x, row))
                n++;
            if (rle)
                b.push_back((uint8_t)(n > 1 ? 0x80 | (n - 1) : 0));
            auto p = pixel(x, row);
            b.insert(b.end(), p.begin(), p.end());
        }
    return b;
}
std::vector<uint8_t> tga_file(int type, int bits, int w, int h) { return make_tga(w, h, 32, 0, type, bits); }

// A BMP of 8 bits raw (0), RLE8 (1) or 4 bits RLE4 (2), bottom row first;
// index x + 2y (x / 3 + 2y in the run-length forms, for runs) mod 2^bits,
// colour table entry i = (i, 255 - i, i / 2).
std::vector<uint8_t> make_bmp(int w, int h, int compression = 0)
{
    const int bits = compression == 2 ? 4 : 8, colours = 1 << bits;
    std::vector<uint8_t> b(54, 0);
    b[0] = 'B', b[1] = 'M', b[26] = 1, b[28] = (uint8_t)bits, b[30] = (uint8_t)compression;
    put32(b, 10, 54 + 4 * colours), put32(b, 14, 40), put32(b, 18, (uint32_t)w), put32(b, 22, (uint32_t)h);
    for (int i = 0; i < colours; i++)
        b.insert(b.end(), {(uint8_t)(i / 2), (uint8_t)(255 - i), (uint8_t)i, 0});
    for (int row = 0; row < h; row++) {
        const int y = h - 1 - row;
        auto index = [&](int x) { return (uint8_t)(((compression ? x / 3 : x) + 2 * y) % colours); };
        if (compression == 0) {
            for (int x = 0; x < (w + 3) / 4 * 4; x++)
                b.push_back(x < w ? index(x) : 0);
            continue;
        }
        for (int x = 0, n = 1; x < w; x += n, n = 1) {
            while (x + n < w && n < 255 && index(x + n) == index(x))
                n++;
            b.insert(b.end(), {(uint8_t)n, (uint8_t)(bits == 4 ? index(x) * 17 : index(x))});
        }
        b.insert(b.end(), {0, 0});
    }
    if (compression)
        b.insert(b.end(), {0, 1});
    return b;
}
std::vector<uint8_t> bmp_file(int compression, int w, int h) { return make_bmp(w, h, compression); }

// IFF picture: PBM (one byte a pixel) or ILBM with the given bit planes,
// rows packed as literal packets; index (x + y) mod 2^planes.
std::vector<uint8_t> lbm_file(bool pbm, int planes, int w, int h)
{
    auto be32 = [](std::vector<uint8_t>& b, uint32_t v) {
        b.insert(b.end(), {(uint8_t)(v >> 24), (uint8_t)(v >> 16), (uint8_t)(v >> 8), (uint8_t)v});
    };
    std::vector<uint8_t> b = {'F', 'O', 'R', 'M', 0, 0, 0, 0};
    b.insert(b.end(), pbm ? std::initializer_list<uint8_t>{'P', 'B', 'M', ' '} : std::initializer_list<uint8_t>{'I', 'L', 'B', 'M'});
    b.insert(b.end(), {'B', 'M', 'H', 'D', 0, 0, 0, 20, (uint8_t)(w >> 8), (uint8_t)w, (uint8_t)(h >> 8), (uint8_t)h,
                       0, 0, 0, 0, (uint8_t)planes, 0, 1, 0, 0, 0, 1, 1, (uint8_t)(w >> 8), (uint8_t)w,
                       (uint8_t)(h >> 8), (uint8_t)h});
    const int colours = 1 << planes;
    b.insert(b.end(), {'C', 'M', 'A', 'P'});
    be32(b, 3 * colours);
    for (int i = 0; i < colours; i++)
        b.insert(b.end(), {(uint8_t)(i * 3), (uint8_t)(255 - i), (uint8_t)(i * 7)});
    b.insert(b.end(), {'B', 'O', 'D', 'Y', 0, 0, 0, 0});
    const size_t body = b.size();
    int bpl = pbm ? w : (w + 7) / 8;
    bpl += bpl & 1;
    for (int y = 0; y < h; y++)
        for (int p = 0; p < (pbm ? 1 : planes); p++) {
            std::vector<uint8_t> row((size_t)bpl, 0);
            for (int x = 0; x < w; x++) {
                const int index = (x + y) % colours;
                if (pbm)
                    row[x] = (uint8_t)index;
                else if (index >> p & 1)
                    row[x / 8] |= (uint8_t)(0x80 >> (x % 8));
            }
            for (int i = 0; i < bpl; i += 128) {
                const int n = std::min(128, bpl - i);
                b.push_back((uint8_t)(n - 1));
                b.insert(b.end(), row.begin() + i, row.begin() + i + n);
            }
        }
    const size_t len = b.size() - body;
    for (int k = 0; k < 4; k++)
        b[body - 4 + k] = (uint8_t)(len >> (24 - 8 * k));
    if (len & 1)
        b.push_back(0);
    for (int k = 0; k < 4; k++)
        b[4 + k] = (uint8_t)((b.size() - 8) >> (24 - 8 * k));
    return b;
}

// A 300 x 20 256-colour PCX through the library's writer: index x + y,
// palette entry i = (i / 4, 63 - i / 4, 7) on the 0..63 scale.
std::string write_sound_pcx(const char* name)
{
    BITMAP* pic = create_bitmap_ex(8, 300, 20);
    PALETTE pal;
    for (int i = 0; i < 256; i++)
        pal[i].r = (unsigned char)(i / 4), pal[i].g = (unsigned char)(63 - i / 4), pal[i].b = 7;
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 300; x++)
            pic->line[y][x] = (uint8_t)(x + y);
    save_pcx(name, pic, pal);
    destroy_bitmap(pic);
    return name;
}

// Where the first segment with the given marker starts in a JPEG (its FF).
size_t jpeg_segment(const std::vector<uint8_t>& b, int marker)
{
    for (size_t i = 2; i + 3 < b.size(); i += 2 + (b[i + 2] << 8 | b[i + 3]))
        if (b[i + 1] == marker)
            return i;
    return 0;
}

// A 24-bit picture of tga_px through the library's writer of the name's
// extension (PNG or JPEG through the add-ons); its bytes.
std::vector<uint8_t> picture_file(const char* name, int w, int h)
{
    BITMAP* pic = create_bitmap_ex(24, w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const Rgb p = tga_px(x, y);
            putpixel(pic, x, y, makecol24(p.r, p.g, p.b));
        }
    save_bitmap(name, pic, nullptr);
    destroy_bitmap(pic);
    return read_file_bytes(name);
}

// A baseline JPEG of tga_px written by libjpeg, with a restart marker every
// `restart` MCUs (0: none).
void write_jpeg(const char* name, int w, int h, int restart)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    FILE* f = fopen(name, "wb");
    jpeg_stdio_dest(&c, f);
    c.image_width = (JDIMENSION)w, c.image_height = (JDIMENSION)h;
    c.input_components = 3, c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    c.restart_interval = (unsigned)restart;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(3 * (size_t)w);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            const Rgb p = tga_px(x, y);
            row[3 * x] = (uint8_t)p.r, row[3 * x + 1] = (uint8_t)p.g, row[3 * x + 2] = (uint8_t)p.b;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    fclose(f);
}

class ImageTest : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        if (!frame_buffer || frame_buffer->w != 640) {
            ASSERT_EQ(create_frame_buffer(640), 0);
        }
        if (!surface_map)
            surface_map = create_bitmap_ex(8, MAP_MAX_WIDTH, MAP_MAX_HEIGHT);
        clear_to_color(frame_buffer, 0);
        memset(int_param, 0, sizeof int_param), memset(flag_param, 0, sizeof flag_param);
        memset(str_param, 0, sizeof str_param);
        frame_size(640, 480);
        map_width = 512;
        prompt_log.clear();
        console_ok_key = 13, replay_only = false;
    }
    void TearDown() override { console_ok_key = 13, replay_only = false; }
    void frame_size(int w, int h)
    {
        int_param[I_WIDTH] = w, int_param[I_HEIGHT] = h;
        apply_parameters();
    }
};

} // namespace

using Backdrop_readers = ImageTest;

TEST_F(Backdrop_readers, orientation_centring_and_cropping)
{
    auto forty = make_tga(4, 3); // written top-down, but only 32 means top-down
    forty[17] = 40;
    // The reader takes the rows right after the colour table whatever the
    // compression and pixel-offset fields say.
    auto odd_fields = make_bmp(5, 3);
    put32(odd_fields, 30, 1);
    put32(odd_fields, 10, 0x7fffffff);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        int w, h, kind;
        std::vector<std::pair<std::array<int, 2>, Rgb>> probes;
    } cases[] = {
        {"TGA top-down", make_tga(4, 3), 640, 480, 1,
         {{{318, 238}, tga_px(0, 0)}, {{321, 240}, tga_px(3, 2)}, {{317, 238}, black}, {{318, 241}, black}}},
        {"TGA bottom-up", make_tga(4, 3, 0), 640, 480, 1, {{{318, 238}, tga_px(0, 0)}, {{321, 240}, tga_px(3, 2)}}},
        {"TGA descriptor 40", forty, 640, 480, 1, {{{318, 238}, tga_px(0, 2)}}},
        {"TGA id field", make_tga(2, 2, 32, 9), 640, 480, 1, {{{319, 239}, tga_px(0, 0)}, {{320, 240}, tga_px(1, 1)}}},
        {"TGA cropped to its centre", make_tga(1000, 700), 640, 480, 1,
         {{{0, 0}, tga_px(180, 110)}, {{639, 0}, tga_px(819, 110)}, {{0, 479}, tga_px(180, 589)}}},
        {"TGA bottom-up cropped", make_tga(1000, 700, 0), 640, 480, 1,
         {{{0, 0}, tga_px(180, 110)}, {{333, 222}, tga_px(513, 332)}}},
        {"small frame", make_tga(10, 4), 100, 50, 1, {{{45, 23}, tga_px(0, 0)}, {{54, 26}, tga_px(9, 3)}}},
        {"BMP bottom-up", make_bmp(5, 3), 640, 480, 2,
         {{{317, 238}, bmp_px(0, 0)}, {{321, 240}, bmp_px(4, 2)}, {{319, 239}, bmp_px(2, 1)}}},
        {"BMP taller: its bottom rows", make_bmp(8, 500), 640, 480, 2,
         {{{316, 479}, bmp_px(0, 499)}, {{316, 0}, bmp_px(0, 20)}}},
        {"BMP wider: cropped", make_bmp(650, 2), 640, 480, 2, {{{0, 239}, bmp_px(5, 0)}, {{639, 240}, bmp_px(644, 1)}}},
        {"BMP fields the reader ignores", odd_fields, 640, 480, 2,
         {{{317, 238}, bmp_px(0, 0)}, {{321, 240}, bmp_px(4, 2)}}},
        {"BMP top-down paints nothing", down(make_bmp(4, 3), -3), 640, 480, 2, {{{318, 240}, black}}},
    };
    for (const auto& c : cases) {
        clear_to_color(frame_buffer, 0);
        frame_size(c.w, c.h);
        const char* name = c.kind == 1 ? "PIC.TGA" : "PIC.BMP";
        write_file_bytes(name, c.bytes);
        ASSERT_EQ(load_backdrop(name), 0) << c.what;
        EXPECT_EQ(backdrop_kind, c.kind) << c.what;
        for (const auto& p : c.probes)
            EXPECT_EQ(pixel(p.first[0], p.first[1]), p.second) << c.what << " at " << p.first[0] << "," << p.first[1];
    }
}

// PNG and JPEG are told by their first bytes whatever the name, decoded by
// the add-ons and painted as a TGA is; the conversion mode is left alone.
TEST_F(Backdrop_readers, png_and_jpeg_paint_as_a_tga_does)
{
    const auto png = picture_file("PIC.PNG", 1000, 700);
    write_file_bytes("PNG.TGA", png);
    const int conversion = get_color_conversion();
    for (const char* name : {"PIC.PNG", "PNG.TGA"}) {
        clear_to_color(frame_buffer, 0);
        ASSERT_EQ(load_backdrop(name), 0) << name;
        EXPECT_EQ(backdrop_kind, 4);
        for (auto p : {std::array<int, 2>{0, 0}, {639, 0}, {0, 479}, {333, 222}})
            EXPECT_EQ(pixel(p[0], p[1]), tga_px(p[0] + 180, p[1] + 110)) << name << " at " << p[0] << "," << p[1];
    }
    EXPECT_EQ(get_color_conversion(), conversion);
    picture_file("PIC.JPG", 4, 3);
    clear_to_color(frame_buffer, 0);
    ASSERT_EQ(load_backdrop("PIC.JPG"), 0);
    const Rgb got = pixel(318, 238), want = tga_px(0, 0);
    EXPECT_NEAR(got.r, want.r, 24);
    EXPECT_NEAR(got.g, want.g, 24);
    EXPECT_NEAR(got.b, want.b, 24);
    EXPECT_EQ(pixel(317, 238), black);
    // A broken one is refused by name before the library reads it.
    auto cut = png;
    cut.resize(cut.size() / 2);
    write_file_bytes("CUT.PNG", cut);
    EXPECT_EQ(load_backdrop("CUT.PNG"), 1);
    EXPECT_TRUE(logged("CUT.PNG: Image loading error!") && logged("runs past the end of the file"));
}

TEST_F(Backdrop_readers, pcx_goes_through_the_surface_map)
{
    write_sound_pcx("BACK.PCX");
    ASSERT_EQ(load_backdrop("BACK.PCX"), 0);
    EXPECT_EQ(backdrop_kind, 3);
    EXPECT_EQ(full_map, 1);
    EXPECT_EQ(surface_map->line[3][5], 8);
    EXPECT_EQ(pixel(170 + 5, 230 + 3), (Rgb{8 / 4 * 4, (63 - 8 / 4) * 4, 28})); // centred
}

TEST_F(Backdrop_readers, refusals_and_hostile_files)
{
    auto tga = [](int at, uint8_t v) { auto b = make_tga(2, 2); b[at] = v; return b; };
    auto cut = [](std::vector<uint8_t> b, size_t n) { b.resize(n); return b; };
    auto tga16 = [](int at, int v) { auto b = make_tga(2, 2); put16(b, at, v); return b; };
    auto bmp32 = [](int at, uint32_t v) { auto b = make_bmp(4, 4); put32(b, at, v); return b; };
    auto bits24 = make_bmp(4, 4);
    bits24[28] = 24;
    auto huge = make_tga(0, 0, 0);
    put16(huge, 12, 20000), put16(huge, 14, 20000); // 20,000 squared, no pixels
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message; // the box text
        const char* detail;  // the reason on the console
    } cases[] = {
        {"T32.TGA", tga(16, 32), "Unknown Image format error!", ""},
        {"RLE.TGA", tga(2, 10), "Unknown Image format error!", ""},
        {"MAP.TGA", tga(2, 1), "Unknown Image format error!", ""},
        {"TINY.TGA", {2}, "Unknown Image format error!", ""},
        {"HI.BMP", bits24, "NOT a 256 colour BMP image!", ""},
        {"SHORT.TGA", cut(make_tga(100, 100), 18 + 3 * 100 * 50 + 7), "Image loading error!", "claims 30000"},
        {"HEAD.TGA", huge, "Image loading error!", "20000 x 20000 pixels"},
        {"WIDE.TGA", tga16(12, 65535), "Image loading error!", "-1 x 2 pixels"},
        {"EDGE.TGA", tga16(12, 16384), "Image loading error!", "claims 98304"}, // widest: a size, rows short
        {"EMPTY.TGA", cut(make_tga(2, 2), 18), "Image loading error!", "holds 0 bytes"},
        {"ID.TGA", tga(0, 200), "Image loading error!", "identification field"},
        {"CUT.BMP", cut(make_bmp(4, 4), 40), "Image loading error!", "inside its header"},
        {"PAL.BMP", cut(make_bmp(4, 4), 1077), "Image loading error!", "inside its colour table"},
        {"ONLYPAL.BMP", cut(make_bmp(4, 4), 1078), "Image loading error!", "holds 0 bytes"},
        {"HUGE.BMP", bmp32(18, 0x7fffffff), "Image loading error!", "2147483647 x 4"},
        {"ROWS.BMP", cut(make_bmp(64, 64), 1078 + 64 * 10), "Image loading error!", "claims 4096"},
    };
    for (const auto& c : cases) {
        write_file_bytes(c.name, c.bytes);
        prompt_log.clear();
        EXPECT_EQ(load_backdrop(c.name), 1) << c.name;
        EXPECT_TRUE(logged(std::string(c.name) + ": " + c.message)) << c.name;
        EXPECT_TRUE(logged(c.detail)) << c.name;
    }
    // Nothing of a refused file is painted.
    for (int y = 0; y < 480; y += 5)
        for (int x = 0; x < 640; x += 5)
            ASSERT_EQ(pixel(x, y), black);
    // A broken file stops a replay exactly where it stops a real frame.
    replay_only = true;
    EXPECT_EQ(load_backdrop("SHORT.TGA"), 1);
}

TEST_F(Backdrop_readers, missing_file_replay_and_preview)
{
    EXPECT_EQ(load_backdrop("NOWHERE.TGA"), 27);
    EXPECT_TRUE(logged("Error reading NOWHERE.TGA file."));
    console_ok_key = 'Y';
    EXPECT_EQ(load_backdrop("NOWHERE.TGA"), 0);

    write_file_bytes("B.TGA", make_tga(4, 3));
    replay_only = true;
    EXPECT_EQ(load_backdrop("B.TGA"), 0);
    replay_only = false;
    EXPECT_EQ(image_width, 4);
    EXPECT_EQ(pixel(318, 238), black);

    // The preview shows the top-left quarter: grey, or the nearest colour.
    // RGB: black, dark (20, 10, 24) at 216; grey: the truncated mean, 30 as 30.
    BITMAP* view = create_bitmap_ex(8, 640, 480);
    int32_t colours[257];
    for (int i = 0; i < 257; i++)
        colours[i] = i;
    preview_target = view, preview_colours = colours;
    std::vector<uint8_t> big = make_tga(640, 480);
    const uint8_t bgr[9] = {0, 0, 0, 24, 10, 20, 30, 30, 30};
    memcpy(&big[18], bgr, 9);
    write_file_bytes("P.TGA", big);
    for (int rgb : {1, 0}) {
        flag_param[F_PREVIEW_RGB] = rgb;
        clear_to_color(view, 99);
        ASSERT_EQ(load_backdrop("P.TGA"), 0);
        const int want[][3] = {{0, 0, 0}, {1, 0, rgb ? 216 : (20 + 10 + 24) / 3}, {2, 0, rgb ? -1 : 30},
                               {320, 0, 99}, {0, 240, 99}};
        for (auto& w : want)
            if (w[2] >= 0) {
                EXPECT_EQ(getpixel(view, w[0], w[1]), w[2]) << rgb << " at " << w[0] << "," << w[1];
            }
    }
    EXPECT_NE(getpixel(view, 319, 239), 99);
    preview_target = nullptr, preview_colours = nullptr;
    destroy_bitmap(view);
}

// The backdrop and the object's picture are read once while their file stays
// as it was; a changed file is read, and checked, again.
TEST_F(Backdrop_readers, a_changed_file_is_read_again)
{
    // The byte changed: blue of the first TGA pixel, of BMP colour 0.
    for (auto [name, first, at] : {std::tuple{"B.TGA", tga_px(0, 0), 18}, {"B.BMP", bmp_px(0, 0), 54}}) {
        const bool tga = at == 18;
        std::vector<uint8_t> bytes = tga ? make_tga(4, 3) : make_bmp(4, 3);
        for (int change = 0; change < 3; change++) {
            if (change == 1)
                bytes[at] ^= 0xFF; // the size kept
            if (change == 2)
                bytes.resize(bytes.size() - 1);
            write_file_bytes(name, bytes);
            // A later time stamp, as a save seconds after the last one gives.
            const timespec later[2] = {{1000000 + change, 0}, {1000000 + change, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, name, later, 0), 0);
            usleep(20000); // into the next tick of the file clock, so the file is kept
            const Rgb want{first.r, first.g, change ? 255 - first.b : first.b};
            for (int again = 0; again < 2; again++) {
                prompt_log.clear();
                EXPECT_EQ(load_backdrop(name), change == 2 ? 1 : 0) << name << change;
                EXPECT_TRUE(change < 2 || logged(std::string(name) + ": Image loading error!")) << name << again;
                if (change < 2) {
                    EXPECT_EQ(pixel(318, 238), want) << name << change;
                }
                if (!tga)
                    continue;
                EXPECT_EQ(load_object_image(name), change == 2 ? 1 : 0) << change;
                const int c = getpixel(object_image, 0, 0);
                if (change < 2) {
                    EXPECT_EQ((Rgb{getr24(c), getg24(c), getb24(c)}), want) << change;
                }
            }
        }
    }
}

using Frame_numbered_names = ImageTest;

TEST_F(Frame_numbered_names, names_search_and_path)
{
    int_param[I_THIS_FRAME] = 7;
    apply_parameters();
    mkdir("SUB", 0755);
    for (const char* f : {"SHIP007.TGA", "PLANE007.TGA", "SUB/PLAN007.TGA", "SKY007"})
        write_file_bytes(f, {1});
    // A found path must fit its buffer with its NUL; case does not matter.
    char found[12];
    EXPECT_EQ(resolve_path("ship007.tga", found, 11), 0);
    ASSERT_EQ(resolve_path("ship007.tga", found, 12), 1);
    EXPECT_STREQ(found, "SHIP007.TGA");
    const char* cases[][2] = {{"SHIP.TGA", "SHIP007.TGA"}, {"PLANETS.TGA", "PLANE007.TGA"},
                              {"SUB\\PLANETS.TGA", "SUB\\PLAN007.TGA"}, {"SKY", "SKY007"}, {"MOON.TGA", nullptr}};
    for (auto& c : cases) {
        strcpy(image_path, "unchanged");
        EXPECT_EQ(frame_numbered_name(c[0]), c[1] ? 1 : 0) << c[0];
        EXPECT_STREQ(image_path, c[1] ? c[1] : "unchanged");
    }
    // FILE SEARCH uses the numbered file when there is one, else the plain name.
    write_file_bytes("BACK.TGA", make_tga(2, 2));
    std::vector<uint8_t> other = make_tga(2, 2);
    other[18] = 77;
    write_file_bytes("BACK003.TGA", other);
    flag_param[F_BACKDROP_FILE_SEARCH] = 1;
    for (int frame : {3, 4}) {
        int_param[I_THIS_FRAME] = frame;
        apply_parameters();
        ASSERT_EQ(load_backdrop("BACK.TGA"), 0);
        EXPECT_STREQ(image_path, frame == 3 ? "BACK003.TGA" : "BACK.TGA");
        EXPECT_EQ(pixel(319, 239).b, frame == 3 ? 77 : make_tga(2, 2)[18]);
    }
    // PATH ENABLE puts BITMAP PATH in front, with no separator added.
    mkdir("PICS", 0755);
    write_file_bytes("PICS/BACK.TGA", make_tga(2, 2));
    flag_param[F_PATH_ENABLE] = 1;
    strcpy(str_param[S_BITMAP_PATH], "PICS\\");
    ASSERT_EQ(load_backdrop("BACK.TGA"), 0);
    EXPECT_STREQ(image_path, "PICS\\BACK.TGA");
}

// Each directory of the lookup path is tried whole, numbered name then plain
// name, before the next; a file there that cannot be read is reported, not
// passed over for one further down.
TEST_F(Frame_numbered_names, each_directory_is_tried_whole_before_the_next)
{
    const char* saved = getenv("NOVAMIR_DATA");
    const std::string old = saved ? saved : "";
    mkdir("DATA", 0755);
    setenv("NOVAMIR_DATA", (dir.path + "/DATA").c_str(), 1);
    int_param[I_THIS_FRAME] = 3;
    apply_parameters();
    flag_param[F_BITMAP_FILE_SEARCH] = flag_param[F_BACKDROP_FILE_SEARCH] = 1;
    write_file_bytes("SHIP.TGA", make_tga(2, 1));
    write_file_bytes("DATA/SHIP003.TGA", make_tga(3, 1));
    write_file_bytes("DATA/ONLY003.TGA", make_tga(4, 1));
    mkdir("BACK.TGA", 0755); // a directory where the picture should be
    write_file_bytes("DATA/BACK.TGA", make_tga(2, 2));
    const struct {
        const char* name;
        int result, width;
        const char* path;   // image_path afterwards
        const char* detail; // what the console says, or null
    } cases[] = {
        {"SHIP.TGA", 0, 2, "SHIP.TGA", nullptr},   // the user's plain name beats a sample's numbered one
        {"ONLY.TGA", 0, 4, "ONLY003.TGA", nullptr}, // found further down when nothing is here
        {"BACK.TGA", 27, 0, "BACK.TGA", "BACK.TGA: cannot be read: Is a directory"},
    };
    for (const auto& c : cases)
        for (int backdrop = 0; backdrop < 2; backdrop++) {
            prompt_log.clear();
            image_width = 0;
            EXPECT_EQ(backdrop ? load_backdrop(c.name) : load_object_image(c.name), c.result) << c.name;
            EXPECT_STREQ(image_path, c.path);
            if (c.result == 0) {
                EXPECT_EQ(image_width, c.width) << c.name;
            }
            if (c.detail) {
                EXPECT_TRUE(logged(c.detail) && logged("Error reading " + std::string(c.name) + " file.")) << c.name;
            }
        }
    write_file_bytes("SHIP003.TGA", make_tga(5, 1));
    ASSERT_EQ(load_object_image("SHIP.TGA"), 0);
    EXPECT_EQ(image_width, 5);
    if (saved)
        setenv("NOVAMIR_DATA", old.c_str(), 1);
    else
        unsetenv("NOVAMIR_DATA");
}

using Object_image = ImageTest;

TEST_F(Object_image, loads_keeps_and_refuses)
{
    write_file_bytes("SHIP.TGA", make_tga(6, 5));
    ASSERT_EQ(load_object_image("SHIP.TGA"), 0);
    ASSERT_NE(object_image, nullptr);
    EXPECT_EQ(std::make_tuple(image_width, image_height, bitmap_color_depth(object_image)), std::make_tuple(6, 5, 24));
    BITMAP* held = object_image;
    console_ok_key = 'Y'; // missing and answered Y: the held image stays
    EXPECT_EQ(load_object_image("GONE.TGA"), 0);
    EXPECT_EQ(object_image, held);
    console_ok_key = 13;
    EXPECT_EQ(load_object_image("GONE.TGA"), 27);
}

// Every kind of file the library reads, as a sound file, passes the checks
// made before the library reads it.
TEST_F(Object_image, sound_files_of_every_kind_load)
{
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"R24.TGA", tga_file(2, 24, 40, 6)},  {"C32.TGA", tga_file(10, 32, 40, 6)},
        {"R16.TGA", tga_file(2, 16, 40, 6)},
        {"RMAP.TGA", tga_file(1, 8, 40, 6)},  {"CMAP.TGA", tga_file(9, 8, 40, 6)},
        {"RGREY.TGA", tga_file(3, 8, 40, 6)}, {"CGREY.TGA", tga_file(11, 8, 40, 6)},
        {"RAW.BMP", bmp_file(0, 37, 5)},      {"RLE8.BMP", bmp_file(1, 37, 5)},
        {"RLE4.BMP", bmp_file(2, 37, 5)},     {"P.LBM", lbm_file(true, 8, 30, 4)},
        {"I.LBM", lbm_file(false, 4, 21, 4)}, {"I8.LBM", lbm_file(false, 8, 16, 3)},
    };
    // Picture and palette are the library's own load into the palette as it
    // stood, on the first load and on the next one that takes the kept copy.
    PALETTE before, expect_pal;
    for (int i = 0; i < 256; i++)
        before[i] = RGB{(unsigned char)(i & 63), (unsigned char)(63 - (i & 63)), 7, 0};
    auto same = [](BITMAP* a, BITMAP* b) {
        const int bytes = (bitmap_color_depth(a) + 7) / 8 * a->w;
        bool equal = a->w == b->w && a->h == b->h && bitmap_color_depth(a) == bitmap_color_depth(b);
        for (int y = 0; equal && y < a->h; y++)
            equal = memcmp(a->line[y], b->line[y], (size_t)bytes) == 0;
        return equal;
    };
    for (const auto& c : cases) {
        write_file_bytes(c.name, c.bytes);
        usleep(20000); // into the next tick of the file clock, so the file is kept
        memcpy(expect_pal, before, sizeof before);
        set_color_conversion(COLORCONV_NONE);
        BITMAP* expect = load_bitmap(c.name, expect_pal);
        for (int pass = 0; pass < 2; pass++) {
            memcpy(work_palette, before, sizeof before);
            prompt_log.clear();
            EXPECT_EQ(load_object_image(c.name), 0) << c.name << (prompt_log.empty() ? "" : prompt_log.back());
            EXPECT_TRUE(same(object_image, expect)) << c.name << " pass " << pass;
            EXPECT_EQ(memcmp(work_palette, expect_pal, sizeof expect_pal), 0) << c.name << " pass " << pass;
        }
        destroy_bitmap(expect);
    }
    write_sound_pcx("S.PCX");
    ASSERT_EQ(load_object_image("S.PCX"), 0);
    EXPECT_EQ(getpixel(object_image, 299, 19), (299 + 19) & 255);
    // A PNG holds the same pixels as the same picture saved as TGA; a JPEG
    // (either spelling) loads at its size.
    write_file_bytes("SAME.TGA", make_tga(40, 6));
    ASSERT_EQ(load_object_image("SAME.TGA"), 0);
    BITMAP* tga = create_bitmap_ex(24, 40, 6);
    blit(object_image, tga, 0, 0, 0, 0, 40, 6);
    picture_file("SAME.PNG", 40, 6);
    ASSERT_EQ(load_object_image("SAME.PNG"), 0);
    ASSERT_EQ(bitmap_color_depth(object_image), 24);
    for (int y = 0; y < 6; y++)
        EXPECT_EQ(memcmp(object_image->line[y], tga->line[y], 3 * 40), 0) << "row " << y;
    destroy_bitmap(tga);
    for (const char* name : {"S.JPG", "S.JPEG"}) {
        picture_file("S.JPG", 33, 7);
        if (strcmp(name, "S.JPEG") == 0)
            std::filesystem::rename("S.JPG", name);
        EXPECT_EQ(load_object_image(name), 0) << name;
        EXPECT_EQ(std::make_tuple(image_width, image_height), std::make_tuple(33, 7)) << name;
    }
    // Restart markers (every MCU, or every row of MCUs) change how a scan is
    // coded, not what it decodes to: same pixels as without them.
    std::vector<std::vector<uint8_t>> decoded;
    for (int restart : {0, 1, 3}) {
        const std::string name = "R" + std::to_string(restart) + ".JPG";
        write_jpeg(name.c_str(), 33, 17, restart);
        ASSERT_EQ(load_object_image(name.c_str()), 0) << name;
        std::vector<uint8_t> pixels;
        for (int y = 0; y < 17; y++)
            pixels.insert(pixels.end(), object_image->line[y], object_image->line[y] + 3 * 33);
        decoded.push_back(pixels);
    }
    EXPECT_TRUE(decoded[1] == decoded[0] && decoded[2] == decoded[0]);
}

// One table per reader: a sound file with one change (a cut, a field, a
// packet). Each is refused before the library reads it, the box keeps its
// text, the console names the file and the reason, the held image stays.
TEST_F(Object_image, broken_files_are_refused_before_the_library_reads_them)
{
    auto cut = [](std::vector<uint8_t> b, size_t n) { b.resize(n); return b; };
    auto set = [](std::vector<uint8_t> b, size_t at, uint8_t v) { b[at] = v; return b; };
    auto set16 = [](std::vector<uint8_t> b, size_t at, int v) { put16(b, at, v); return b; };
    auto set32 = [](std::vector<uint8_t> b, size_t at, uint32_t v) { put32(b, at, v); return b; };
    const auto tga = tga_file(2, 24, 40, 6), rle = tga_file(10, 24, 40, 6);
    const auto bmp = bmp_file(0, 37, 5), rle8 = bmp_file(1, 37, 5), rle4 = bmp_file(2, 37, 5);
    const auto pcx = read_file_bytes(write_sound_pcx("SOUND.PCX"));
    const auto pbm = lbm_file(true, 8, 30, 4), ilbm = lbm_file(false, 4, 21, 4);
    const size_t pbm_body = pbm.size() - 4 * 31, ilbm_body = ilbm.size() - 4 * 4 * 5;
    const auto png = picture_file("SOUND.PNG", 40, 6), jpg = picture_file("SOUND.JPG", 40, 6);
    const size_t sof = jpeg_segment(jpg, 0xc0), dht = jpeg_segment(jpg, 0xc4), sos = jpeg_segment(jpg, 0xda);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* detail;
    } cases[] = {
        // TGA
        {"RUN.TGA", set(rle, 18, 0xff), "RLE packet at byte 18 runs past the end of row 0"},
        {"CUTRLE.TGA", cut(rle, rle.size() - 2), "the file ends inside row 5"},
        {"WIDE.TGA", set16(tga, 12, 65535), "65535 x 6 pixels"},
        {"ZERO.TGA", set(tga, 16, 0), "0 bits per pixel"},
        {"HEAD.TGA", cut(tga, 18), "holds 0 bytes of pixels, its header claims 720"},
        {"MAP.TGA", set16(tga_file(1, 8, 40, 6), 5, 300), "a colour map of 300 entries"},
        // BMP
        {"FAR.BMP", set32(bmp, 10, 0x7fffffff), "pixel data offset 2147483647"},
        {"ONLYPAL.BMP", cut(bmp, 1078), "holds 0 bytes of pixels"},
        {"NEG.BMP", set32(bmp, 18, (uint32_t)-37), "-37 x 5"},
        {"THREE.BMP", set(bmp, 28, 3), "3 bits per pixel"},
        {"DOWN.BMP", set32(bmp, 22, (uint32_t)-5), "top-down picture (height -5)"},
        {"RUN8.BMP", set(rle8, 1078, 40), "RLE packet at byte 1078 runs past the end of row 0"},
        {"MOVE8.BMP", set(set(rle8, 1078, 0), 1079, 2), "leaves the picture"},
        {"CUT8.BMP", cut(rle8, rle8.size() - 6), "the file ends inside its RLE data"},
        {"RUN4.BMP", set(rle4, 118, 40), "RLE packet at byte 118 runs past the end of row 0"},
        // PCX
        {"CUT.PCX", cut(pcx, pcx.size() - 900), "the file ends inside row"},
        {"NOPAL.PCX", cut(pcx, pcx.size() - 769), "no 256-colour table"},
        {"WIDE.PCX", set16(pcx, 8, 32767), "32768 x 20"},
        {"ROW.PCX", set16(pcx, 66, 100), "rows of 100 bytes cannot hold 300 pixels"},
        // LBM
        {"RUN.LBM", set(pbm, pbm_body, 127), "runs past the end of row 0"},
        {"CUT.LBM", cut(pbm, pbm_body + 20), "the file ends inside row 0"},
        {"ODD.LBM", set(set(pbm, 21, 29), 25, 29), "odd width 29"},
        {"EDGE.LBM", set(ilbm, ilbm_body + 3, 0xff), "row 0 sets pixels past its right edge"},
        {"CMAP.LBM", set(ilbm, 46, 3), "a colour map of 816 bytes"},
        // PNG: signature, IHDR at 8 (data from 16), chunks after it
        {"SIG.PNG", set(png, 1, 'Q'), "it does not start with the PNG signature"},
        {"WIDE.PNG", set(png, 17, 1), "65576 x 6 pixels"},
        {"DEPTH.PNG", set(png, 24, 3), "3 bits per sample with colour type 2"},
        {"CHUNK.PNG", set(png, 33, 0x7f), "runs past the end of the file"},
        {"CUT.PNG", cut(png, png.size() - 12), "the file ends before its IEND chunk"},
        // JPEG: the frame header, a Huffman table, a scan, the end
        {"SOI.JPG", set(jpg, 1, 0xd9), "does not start with the JPEG start marker"},
        {"ZERO.JPG", set(set(jpg, sof + 5, 0), sof + 6, 0), "40 x 0 pixels"},
        {"PREC.JPG", set(jpg, sof + 4, 12), "samples of 12 bits"},
        {"PROG.JPG", set(jpg, sof + 1, 0xc2), "a progressive JPEG cannot be read"},
        {"TABLE.JPG", set(jpg, dht + 4, 0x05), "Huffman table numbered 5"},
        {"SCAN.JPG", set(jpg, sos + 6, 0x33), "not both defined"},
        {"LEN.JPG", set(jpg, dht + 2, 0xff), "runs past the end of the file"},
        {"CUT.JPG", cut(jpg, jpg.size() - 2), "the file ends before its end marker"},
    };
    write_file_bytes("SHIP.TGA", tga);
    ASSERT_EQ(load_object_image("SHIP.TGA"), 0);
    BITMAP* held = object_image;
    for (const auto& c : cases) {
        write_file_bytes(c.name, c.bytes);
        prompt_log.clear();
        EXPECT_EQ(load_object_image(c.name), 1) << c.name;
        EXPECT_TRUE(logged(std::string(c.name) + ": Image loading error!")) << c.name;
        EXPECT_TRUE(logged(c.detail)) << c.name << ": " << (prompt_log.empty() ? "" : prompt_log.front());
        EXPECT_EQ(object_image, held) << c.name;
    }
}

// Frame writers over a 100 x 50 frame of a 640-wide buffer filled everywhere,
// so a write of the buffer size would show.
struct Frame_writers : ImageTest {
    void SetUp() override
    {
        ImageTest::SetUp();
        for (int y = 0; y < frame_buffer->h; y++)
            for (int x = 0; x < frame_buffer->w; x++)
                put_frame_pixel(x, y, (x * 3) & 255, (y * 5) & 255, (x + y) & 255);
        frame_size(100, 50);
    }
};


// Both files are byte for byte what the library's own writers make of the
// frame: the TGA from the frame itself, the BMP from the library's 24 to
// 8-bit blit through the 3-3-2 palette. The widths give every BMP row padding.
TEST_F(Frame_writers, files_match_the_library_writers_byte_for_byte)
{
    for (auto [w, h] : {std::pair{100, 50}, {101, 37}, {102, 3}, {103, 1}}) {
        frame_size(w, h);
        ASSERT_EQ(save_frame_tga("OUT007.tga"), 0);
        ASSERT_EQ(save_frame_bmp("OUT007.bmp"), 0);
        PALETTE pal;
        generate_332_palette(pal);
        select_palette(pal);
        BITMAP* sub = create_sub_bitmap(frame_buffer, 0, 0, w, h);
        BITMAP* indexed = create_bitmap_ex(8, w, h);
        blit(sub, indexed, 0, 0, 0, 0, w, h);
        unselect_palette();
        ASSERT_EQ(save_tga("REF.tga", sub, pal), 0);
        ASSERT_EQ(save_bmp("REF.bmp", indexed, pal), 0);
        EXPECT_TRUE(read_file_bytes("OUT007.tga") == read_file_bytes("REF.tga")) << w << " x " << h;
        EXPECT_TRUE(read_file_bytes("OUT007.bmp") == read_file_bytes("REF.bmp")) << w << " x " << h;
        destroy_bitmap(indexed);
        destroy_bitmap(sub);
    }
}

TEST_F(Frame_writers, a_failed_write_keeps_the_previous_file)
{
    ASSERT_EQ(save_frame_tga("KEEP.tga"), 0);
    ASSERT_EQ(save_frame_bmp("KEEP.bmp"), 0);
    std::vector<uint8_t> tga = read_file_bytes("KEEP.tga");
    std::vector<uint8_t> bmp = read_file_bytes("KEEP.bmp");
    clear_to_color(frame_buffer, 0);
    {
        FileSizeLimit full_disk(1000);
        EXPECT_NE(save_frame_tga("KEEP.tga"), 0);
        EXPECT_NE(save_frame_bmp("KEEP.bmp"), 0);
    }
    EXPECT_TRUE(read_file_bytes("KEEP.tga") == tga);
    EXPECT_TRUE(read_file_bytes("KEEP.bmp") == bmp);
    auto entries = std::filesystem::directory_iterator(".");
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2); // no temporary left
    EXPECT_NE(save_frame_tga("NO/SUCH/DIR.tga"), 0);
    EXPECT_NE(save_view(), 0); // no screen to dump
    EXPECT_TRUE(read_file_bytes("NVMRVIEW.PCX").empty());
}

TEST_F(Frame_writers, backslashes_separate_directories)
{
    mkdir("OUT", 0755);
    ASSERT_EQ(save_frame_tga("OUT\\F000.tga"), 0);
    EXPECT_FALSE(read_file_bytes("OUT/F000.tga").empty());
    // An existing directory is found whatever its case.
    mkdir("Frames", 0755);
    ASSERT_EQ(save_frame_bmp("FRAMES\\F000.bmp"), 0);
    EXPECT_FALSE(read_file_bytes("Frames/F000.bmp").empty());
}

TEST_F(Frame_writers, replay_writes_nothing_but_leaves_the_library_state)
{
    memset(work_palette, 0, sizeof work_palette);
    set_color_conversion(COLORCONV_TOTAL);
    replay_only = true;
    EXPECT_EQ(save_frame_bmp("R.bmp"), 0);
    EXPECT_EQ(save_frame_tga("R.tga"), 0);
    replay_only = false;
    EXPECT_TRUE(read_file_bytes("R.bmp").empty());
    EXPECT_TRUE(read_file_bytes("R.tga").empty());
    PALETTE pal;
    generate_332_palette(pal);
    for (int i = 0; i < 256; i++)
        ASSERT_TRUE(pal[i].r == work_palette[i].r && pal[i].g == work_palette[i].g && pal[i].b == work_palette[i].b);
    EXPECT_EQ(get_color_conversion(), COLORCONV_NONE);
}

namespace {

std::string sample_path(const char* name)
{
    char path[512];
    return find_data_file(name, path, sizeof path) ? path : "";
}

} // namespace

TEST(Sample_pictures, RebuildIsByteIdentical)
{
    ScratchDir dir;
    // Into a folder of its own: the current directory comes first in lookups.
    std::string cmd = "mkdir fresh && " + std::string(NOVAMIR_BIN_DIR) + "/build_samples fresh 2>err.txt";
    ASSERT_EQ(system(cmd.c_str()), 0);
    for (const char* name : {"SHIP.TGA", "SHIP000.TGA", "SHIP059.TGA", "NEBULA.TGA", "NEBULA.BMP",
                             "NEBULA.PCX"}) {
        std::vector<uint8_t> fresh = read_file_bytes(std::string("fresh/") + name);
        std::vector<uint8_t> built = read_file_bytes(sample_path(name));
        ASSERT_FALSE(fresh.empty()) << name;
        EXPECT_TRUE(fresh == built) << name;
    }
}

// Backdrop readers (TGA, 8-bit BMP, PCX): orientation, fits, hostile files;
// frame-numbered names; the object image loader.
#include <allegro.h>
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "images/images.h"
#include "planets/planets.h"
#include "render/render.h"
#include "shell/shell.h"
#include "test_support.h"
#include "ui/ui.h"

namespace {

struct Px {
    int r, g, b;
    bool operator==(const Px& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Px& c) { return os << c.r << "," << c.g << "," << c.b; }
const Px black{0, 0, 0};

// Picture pixel (x, y) of the test TGAs and BMPs: each channel tells where it came from.
Px tga_px(int x, int y) { return {(uint8_t)(x * 7 + y), (uint8_t)(y * 5 + 1), (uint8_t)(x + 3 * y + 2)}; }
Px bmp_px(int x, int y) { return {(x + 2 * y) & 255, 255 - ((x + 2 * y) & 255), ((x + 2 * y) & 255) / 2}; }

void put16(std::vector<uint8_t>& b, size_t at, int v) { b[at] = (uint8_t)v, b[at + 1] = (uint8_t)(v >> 8); }
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { put16(b, at, (int)(v & 0xffff)), put16(b, at + 2, (int)(v >> 16)); }

// A 24-bit TGA, rows from the top (descriptor 32) or the bottom.
std::vector<uint8_t> make_tga(int w, int h, int descriptor = 32, int id_length = 0)
{
    std::vector<uint8_t> b(18 + id_length, '#');
    std::fill(b.begin(), b.begin() + 18, 0);
    b[0] = (uint8_t)id_length, b[2] = 2, b[16] = 24, b[17] = (uint8_t)descriptor;
    put16(b, 12, w), put16(b, 14, h);
    for (int row = 0; row < h; row++)
        for (int x = 0; x < w; x++) {
            Px p = tga_px(x, descriptor == 32 ? row : h - 1 - row);
            b.insert(b.end(), {(uint8_t)p.b, (uint8_t)p.g, (uint8_t)p.r});
        }
    return b;
}

// An 8-bit BMP, bottom row first; index (x + 2y) mod 256, palette entry i = (i, 255 - i, i / 2).
std::vector<uint8_t> make_bmp(int w, int h, int bits = 8, int rows_written = -1)
{
    std::vector<uint8_t> b(54 + 1024, 0);
    b[0] = 'B', b[1] = 'M', b[26] = 1, b[28] = (uint8_t)bits;
    put32(b, 10, 1078), put32(b, 14, 40), put32(b, 18, (uint32_t)w), put32(b, 22, (uint32_t)h);
    for (int i = 0; i < 256; i++)
        b[54 + 4 * i] = (uint8_t)(i / 2), b[55 + 4 * i] = (uint8_t)(255 - i), b[56 + 4 * i] = (uint8_t)i;
    for (int row = 0; row < (rows_written >= 0 ? rows_written : h); row++)
        for (int x = 0; x < (w + 3) / 4 * 4; x++)
            b.push_back(x < w ? (uint8_t)(x + 2 * (h - 1 - row)) : 0);
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

Px at(int x, int y)
{
    Px p;
    get_frame_pixel(x, y, &p.r, &p.g, &p.b);
    return p;
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
        memset(int_param, 0, sizeof int_param);
        memset(flag_param, 0, sizeof flag_param);
        memset(str_param, 0, sizeof str_param);
        frame_size(640, 480);
        map_width = 512;
        prompt_log.clear();
        console_ok_key = 13;
        replay_only = false;
    }
    void TearDown() override { console_ok_key = 13, replay_only = false; }
    void frame_size(int w, int h)
    {
        int_param[I_WIDTH] = w, int_param[I_HEIGHT] = h;
        apply_parameters();
    }
    bool told(const std::string& text)
    {
        for (const std::string& line : prompt_log)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
};

} // namespace

using Backdrop_readers = ImageTest;

TEST_F(Backdrop_readers, orientation_centring_and_cropping)
{
    auto forty = make_tga(4, 3); // written top-down, but only 32 means top-down
    forty[17] = 40;
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        int w, h, kind;
        std::vector<std::pair<std::array<int, 2>, Px>> probes;
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
        {"BMP top-down paints nothing", make_bmp(4, -3, 8, 3), 640, 480, 2, {{{318, 240}, black}}},
    };
    for (const auto& c : cases) {
        clear_to_color(frame_buffer, 0);
        frame_size(c.w, c.h);
        const char* name = c.kind == 1 ? "PIC.TGA" : "PIC.BMP";
        write_file_bytes(name, c.bytes);
        ASSERT_EQ(load_backdrop(name), 0) << c.what;
        EXPECT_EQ(backdrop_kind, c.kind) << c.what;
        for (const auto& p : c.probes)
            EXPECT_EQ(at(p.first[0], p.first[1]), p.second) << c.what << " at " << p.first[0] << "," << p.first[1];
    }
}

TEST_F(Backdrop_readers, pcx_goes_through_the_surface_map)
{
    write_sound_pcx("BACK.PCX");
    ASSERT_EQ(load_backdrop("BACK.PCX"), 0);
    EXPECT_EQ(backdrop_kind, 3);
    EXPECT_EQ(full_map, 1);
    EXPECT_EQ(surface_map->line[3][5], 8);
    EXPECT_EQ(at(170 + 5, 230 + 3), (Px{8 / 4 * 4, (63 - 8 / 4) * 4, 28})); // centred
}

TEST_F(Backdrop_readers, refusals_and_hostile_files)
{
    auto tga = [](int at, uint8_t v) { auto b = make_tga(2, 2); b[at] = v; return b; };
    auto cut = [](std::vector<uint8_t> b, size_t n) { b.resize(n); return b; };
    auto tga16 = [](int at, int v) { auto b = make_tga(2, 2); put16(b, at, v); return b; };
    auto bmp32 = [](int at, uint32_t v) { auto b = make_bmp(4, 4); put32(b, at, v); return b; };
    auto huge = make_tga(0, 0, 0);
    put16(huge, 12, 20000), put16(huge, 14, 20000); // 20,000 squared, no pixels
    std::vector<uint8_t> pcx = read_file_bytes(write_sound_pcx("SOUND.PCX"));
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
        {"HI.BMP", make_bmp(4, 4, 24), "NOT a 256 colour BMP image!", ""},
        {"SHORT.TGA", cut(make_tga(100, 100), 18 + 3 * 100 * 50 + 7), "Image loading error!", "claims 30000"},
        {"HEAD.TGA", huge, "Image loading error!", "20000 x 20000 pixels"},
        {"WIDE.TGA", tga16(12, 65535), "Image loading error!", "-1 x 2 pixels"},
        {"HALF.TGA", tga16(12, 32768), "Image loading error!", "-32768 x 2 pixels"},
        {"EMPTY.TGA", cut(make_tga(2, 2), 18), "Image loading error!", "holds 0 bytes"},
        {"ID.TGA", tga(0, 200), "Image loading error!", "identification field"},
        {"CUT.BMP", cut(make_bmp(4, 4), 40), "Image loading error!", "inside its header"},
        {"PAL.BMP", cut(make_bmp(4, 4), 300), "Image loading error!", "inside its colour table"},
        {"ONLYPAL.BMP", cut(make_bmp(4, 4), 1078), "Image loading error!", "holds 0 bytes"},
        {"HUGE.BMP", bmp32(18, 0x7fffffff), "Image loading error!", "2147483647 x 4"},
        {"NEGW.BMP", bmp32(18, (uint32_t)-4), "Image loading error!", "-4 x 4"},
        {"ROWS.BMP", make_bmp(64, 64, 8, 10), "Image loading error!", "claims 4096"},
        {"RLE8.BMP", bmp32(30, 1), "Image loading error!", "compression 1"},
        {"FAR.BMP", bmp32(10, 0x7fffffff), "Image loading error!", "pixels start at byte 2147483647"},
        {"CUT.PCX", cut(pcx, pcx.size() - 900), "Image loading error!", "ends inside row"},
        {"NOPAL.PCX", cut(pcx, pcx.size() - 769), "Image loading error!", "no 256-colour table"},
    };
    for (const auto& c : cases) {
        write_file_bytes(c.name, c.bytes);
        prompt_log.clear();
        EXPECT_EQ(load_backdrop(c.name), 1) << c.name;
        EXPECT_TRUE(told(std::string(c.name) + ": " + c.message)) << c.name;
        EXPECT_TRUE(told(c.detail)) << c.name;
    }
    // Nothing of a refused file is painted; a top-down BMP paints no rows and is no error.
    auto top_down = make_bmp(4, -4, 8, 4);
    write_file_bytes("DOWN.BMP", top_down);
    EXPECT_EQ(load_backdrop("DOWN.BMP"), 0);
    for (int y = 0; y < 480; y += 5)
        for (int x = 0; x < 640; x += 5)
            ASSERT_EQ(at(x, y), black);
    // A broken file stops a replay exactly where it stops a real frame.
    replay_only = true;
    EXPECT_EQ(load_backdrop("SHORT.TGA"), 1);
}

TEST_F(Backdrop_readers, missing_file_replay_and_preview)
{
    EXPECT_EQ(load_backdrop("NOWHERE.TGA"), 27);
    EXPECT_TRUE(told("Error reading NOWHERE.TGA file."));
    console_ok_key = 'Y';
    EXPECT_EQ(load_backdrop("NOWHERE.TGA"), 0);

    write_file_bytes("B.TGA", make_tga(4, 3));
    replay_only = true;
    EXPECT_EQ(load_backdrop("B.TGA"), 0);
    replay_only = false;
    EXPECT_EQ(image_width, 4);
    EXPECT_EQ(at(318, 238), black);

    // The preview shows the top-left quarter: grey, or the nearest colour.
    BITMAP* saved = screen_buffer;
    screen_buffer = create_bitmap_ex(8, 640, 480);
    clear_to_color(screen_buffer, 99);
    for (int i = 0; i < 256; i++)
        screen_colours[i] = i;
    std::vector<uint8_t> big = make_tga(640, 480);
    const uint8_t bgr[9] = {0, 0, 0, 24, 10, 20, 30, 30, 30}; // black, dark (20, 10, 24), grey 30
    memcpy(&big[18], bgr, 9);
    write_file_bytes("P.TGA", big);
    flag_param[F_PREVIEW_RGB] = 1;
    ASSERT_EQ(load_backdrop("P.TGA"), 0);
    EXPECT_EQ(getpixel(screen_buffer, 0, 0), 0);
    EXPECT_EQ(getpixel(screen_buffer, 1, 0), 216);
    flag_param[F_PREVIEW_RGB] = 0;
    clear_to_color(screen_buffer, 99);
    ASSERT_EQ(load_backdrop("P.TGA"), 0);
    EXPECT_EQ(getpixel(screen_buffer, 1, 0), (20 + 10 + 24) / 3);
    EXPECT_EQ(getpixel(screen_buffer, 2, 0), 30);
    EXPECT_EQ(getpixel(screen_buffer, 320, 0), 99);
    EXPECT_EQ(getpixel(screen_buffer, 0, 240), 99);
    EXPECT_NE(getpixel(screen_buffer, 319, 239), 99);
    destroy_bitmap(screen_buffer);
    screen_buffer = saved;
}

using Frame_numbered_names = ImageTest;

TEST_F(Frame_numbered_names, names_search_and_path)
{
    int_param[I_THIS_FRAME] = 7;
    apply_parameters();
    mkdir("SUB", 0755);
    for (const char* f : {"SHIP007.TGA", "PLANE007.TGA", "SUB/PLAN007.TGA", "SKY007"})
        write_file_bytes(f, {1});
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
    int_param[I_THIS_FRAME] = 3;
    apply_parameters();
    ASSERT_EQ(load_backdrop("BACK.TGA"), 0);
    EXPECT_STREQ(image_path, "BACK003.TGA");
    EXPECT_EQ(at(319, 239).b, 77);
    int_param[I_THIS_FRAME] = 4;
    apply_parameters();
    ASSERT_EQ(load_backdrop("BACK.TGA"), 0);
    EXPECT_STREQ(image_path, "BACK.TGA");
    // PATH ENABLE puts BITMAP PATH in front, with no separator added.
    mkdir("PICS", 0755);
    write_file_bytes("PICS/BACK.TGA", make_tga(2, 2));
    flag_param[F_PATH_ENABLE] = 1;
    strcpy(str_param[S_BITMAP_PATH], "PICS\\");
    ASSERT_EQ(load_backdrop("BACK.TGA"), 0);
    EXPECT_STREQ(image_path, "PICS\\BACK.TGA");
}

using Object_image = ImageTest;

TEST_F(Object_image, loads_keeps_and_refuses)
{
    write_file_bytes("SHIP.TGA", make_tga(6, 5));
    ASSERT_EQ(load_object_image("SHIP.TGA"), 0);
    ASSERT_NE(object_image, nullptr);
    EXPECT_EQ(image_width * 10 + image_height, 65);
    EXPECT_EQ(bitmap_color_depth(object_image), 24);
    BITMAP* held = object_image;
    console_ok_key = 'Y'; // missing and answered Y: the held image stays
    EXPECT_EQ(load_object_image("GONE.TGA"), 0);
    EXPECT_EQ(object_image, held);
    console_ok_key = 13;
    EXPECT_EQ(load_object_image("GONE.TGA"), 27);
    write_file_bytes("JUNK.TGA", {1, 2, 3});
    EXPECT_EQ(load_object_image("JUNK.TGA"), 1);
    EXPECT_TRUE(told("Image loading error!"));
}

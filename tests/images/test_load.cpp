// Backdrop readers (TGA, 8-bit BMP, PCX), their fits and hostile files; the
// frame-numbered names; the object image loader.
#include <allegro.h>
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir

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

// Pixel (x, y) of a test picture: each channel tells where it came from.
uint8_t red_of(int x, int y) { return (uint8_t)(x * 7 + y); }
uint8_t green_of(int, int y) { return (uint8_t)(y * 5 + 1); }
uint8_t blue_of(int x, int y) { return (uint8_t)(x + 3 * y + 2); }

// A 24-bit TGA with rows from the top (descriptor 32) or the bottom.
std::vector<uint8_t> make_tga(int w, int h, int descriptor, int id_length = 0)
{
    std::vector<uint8_t> b(18, 0);
    b[0] = (uint8_t)id_length;
    b[2] = 2;
    b[12] = (uint8_t)(w & 255);
    b[13] = (uint8_t)((w >> 8) & 255);
    b[14] = (uint8_t)(h & 255);
    b[15] = (uint8_t)((h >> 8) & 255);
    b[16] = 24;
    b[17] = (uint8_t)descriptor;
    for (int i = 0; i < id_length; i++)
        b.push_back('#');
    for (int row = 0; row < h; row++) {
        int y = descriptor == 32 ? row : h - 1 - row;
        for (int x = 0; x < w; x++) {
            b.push_back(blue_of(x, y));
            b.push_back(green_of(x, y));
            b.push_back(red_of(x, y));
        }
    }
    return b;
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int k = 0; k < 4; k++)
        b[at + k] = (uint8_t)(v >> (8 * k));
}

// An 8-bit BMP, bottom row first; index(x, y) = (x + 2y) mod 256 and palette
// entry i = (i, 255 - i, i / 2).
std::vector<uint8_t> make_bmp(int w, int h, int bits = 8, int rows_written = -1)
{
    std::vector<uint8_t> b(54 + 1024, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 10, 1078);
    put32(b, 14, 40);
    put32(b, 18, (uint32_t)w);
    put32(b, 22, (uint32_t)h);
    b[26] = 1;
    b[28] = (uint8_t)bits;
    for (int i = 0; i < 256; i++) {
        b[54 + 4 * i + 0] = (uint8_t)(i / 2);
        b[54 + 4 * i + 1] = (uint8_t)(255 - i);
        b[54 + 4 * i + 2] = (uint8_t)i;
    }
    int stride = (w + 3) / 4 * 4;
    int rows = rows_written >= 0 ? rows_written : h;
    for (int row = 0; row < rows; row++) {
        int y = h - 1 - row;
        for (int x = 0; x < stride; x++)
            b.push_back(x < w ? (uint8_t)(x + 2 * y) : 0);
    }
    return b;
}

struct Px {
    int r, g, b;
    bool operator==(const Px& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Px& c) { return os << "(" << c.r << "," << c.g << "," << c.b << ")"; }

Px at(int x, int y)
{
    Px p;
    get_frame_pixel(x, y, &p.r, &p.g, &p.b);
    return p;
}
Px tga_px(int x, int y) { return {red_of(x, y), green_of(x, y), blue_of(x, y)}; }
Px bmp_px(int x, int y)
{
    int i = (x + 2 * y) & 255;
    return {i, 255 - i, i / 2};
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
        int_param[I_WIDTH] = 640;
        int_param[I_HEIGHT] = 480;
        apply_parameters();
        map_width = 512;
        prompt_log.clear();
        console_ok_key = 13;
        replay_only = false;
    }
    void TearDown() override { console_ok_key = 13; }
    void frame_size(int w, int h)
    {
        int_param[I_WIDTH] = w;
        int_param[I_HEIGHT] = h;
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

TEST_F(Backdrop_readers, tga_top_down_and_bottom_up_are_centred)
{
    write_file_bytes("TOP.TGA", make_tga(4, 3, 32));
    write_file_bytes("BOTTOM.TGA", make_tga(4, 3, 0));
    write_file_bytes("FORTY.TGA", make_tga(4, 3, 40));
    for (const char* name : {"TOP.TGA", "BOTTOM.TGA"}) {
        clear_to_color(frame_buffer, 0);
        ASSERT_EQ(load_backdrop(name), 0) << name;
        EXPECT_EQ(backdrop_kind, 1);
        EXPECT_EQ(image_width, 4);
        EXPECT_EQ(image_height, 3);
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < 4; x++)
                ASSERT_EQ(at(318 + x, 238 + y), tga_px(x, y)) << name << " " << x << "," << y;
        EXPECT_EQ(at(317, 238), (Px{0, 0, 0}));
        EXPECT_EQ(at(318, 241), (Px{0, 0, 0}));
    }
    // Only descriptor 32 means top-down: 40 is read as bottom-up, so a file
    // written top-down comes out upside down.
    write_file_bytes("FORTY.TGA", make_tga(4, 3, 32));
    std::vector<uint8_t> b = read_file_bytes("FORTY.TGA");
    b[17] = 40;
    write_file_bytes("FORTY.TGA", b);
    ASSERT_EQ(load_backdrop("FORTY.TGA"), 0);
    EXPECT_EQ(at(318, 238), tga_px(0, 2));
}

TEST_F(Backdrop_readers, tga_identification_field_is_skipped)
{
    write_file_bytes("ID.TGA", make_tga(2, 2, 32, 9));
    ASSERT_EQ(load_backdrop("ID.TGA"), 0);
    EXPECT_EQ(at(319, 239), tga_px(0, 0));
    EXPECT_EQ(at(320, 240), tga_px(1, 1));
}

TEST_F(Backdrop_readers, tga_larger_than_the_frame_is_cropped_to_its_centre)
{
    write_file_bytes("BIG.TGA", make_tga(1000, 700, 32));
    ASSERT_EQ(load_backdrop("BIG.TGA"), 0);
    // Columns 180..819 and rows 110..589 of the picture.
    EXPECT_EQ(at(0, 0), tga_px(180, 110));
    EXPECT_EQ(at(639, 0), tga_px(819, 110));
    EXPECT_EQ(at(0, 479), tga_px(180, 589));
    EXPECT_EQ(at(333, 222), tga_px(513, 332));

    // Bottom-up: the rows skipped first are the bottom rows of the picture.
    write_file_bytes("BIG.TGA", make_tga(1000, 700, 0));
    ASSERT_EQ(load_backdrop("BIG.TGA"), 0);
    EXPECT_EQ(at(0, 479), tga_px(180, 589));
    EXPECT_EQ(at(0, 0), tga_px(180, 110));
}

TEST_F(Backdrop_readers, frame_smaller_than_the_buffer_fits_the_frame)
{
    frame_size(100, 50);
    write_file_bytes("B.TGA", make_tga(10, 4, 32));
    ASSERT_EQ(load_backdrop("B.TGA"), 0);
    EXPECT_EQ(at(45, 23), tga_px(0, 0));
    EXPECT_EQ(at(54, 26), tga_px(9, 3));
}

TEST_F(Backdrop_readers, bmp_bottom_up_through_its_palette)
{
    write_file_bytes("PIC.BMP", make_bmp(5, 3));
    ASSERT_EQ(load_backdrop("PIC.BMP"), 0);
    EXPECT_EQ(backdrop_kind, 2);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            ASSERT_EQ(at(317 + x, 238 + y), bmp_px(x, y)) << x << "," << y;
    EXPECT_EQ(map_palette[7][0], 7);
    EXPECT_EQ(map_palette[7][1], 248);
    EXPECT_EQ(map_palette[7][2], 3);
}

TEST_F(Backdrop_readers, bmp_taller_than_the_frame_shows_its_bottom_rows)
{
    write_file_bytes("TALL.BMP", make_bmp(8, 500));
    ASSERT_EQ(load_backdrop("TALL.BMP"), 0);
    EXPECT_EQ(image_height, 480);
    // The file's first row (the picture's last) lands on the frame's last row.
    EXPECT_EQ(at(316, 479), bmp_px(0, 499));
    EXPECT_EQ(at(316, 0), bmp_px(0, 20));
}

TEST_F(Backdrop_readers, bmp_wider_than_the_frame_is_cropped)
{
    write_file_bytes("WIDE.BMP", make_bmp(650, 2));
    ASSERT_EQ(load_backdrop("WIDE.BMP"), 0);
    EXPECT_EQ(at(0, 239), bmp_px(5, 0));
    EXPECT_EQ(at(639, 240), bmp_px(644, 1));
}

TEST_F(Backdrop_readers, top_down_bmp_paints_nothing)
{
    write_file_bytes("DOWN.BMP", make_bmp(4, -3, 8, 3));
    EXPECT_EQ(load_backdrop("DOWN.BMP"), 0);
    EXPECT_EQ(at(318, 240), (Px{0, 0, 0}));
}

TEST_F(Backdrop_readers, pcx_goes_through_the_surface_map)
{
    BITMAP* pic = create_bitmap_ex(8, 300, 20);
    PALETTE pal;
    for (int i = 0; i < 256; i++) {
        pal[i].r = (unsigned char)(i / 4);
        pal[i].g = (unsigned char)(63 - i / 4);
        pal[i].b = 7;
    }
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 300; x++)
            pic->line[y][x] = (uint8_t)(x + y);
    ASSERT_EQ(save_pcx("BACK.PCX", pic, pal), 0);
    destroy_bitmap(pic);
    ASSERT_EQ(load_backdrop("BACK.PCX"), 0);
    EXPECT_EQ(backdrop_kind, 3);
    EXPECT_EQ(image_width, 300);
    EXPECT_EQ(image_height, 20);
    EXPECT_EQ(full_map, 1);
    // Centred: (640 - 300) / 2 = 170, (480 - 20) / 2 = 230.
    int i = 5 + 3;
    EXPECT_EQ(at(175, 233), (Px{i / 4 * 4, (63 - i / 4) * 4, 28}));
    EXPECT_EQ(surface_map->line[3][5], i);
}

TEST_F(Backdrop_readers, unknown_formats_are_refused)
{
    std::vector<uint8_t> tga32 = make_tga(2, 2, 32);
    tga32[16] = 32;
    write_file_bytes("T32.TGA", tga32);
    std::vector<uint8_t> rle = make_tga(2, 2, 32);
    rle[2] = 10;
    write_file_bytes("RLE.TGA", rle);
    std::vector<uint8_t> mapped = make_tga(2, 2, 32);
    mapped[2] = 1;
    write_file_bytes("MAP.TGA", mapped);
    write_file_bytes("TINY.TGA", {2});
    for (const char* name : {"T32.TGA", "RLE.TGA", "MAP.TGA", "TINY.TGA"}) {
        prompt_log.clear();
        EXPECT_EQ(load_backdrop(name), 1) << name;
        EXPECT_TRUE(told("Unknown Image format error!")) << name;
    }
    write_file_bytes("HI.BMP", make_bmp(4, 4, 24));
    EXPECT_EQ(load_backdrop("HI.BMP"), 1);
    EXPECT_TRUE(told("NOT a 256 colour BMP image!"));
}

TEST_F(Backdrop_readers, hostile_files_get_a_message_and_no_crash)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> short_rows = make_tga(100, 100, 32);
    short_rows.resize(18 + 3 * 100 * 50 + 7);
    std::vector<uint8_t> header_only = make_tga(0, 0, 0);
    header_only[12] = header_only[14] = 0xff;
    header_only[13] = header_only[15] = 0x7f; // 32,767 x 32,767 and no pixels
    std::vector<uint8_t> id_past_end = make_tga(1, 1, 32);
    id_past_end[0] = 200;
    std::vector<uint8_t> bmp_cut = make_bmp(4, 4);
    bmp_cut.resize(40);
    std::vector<uint8_t> bmp_palette_cut = make_bmp(4, 4);
    bmp_palette_cut.resize(300);
    std::vector<uint8_t> bmp_huge = make_bmp(4, 4);
    put32(bmp_huge, 18, 0x7fffffff);
    std::vector<uint8_t> bmp_rows_cut = make_bmp(64, 64, 8, 10);
    Case cases[] = {{"SHORT.TGA", short_rows}, {"HEAD.TGA", header_only}, {"ID.TGA", id_past_end},
                    {"CUT.BMP", bmp_cut},      {"PAL.BMP", bmp_palette_cut}, {"HUGE.BMP", bmp_huge},
                    {"ROWS.BMP", bmp_rows_cut}};
    for (const Case& c : cases) {
        write_file_bytes(c.name, c.bytes);
        prompt_log.clear();
        EXPECT_EQ(load_backdrop(c.name), 1) << c.name;
        ASSERT_FALSE(prompt_log.empty()) << c.name;
    }
    // Messages of our own name the file.
    prompt_log.clear();
    load_backdrop("SHORT.TGA");
    EXPECT_TRUE(told("SHORT.TGA"));

    // Negative and zero sizes paint nothing and are no error.
    clear_to_color(frame_buffer, 0);
    std::vector<uint8_t> negative = make_tga(2, 2, 32);
    negative[13] = 0xff; // width -254
    write_file_bytes("NEG.TGA", negative);
    EXPECT_EQ(load_backdrop("NEG.TGA"), 0);
    std::vector<uint8_t> bmp_neg_w = make_bmp(4, 4);
    put32(bmp_neg_w, 18, (uint32_t)-4);
    write_file_bytes("NEGW.BMP", bmp_neg_w);
    EXPECT_EQ(load_backdrop("NEGW.BMP"), 0);
    for (int y = 0; y < 480; y += 5)
        for (int x = 0; x < 640; x += 5)
            ASSERT_EQ(at(x, y), (Px{0, 0, 0}));
}

TEST_F(Backdrop_readers, missing_file_asks_whether_to_go_on)
{
    EXPECT_EQ(load_backdrop("NOWHERE.TGA"), 27);
    EXPECT_TRUE(told("Error reading NOWHERE.TGA file."));
    console_ok_key = 'Y';
    EXPECT_EQ(load_backdrop("NOWHERE.TGA"), 0);
}

TEST_F(Backdrop_readers, replay_reads_but_paints_nothing)
{
    write_file_bytes("B.TGA", make_tga(4, 3, 32));
    replay_only = true;
    EXPECT_EQ(load_backdrop("B.TGA"), 0);
    replay_only = false;
    EXPECT_EQ(image_width, 4);
    EXPECT_EQ(at(318, 238), (Px{0, 0, 0}));
    // A broken file stops a replay exactly where it stops a real frame.
    std::vector<uint8_t> cut = make_tga(4, 3, 32);
    cut.resize(30);
    write_file_bytes("CUT.TGA", cut);
    replay_only = true;
    EXPECT_EQ(load_backdrop("CUT.TGA"), 1);
    replay_only = false;
}

TEST_F(Backdrop_readers, preview_of_the_top_left_quarter)
{
    BITMAP* saved = screen_buffer;
    screen_buffer = create_bitmap_ex(8, 640, 480);
    clear_to_color(screen_buffer, 99);
    for (int i = 0; i < 256; i++)
        screen_colours[i] = i;
    screen_colours[216] = 216;
    std::vector<uint8_t> tga = make_tga(640, 480, 32);
    // Pixel (0, 0) black, (1, 0) dark (20, 10, 24), (2, 0) grey 30.
    const uint8_t bgr[3][3] = {{0, 0, 0}, {24, 10, 20}, {30, 30, 30}};
    for (int k = 0; k < 3; k++)
        memcpy(&tga[18 + 3 * k], bgr[k], 3);
    write_file_bytes("P.TGA", tga);
    flag_param[F_PREVIEW_RGB] = 1;
    ASSERT_EQ(load_backdrop("P.TGA"), 0);
    EXPECT_EQ(getpixel(screen_buffer, 0, 0), 0);
    EXPECT_EQ(getpixel(screen_buffer, 1, 0), 216);
    flag_param[F_PREVIEW_RGB] = 0;
    ASSERT_EQ(load_backdrop("P.TGA"), 0);
    EXPECT_EQ(getpixel(screen_buffer, 2, 0), 30);
    EXPECT_EQ(getpixel(screen_buffer, 1, 0), (20 + 10 + 24) / 3);
    // Beyond 319 x 239 the preview is left alone.
    clear_to_color(screen_buffer, 99);
    ASSERT_EQ(load_backdrop("P.TGA"), 0);
    EXPECT_EQ(getpixel(screen_buffer, 320, 0), 99);
    EXPECT_EQ(getpixel(screen_buffer, 0, 240), 99);
    EXPECT_NE(getpixel(screen_buffer, 319, 239), 99);
    destroy_bitmap(screen_buffer);
    screen_buffer = saved;
}

using Frame_numbered_names = ImageTest;

TEST_F(Frame_numbered_names, examples_at_frame_seven)
{
    int_param[I_THIS_FRAME] = 7;
    apply_parameters();
    mkdir("SUB", 0755);
    for (const char* f : {"SHIP007.TGA", "PLANE007.TGA", "SUB/PLAN007.TGA", "SKY007"})
        write_file_bytes(f, {1});
    struct {
        const char* path;
        const char* numbered;
    } cases[] = {{"SHIP.TGA", "SHIP007.TGA"},
                 {"PLANETS.TGA", "PLANE007.TGA"},
                 {"SUB\\PLANETS.TGA", "SUB\\PLAN007.TGA"},
                 {"SKY", "SKY007"}};
    for (auto& c : cases) {
        strcpy(image_path, "unchanged");
        EXPECT_EQ(frame_numbered_name(c.path), 1) << c.path;
        EXPECT_STREQ(image_path, c.numbered);
    }
    strcpy(image_path, "unchanged");
    EXPECT_EQ(frame_numbered_name("MOON.TGA"), 0);
    EXPECT_STREQ(image_path, "unchanged");
}

TEST_F(Frame_numbered_names, file_search_falls_back_to_the_plain_name)
{
    write_file_bytes("BACK.TGA", make_tga(2, 2, 32));
    std::vector<uint8_t> other = make_tga(2, 2, 32);
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
    write_file_bytes("PICS/BACK.TGA", make_tga(2, 2, 32));
    flag_param[F_PATH_ENABLE] = 1;
    strcpy(str_param[S_BITMAP_PATH], "PICS\\");
    ASSERT_EQ(load_backdrop("BACK.TGA"), 0);
    EXPECT_STREQ(image_path, "PICS\\BACK.TGA");
}

using Object_image = ImageTest;

TEST_F(Object_image, loads_keeps_and_refuses)
{
    write_file_bytes("SHIP.TGA", make_tga(6, 5, 32));
    ASSERT_EQ(load_object_image("SHIP.TGA"), 0);
    ASSERT_NE(object_image, nullptr);
    EXPECT_EQ(image_width, 6);
    EXPECT_EQ(image_height, 5);
    EXPECT_EQ(bitmap_color_depth(object_image), 24);
    BITMAP* held = object_image;

    // Missing and answered Y: the image held from before stays.
    console_ok_key = 'Y';
    EXPECT_EQ(load_object_image("GONE.TGA"), 0);
    EXPECT_EQ(object_image, held);
    console_ok_key = 13;
    EXPECT_EQ(load_object_image("GONE.TGA"), 27);

    write_file_bytes("JUNK.TGA", {1, 2, 3});
    EXPECT_EQ(load_object_image("JUNK.TGA"), 1);
    EXPECT_TRUE(told("Image loading error!"));
}

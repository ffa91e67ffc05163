// Frame generation driver: output names, frame ranges, writer order and
// results, abandoned frames stopping a run, the store a frame leaves behind.
#include <allegro.h>
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "images/images.h" // Required for: object_image, work_palette
#include "platform/platform.h" // Required for: find_data_file
#include "render/batch.h"  // Required for: CarriedState, start_batch
#include "render/render.h" // Required for: bmp_name, frame_done, frame_names
#include "store/canvas.h"  // Required for: RENDER_FRAME, RENDER_PREVIEW, apply_parameters
#include "store/geometry.h" // Required for: tilt_kc, tilt_ks
#include "store/prompt.h"  // Required for: console_ok_key, prompt_log
#include "store/store.h"   // Required for: D_ASPECT, D_BITMAP_DISTANCE, D_PIXELS_PER_DEGREE
#include "render_test.h"
#include "test_support.h"

using namespace render_test;

namespace {

std::vector<std::pair<int, int>> finished; // (frame, result) from frame_done
void record_frame(int frame, int result) { finished.emplace_back(frame, result); }

bool file_written(const char* path) { return !read_file_bytes(path).empty(); }

class Driver : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        clear_store();
        strcpy(str_param[S_PROJECT_NAME], "ABCDEFG");
        int_param[I_END_FRAME] = 3, dbl_param[D_PIXELS_PER_DEGREE] = 1.0;
        finished.clear();
        frame_done = record_frame;
    }
    void TearDown() override
    {
        frame_done = nullptr, replay_only = false;
    }
    static int pixel_red(int x, int y) { return pixel(x, y).r; }
};

} // namespace

using Frame_names = Driver;

// The output path is put in front as given, without a separator.
TEST_F(Frame_names, five_characters_three_digits_after_the_output_path)
{
    flag_param[F_PATH_ENABLE] = 1;
    strcpy(str_param[S_OUTPUT_PATH], "out");
    const char* cases[][2] = {{"ABCDEFG", "outABCDE007."}, {"AB", "outAB007."}};
    for (const auto& c : cases) {
        strcpy(str_param[S_PROJECT_NAME], c[0]);
        int_param[I_THIS_FRAME] = 7;
        apply_parameters();
        frame_names();
        EXPECT_EQ(std::string(tga_name), std::string(c[1]) + "tga");
        EXPECT_EQ(std::string(bmp_name), std::string(c[1]) + "bmp");
    }
}

using Generate_frames = Driver;

TEST_F(Generate_frames, every_frame_of_the_run_is_written)
{
    add_sky(40, 0, 99, 10.0);
    flag_param[F_SAVE_TGA] = 1, flag_param[F_SAVE_BMP] = 1;
    EXPECT_EQ(generate_all(RENDER_FRAME | RENDER_PREVIEW), 0);
    for (const char* f : {"ABCDE000.tga", "ABCDE003.tga", "ABCDE000.bmp", "ABCDE003.bmp"})
        EXPECT_TRUE(file_written(f)) << f;
    EXPECT_FALSE(file_written("ABCDE004.tga"));
    EXPECT_EQ(int_param[I_THIS_FRAME], 3);
    EXPECT_EQ(current_frame(), 3);
    ASSERT_EQ(finished.size(), 4u);
    EXPECT_EQ(finished[3], std::make_pair(3, 0));
    // Without a save flag nothing is written.
    flag_param[F_SAVE_TGA] = flag_param[F_SAVE_BMP] = 0;
    int_param[I_START_FRAME] = int_param[I_END_FRAME] = 5;
    EXPECT_EQ(generate_all(RENDER_FRAME), 0);
    EXPECT_EQ(pixel_red(10, 10), 40);
    EXPECT_FALSE(file_written("ABCDE005.tga") || file_written("ABCDE005.bmp"));
}

TEST_F(Generate_frames, far_to_near_and_the_store_keeps_the_last_object)
{
    add_sky(30, 0, 9, 5.0);  // near: drawn last
    add_sky(80, 0, 9, 50.0); // far
    add_sky(120, 5, 9, 1.0); // nearest, out of range at frame 0
    int_param[I_THIS_FRAME] = 0;
    apply_parameters();
    EXPECT_EQ(generate_frame(RENDER_FRAME), 0);
    EXPECT_EQ(pixel_red(0, 0), 30);
    // The nearest object was restored last even though it was not drawn.
    EXPECT_EQ(int_param[I_COLOUR_ONE], 120);
    EXPECT_EQ(page_frames[PAGE_SKY].start, 5);
    // Out of its range an object is skipped: the frame is only cleared.
    clear_objects();
    add_sky(40, 2, 2, 10.0);
    int_param[I_THIS_FRAME] = 1;
    apply_parameters();
    EXPECT_EQ(generate_frame(RENDER_FRAME), 0);
    EXPECT_EQ(pixel_red(5, 5), 0);
    // A replay paints and writes nothing.
    int_param[I_THIS_FRAME] = 2, flag_param[F_SAVE_TGA] = flag_param[F_SAVE_BMP] = 1;
    apply_parameters();
    replay_only = true;
    EXPECT_EQ(generate_frame(RENDER_FRAME | RENDER_PREVIEW), 0);
    EXPECT_EQ(pixel_red(5, 5), 0);
    EXPECT_FALSE(file_written("ABCDE002.tga") || file_written("ABCDE002.bmp"));
}

TEST_F(Generate_frames, bmp_is_written_before_the_tga_and_the_tga_result_counts)
{
    add_sky(40, 0, 99, 10.0);
    flag_param[F_SAVE_TGA] = 1, flag_param[F_SAVE_BMP] = 1;
    int_param[I_THIS_FRAME] = 0;
    apply_parameters();
    mkdir("ABCDE000.bmp", 0755); // the BMP cannot replace a directory
    EXPECT_EQ(generate_frame(RENDER_FRAME), 0);
    EXPECT_TRUE(file_written("ABCDE000.tga"));
    rmdir("ABCDE000.bmp");
    remove("ABCDE000.tga");
    mkdir("ABCDE000.tga", 0755); // now the TGA cannot
    EXPECT_NE(generate_frame(RENDER_FRAME), 0);
    EXPECT_TRUE(file_written("ABCDE000.bmp"));
    // A failed write does not stop the run.
    int_param[I_END_FRAME] = 1;
    EXPECT_EQ(generate_all(RENDER_FRAME), 0);
    ASSERT_EQ(finished.size(), 2u);
    EXPECT_NE(finished[0].second, 0);
}

TEST_F(Generate_frames, run_stops_at_the_first_abandoned_frame)
{
    // Numbered backdrops exist for frames 0 and 1 only; the plain one not at all.
    write_file_bytes("BACK000.TGA", plain_tga(4, 4, 200, 0, 0));
    write_file_bytes("BACK001.TGA", plain_tga(4, 4, 0, 200, 0));
    strcpy(str_param[S_BACKDROP], "BACK.TGA");
    flag_param[F_BACKDROP_FILE_SEARCH] = 1, flag_param[F_SAVE_TGA] = 1;
    add_sky(40, 0, 99, 10.0);
    EXPECT_EQ(generate_all(RENDER_FRAME), 27);
    for (int f = 0; f < 4; f++)
        EXPECT_EQ(file_written(("ABCDE00" + std::to_string(f) + ".tga").c_str()), f < 2) << f;
    EXPECT_EQ(int_param[I_THIS_FRAME], 2);
    ASSERT_EQ(finished.size(), 3u);
    EXPECT_EQ(finished[2], std::make_pair(2, 27));
    EXPECT_EQ(prompt_log.back(), "Error reading BACK.TGA file.");

    // Answered Y, the run goes on without a backdrop.
    console_ok_key = 'Y';
    finished.clear();
    EXPECT_EQ(generate_all(RENDER_FRAME), 0);
    EXPECT_EQ(finished.size(), 4u);
    EXPECT_TRUE(file_written("ABCDE003.tga"));
}

TEST_F(Generate_frames, a_missing_bitmap_abandons_the_frame)
{
    strcpy(str_param[S_BITMAP_FILE], "NOSHIP.TGA");
    dbl_param[D_BITMAP_DISTANCE] = 10.0, page_frames[PAGE_BITMAP].start = 0;
    page_frames[PAGE_BITMAP].end = 9;
    insert_object(PAGE_BITMAP);
    flag_param[F_SAVE_TGA] = 1, int_param[I_THIS_FRAME] = 0;
    apply_parameters();
    EXPECT_EQ(generate_frame(RENDER_FRAME), 27);
    EXPECT_FALSE(file_written("ABCDE000.tga"));
    EXPECT_EQ(prompt_log.back(), "Error reading NOSHIP.TGA file.");
}

// A run that starts from a captured state over a fresh start-up goes on
// exactly as the sequential run did, whichever frame it was captured after.
TEST(Carried_state, a_resumed_run_matches_the_sequential_run)
{
    ScratchDir dir;
    char path[1024], ship[1024];
    if (!find_data_file("NOVAMIR.CFG", path, sizeof path) || !find_data_file("SHIP.TGA", ship, sizeof ship))
        GTEST_SKIP() << "the demo project is not built";
    BatchOptions o;
    o.project = path;
    o.read_project = read_project_file;
    console_ok_key = 'Y';
    const bool quiet = console_quiet;
    console_quiet = true;
    // The demo's ship takes a numbered picture on frames 5..10 only; later
    // frames go on with the picture held from frame 10.
    ASSERT_EQ(start_batch(o), 0);
    for (int k = 0; k < object_count; k++)
        if (object_slots[k].type == OBJ_BITMAP) {
            object_slots[k].w[13] = 1; // FILE SEARCH
            strcpy(object_slots[k].name, "GONE.TGA");
        }
    ASSERT_EQ(write_project_file("DEMO.CFG"), 0);
    o.project = "DEMO.CFG";
    for (int f = 5; f <= 10; f++)
        write_file_bytes("GONE0" + std::to_string(f / 10) + std::to_string(f % 10) + ".TGA", read_file_bytes(ship));

    // A fresh worker: start-up, and nothing a frame of this process left.
    auto fresh_worker = [&] {
        ASSERT_EQ(start_batch(o), 0);
        if (object_image)
            destroy_bitmap(object_image);
        object_image = nullptr;
        set_color_conversion(COLORCONV_TOTAL);
        memset(work_palette, 0, sizeof work_palette);
        planet_state = {};
        comet_place = {};
        bitmap_place = {};
        overlay = {};
        tilt_kc = 1.0;
        tilt_ks = 0.0;
        apply_parameters();
    };
    auto frame = [](int f) {
        rs.i[I_THIS_FRAME] = int_param[I_THIS_FRAME] = f;
        EXPECT_EQ(generate_frame(RENDER_FRAME | RENDER_PREVIEW), 0) << f;
        uint64_t h = 0;
        for (int y = 0; y < frame_height(); y++)
            h = h * 31 + fnv1a(frame_buffer->line[y], 3 * (size_t)frame_width());
        return h;
    };
    const int last = 59, splits[] = {7, 23, 47};
    std::vector<std::unique_ptr<CarriedState>> held;
    std::vector<uint64_t> hashes;
    fresh_worker();
    for (int f = 0; f <= last; f++) {
        hashes.push_back(frame(f));
        for (int k : splits)
            if (k == f) {
                held.push_back(std::make_unique<CarriedState>());
                capture_carried_state(held.back().get());
            }
    }
    EXPECT_NE(hashes[23], hashes[24]);
    for (size_t n = 0; n < held.size(); n++) {
        fresh_worker();
        restore_carried_state(*held[n]);
        for (int f = splits[n] + 1; f <= last; f++)
            ASSERT_EQ(frame(f), hashes[f]) << "resumed after frame " << splits[n] << ", at frame " << f;
    }
    console_quiet = quiet, console_ok_key = 13;
}

// Project files: names, layout, identity, refusals, safe saves, and the novamir-project tool.
#include "shell_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "platform/bytes.h"       // Required for: get_u32
#include "platform/platform.h"    // Required for: find_data_file
#include "shell/project_json.h" // Required for: PROJECT_JSON_MAX_SIZE
#include "shell/project_layout.h" // Required for: ProjectImage, capture_project, encode_project
#include "shell/shell.h"          // Required for: insert_object, load_project, load_startup_project
#include "store/prompt.h"         // Required for: console_yes_no_key, prompt_log
#include "store/records.h"        // Required for: MAX_OBJECTS, OBJECT_NAME_LEN, OBJECT_RECORD_SIZE
#include "store/store.h"          // Required for: DBL_PARAMS, D_REF_DISTANCE, I_END_FRAME
#include "test_support.h"

namespace {

uint32_t u32_at(const std::vector<uint8_t>& b, size_t at) { return get_u32(&b[at]); }

// Everything a load may change, as bytes.
std::vector<uint8_t> state()
{
    std::unique_ptr<ProjectImage> p(new ProjectImage);
    capture_project(p.get());
    std::vector<uint8_t> b = encode_project(*p);
    b.insert(b.end(), (const uint8_t*)object_slots, (const uint8_t*)(object_slots + MAX_OBJECTS));
    b.insert(b.end(), (const uint8_t*)list_order, (const uint8_t*)(list_order + MAX_OBJECTS));
    return b;
}

class Project_file : public ShellTest {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        ShellTest::SetUp();
        for (int i = 0; i < DBL_PARAMS; i++)
            dbl_param[i] = i / 7.0;
        int_param[I_WIDTH] = 320, int_param[I_HEIGHT] = 240;
    }
    void TearDown() override
    {
        ShellTest::TearDown();
        project_frame_width = project_frame_height = 0;
    }
    // Three objects inserted near to far, so slot order differs from list order.
    void three_objects()
    {
        for (double d : {5.0, 50.0, 20.0})
            add_object(d == 50.0 ? OBJ_COMET : OBJ_RING, d);
    }
};

TEST_F(Project_file, name_cut_at_the_first_dot_on_a_copy_when_saving_in_place_when_loading)
{
    char out[64];
    project_file_name("A/B.C", out, sizeof out);
    EXPECT_STREQ(out, "A.CFG");
    strcpy(str_param[S_PROJECT_NAME], "MARS.OLD");
    EXPECT_EQ(save_project(), 0);
    EXPECT_TRUE(said("Overwrite project MARS.CFG?"));
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS.OLD");
    console_yes_no_key = 'N';
    EXPECT_EQ(load_project(), 0);
    EXPECT_TRUE(said("Load project MARS.CFG?"));
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS");
    EXPECT_EQ(memcmp(str_param[S_PROJECT_NAME] + 5, "OLD", 3), 0); // the tail stays behind the NUL
    console_yes_no_key = 'Y';
    EXPECT_EQ(load_project(), 0);
    EXPECT_STREQ(str_param[S_PROJECT_NAME], "MARS.OLD"); // as the file holds it
}

TEST_F(Project_file, layout_of_three_objects_in_list_order)
{
    ASSERT_EQ(write_project_file("E.CFG"), 0);
    EXPECT_EQ(read_file_bytes("E.CFG").size(), 928u);
    three_objects();
    current_object = 1, choice_list[5].current = 4;
    int_param[39] = -5;
    strcpy(str_param[7], "XY");
    ASSERT_EQ(write_project_file("P.CFG"), 0);
    std::vector<uint8_t> b = read_file_bytes("P.CFG");
    ASSERT_EQ(b.size(), 1900u);
    EXPECT_EQ(memcmp(&b[8], &dbl_param[1], 8), 0);
    // An integer, a choice, the object count, the current object, the first
    // record's type (50, then 20, then 5).
    const uint32_t fields[][2] = {{320 + 4 * 39, (uint32_t)-5}, {560 + 4 * 5, 4}, {920, 3}, {924, 1},
                                  {928, (uint32_t)OBJ_COMET}};
    for (auto& f : fields)
        EXPECT_EQ(u32_at(b, f[0]), f[1]) << f[0];
    EXPECT_EQ(memcmp(&b[600 + 7 * 40], "XY\0", 3), 0);
    EXPECT_EQ(memcmp(&b[928 + 648 + 300], "Ring\0", 5), 0);
}

TEST_F(Project_file, load_save_load_is_byte_identical)
{
    three_objects();
    current_object = 3; // after the last object: stays so
    ASSERT_EQ(write_project_file("A.CFG"), 0);
    std::vector<uint8_t> a = read_file_bytes("A.CFG");
    // The same records in another order load into other slots.
    std::vector<uint8_t> shuffled(a.begin(), a.begin() + 928);
    shuffled.insert(shuffled.end(), a.begin() + 928 + 648, a.end());
    shuffled.insert(shuffled.end(), a.begin() + 928, a.begin() + 928 + 648);
    write_file_bytes("B.CFG", shuffled);
    reset_store();
    clear_objects();
    ASSERT_EQ(read_project_file("B.CFG"), 0);
    EXPECT_EQ(current_object, 3);
    ASSERT_EQ(write_project_file("C.CFG"), 0);
    EXPECT_EQ(read_file_bytes("C.CFG"), a);
}

TEST_F(Project_file, malformed_files_are_refused_with_nothing_changed)
{
    three_objects();
    ASSERT_EQ(write_project_file("GOOD.CFG"), 0);
    std::vector<uint8_t> good = read_file_bytes("GOOD.CFG");
    dbl_param[3] = 99.0; // the store differs from the file now
    strcpy(str_param[S_PROJECT_NAME], "BAD");
    current_object = 2;
    std::vector<uint8_t> before = state();
    auto with_u32 = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> b = good;
        for (int k = 0; k < 4; k++)
            b[at + k] = (uint8_t)(v >> (8 * k));
        return b;
    };
    auto with_name = [&](size_t at) { // 40-byte string or 24-byte object name, no NUL
        std::vector<uint8_t> b = good;
        memset(&b[at], 'A', at < 928 ? 40 : OBJECT_NAME_LEN);
        return b;
    };
    const size_t last_name = good.size() - OBJECT_RECORD_SIZE + 300; // the last record's name
    const struct {
        std::vector<uint8_t> bytes;
        const char* why;
    } bad[] = {
        {std::vector<uint8_t>(good.begin(), good.begin() + 927), "shorter than its settings blocks"},
        {std::vector<uint8_t>(good.begin(), good.end() - 1), "shorter than its object records"},
        {with_u32(920, 4), "shorter than its object records"},
        {with_u32(920, 65), "object count outside 0..64"},
        {with_u32(920, 0xFFFFFFFF), "object count outside 0..64"},
        {with_u32(560 + 4 * 2, 5), "a choice selection outside its list"}, // comet type list has 5 labels
        {with_name(640), "a string without its terminating NUL"},
        {with_name(last_name), "an object name without its terminating NUL"},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.why);
        write_file_bytes("BAD.CFG", c.bytes);
        prompt_log.clear();
        EXPECT_EQ(load_project(), 27);
        EXPECT_TRUE(said("Error reading BAD.CFG file."));
        EXPECT_TRUE(said(std::string("BAD.CFG: not a project file: ") + c.why));
        EXPECT_EQ(state(), before);
    }
    prompt_log.clear();
    strcpy(str_param[S_PROJECT_NAME], "NOSUCHPRJ");
    EXPECT_EQ(load_project(), 27);
    EXPECT_TRUE(said("Cannot find NOSUCHPRJ.CFG file!"));
    EXPECT_EQ(prompt_log.size(), 1u);
}

TEST_F(Project_file, answering_no_still_checks_the_frame_size)
{
    strcpy(str_param[S_PROJECT_NAME], "SIZE");
    ASSERT_EQ(write_project_file("SIZE.CFG"), 0);
    int_param[I_WIDTH] = 1000, int_param[I_HEIGHT] = 100;
    dbl_param[0] = 77.0;
    project_frame_width = 640;
    project_frame_height = 480;
    console_yes_no_key = 'N';
    EXPECT_EQ(load_project(), 0);
    EXPECT_EQ(dbl_param[0], 77.0);
    EXPECT_TRUE(said("1000x100 exceeds Page size!") && said("SIZE ADJUSTED!"));
    EXPECT_EQ(std::make_pair(int_param[I_WIDTH], int_param[I_HEIGHT]), std::make_pair(640, 480));
}

// Values no frame could be rendered with are cut into their ranges on
// loading, each with a message naming the file; sound values are untouched.
TEST_F(Project_file, absurd_sizes_and_frame_numbers_are_cut_with_a_message)
{
    insert_object(OBJ_SKY);
    strcpy(str_param[S_PROJECT_NAME], "CUT");
    const struct {
        int param;
        int32_t value, kept;
        const char* message; // nullptr: no message
    } cases[] = {
        {I_WIDTH, -1, 0, "CUT.CFG: WIDTH -1 is cut to 0"},
        {I_HEIGHT, INT32_MIN, 0, "CUT.CFG: HEIGHT -2147483648 is cut to 0"},
        {I_END_FRAME, INT32_MAX, 999, "CUT.CFG: END FRAME 2147483647 is cut to 999"},
        {I_START_FRAME, -5, 0, "CUT.CFG: START FRAME -5 is cut to 0"},
        {I_START_X, INT32_MIN, -(1 << 20), "CUT.CFG: START X -2147483648 is cut to -1048576"},
        {I_WIDTH, 640, 640, nullptr},
        {I_END_Y, -2000, -2000, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        int_param[I_WIDTH] = 320, int_param[c.param] = c.value;
        ASSERT_EQ(write_project_file("CUT.CFG"), 0);
        prompt_log.clear();
        ASSERT_EQ(read_project_file("CUT.CFG"), 0);
        EXPECT_EQ(int_param[c.param], c.kept);
        EXPECT_EQ(prompt_log, c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        int_param[c.param] = 0;
    }
    // A sky object keeps its rectangle in its record: cut there too.
    object_slots[list_order[0]].w[1] = -7;
    object_slots[list_order[0]].w[4] = INT32_MAX;
    ASSERT_EQ(write_project_file("CUT.CFG"), 0);
    prompt_log.clear();
    ASSERT_EQ(read_project_file("CUT.CFG"), 0);
    EXPECT_EQ(object_slots[0].w[1], 0);
    EXPECT_EQ(object_slots[0].w[4], 1 << 20);
    EXPECT_TRUE(said("CUT.CFG: object 1 START FRAME -7 is cut to 0"));
    EXPECT_TRUE(said("CUT.CFG: object 1 END X 2147483647 is cut to 1048576"));
}

// LOAD PROJECT reads the current directory only; start-up alone may offer
// the project of that name from the data directory (the demo).
TEST_F(Project_file, load_reads_the_current_directory_and_start_up_may_offer_the_demo)
{
    char demo[1024];
    if (!find_data_file("NOVAMIR.CFG", demo, sizeof demo))
        GTEST_SKIP() << "no demo project built";
    strcpy(str_param[S_PROJECT_NAME], "NOVAMIR");
    std::vector<uint8_t> before = state();
    EXPECT_EQ(load_project(), 27);
    EXPECT_TRUE(said("Cannot find NOVAMIR.CFG file!"));
    EXPECT_EQ(state(), before);
    prompt_log.clear();
    EXPECT_EQ(load_startup_project(), 0);
    ASSERT_EQ(prompt_log.size(), 2u);
    EXPECT_NE(prompt_log[0].find("offering " + std::string(demo) + " from the data directory"), std::string::npos);
    EXPECT_EQ(prompt_log[1], "Load project NOVAMIR.CFG?");
    EXPECT_NE(state(), before);
}

TEST_F(Project_file, a_failed_save_keeps_the_old_file)
{
    ASSERT_EQ(write_project_file("NOVAMIR.CFG"), 0);
    std::vector<uint8_t> old = read_file_bytes("NOVAMIR.CFG");
    console_yes_no_key = 'N';
    three_objects();
    EXPECT_EQ(save_project(), 0);
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), old);
    console_yes_no_key = 'Y';
    {
        FileSizeLimit full_disk(1000); // stops the 1,900-byte write after 1,000 bytes
        EXPECT_EQ(save_project(), 27);
    }
    EXPECT_TRUE(said("Error writing NOVAMIR.CFG file!"));
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG"), old);
    auto entries = std::filesystem::directory_iterator(".");
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1); // no temporary left
    // A target that cannot be replaced stays too.
    std::filesystem::create_directory("DIR.CFG");
    EXPECT_EQ(write_project_file("DIR.CFG"), -1);
    EXPECT_TRUE(std::filesystem::is_directory("DIR.CFG"));
    EXPECT_EQ(save_project(), 0);
    EXPECT_EQ(read_file_bytes("NOVAMIR.CFG").size(), 1900u);
}

} // namespace

namespace {

const std::string tool = std::string(NOVAMIR_BIN_DIR) + "/novamir-project";

// Runs the tool; returns its exit status, with stderr in stderr.txt.
int run(const std::string& args)
{
    int status = std::system((tool + " " + args + " 2>stderr.txt").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void expect_round_trip(const std::string& cfg)
{
    ASSERT_EQ(run("dump " + cfg + " >dump.json"), 0) << read_file_text("stderr.txt");
    ASSERT_EQ(run("build dump.json -o back.CFG"), 0) << read_file_text("stderr.txt");
    EXPECT_EQ(read_file_bytes("back.CFG"), read_file_bytes(cfg));
}

class Project_tool : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string json; // the dump of S.CFG: one object of every type, written by the program
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(tool)) << tool << " is not built";
        reset_store();
        clear_objects();
        for (int i = 0; i < DBL_PARAMS; i++)
            dbl_param[i] = 1.0 / (i + 3); // no short decimal form
        int_param[I_WIDTH] = 640, int_param[I_COMET_TYPE] = choice_list[2].current = 3;
        for (int p = 1; p <= 5; p++) {
            dbl_param[D_REF_DISTANCE] = 10.0 * p;
            insert_object(p);
        }
        strcpy(str_param[S_PROJECT_NAME], "MARS.OLD");
        str_param[S_PROJECT_NAME][4] = 0; // a name cut in place keeps its tail
        dbl_param[5] = -0.0, dbl_param[6] = 5e-324;
        ASSERT_EQ(write_project_file("S.CFG"), 0);
        ASSERT_EQ(run("dump S.CFG >S.json"), 0);
        json = read_file_text("S.json");
    }
};

// The program's own file names its entries, choices and objects; it, any
// file that follows the layout (every double bit pattern, NaNs, a tail,
// unknown types) and a new project build back byte for byte.
TEST_F(Project_tool, dump_names_the_entries_and_every_file_of_the_layout_builds_back)
{
    for (const char* key : {"\"PLANET X CENTRE\"", "\"COMET X CENTRE\"", "\"REF DISTANCE\"", "\"integer 20\"",
                            "\"COMET TYPE\": \"Halo\"", "\"type\": \"BITMAP\"", "\"BITMAP DISTANCE (d2)\"",
                            "\"name\": \"STAR FIELD\"", "\"raw\""})
        EXPECT_NE(json.find(key), std::string::npos) << key;
    expect_round_trip("S.CFG");

    std::mt19937_64 rng(20240601);
    for (int trial = 0; trial < 8; trial++) {
        SCOPED_TRACE(trial);
        int count = trial == 0 ? 0 : trial == 1 ? 64 : (int)(rng() % 65);
        std::vector<uint8_t> b(928 + 324 * count + (trial % 3 == 2 ? 5 : 0));
        for (uint8_t& x : b)
            x = (uint8_t)rng();
        for (int s = 0; trial % 2 && s < 8; s++)
            snprintf((char*)&b[600 + 40 * s], 40, "S%d", s);
        memcpy(&b[920], &count, 4);
        const int32_t types[7] = {1, 2, 3, 4, 5, -1, 9};
        for (int o = 0; o < count; o++)
            memcpy(&b[928 + 324 * o], &types[rng() % 7], 4);
        write_file_bytes("R.CFG", b);
        expect_round_trip("R.CFG");
    }

    int rc = run("new -o N.CFG");
    if (rc != 0 && read_file_text("stderr.txt").find("not found") != std::string::npos)
        GTEST_SKIP() << "no planet database built: " << read_file_text("stderr.txt");
    ASSERT_EQ(rc, 0) << read_file_text("stderr.txt");
    std::vector<uint8_t> b = read_file_bytes("N.CFG");
    ASSERT_EQ(b.size(), 928u);
    EXPECT_EQ(memcmp(&b[600], "NOVAMIR\0", 8), 0);
}

TEST_F(Project_tool, bad_input_is_refused_naming_file_and_key_and_writes_nothing)
{
    size_t first = json.find("    {\n      \"type\": \"SKY\"");
    std::string sky = json.substr(first, json.find("\n    }", first) + 6 - first);
    std::string many = json;
    for (int i = 0; i < 60; i++)
        many.insert(first, sky + ",\n");
    // (text replaced in the good file, its replacement, what the message names);
    // an empty first column gives the replacement as the whole file.
    const std::string cases[][3] = {
        {"", json.substr(0, json.size() / 2), "not valid JSON"},
        {"\"FRAME SPAN\"", "\"FRAME SPAM\"", ": integers/FRAME SPAM: unknown key"},
        {"\"WIDTH\": 640", "\"WIDTH\": \"wide\"", ": integers/WIDTH: expected a whole number"},
        {"\"WIDTH\": 640", "\"WIDTH\": 3000000000", ": integers/WIDTH: whole number outside"},
        {"\"WIDTH\": 640", "\"WIDTH\": 640, \"WIDTH\": 1", ": integers/WIDTH: key given twice"},
        {"\"PHASE\": ", "\"PHASE\": -1e999, \"x\": ", ": decimals/PHASE: number -1e999 does not fit"},
        {"\"COMET TYPE\": \"Halo\"", "\"COMET TYPE\": \"Comet\"", ": choices/COMET TYPE: unknown label"},
        {"\"REF DISTANCE (d9)\"", "\"REF DISTANCE (d8)\"", "]/fields/REF DISTANCE (d8): unknown key"},
        {"\"type\": \"SKY\"", "\"type\": \"STAR\"", "objects[3]/type: unknown type"},
        {"\"BACKDROP\": \"SHIP.TGA\"", "\"BACKDROP\": \"" + std::string(40, 'A') + "\"", ": strings/BACKDROP: text longer"},
        {"\"type\": \"SKY\"", "\"type\": " + std::string(20, '['), "objects[3]/type[0][0][0][0][0]: nested deeper than 8"},
        {"", many, ": objects: 65 objects"},
        {"", std::string(PROJECT_JSON_MAX_SIZE + 1, ' '), ": (top): 4194305 bytes"},
    };
    write_file_bytes("old.CFG", {7, 7, 7});
    for (const auto& [from, to, key] : cases) {
        SCOPED_TRACE(key);
        std::string bad = json;
        size_t at = from.empty() ? 0 : bad.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        bad = from.empty() ? to : bad.replace(at, from.size(), to);
        write_file_bytes("bad.json", std::vector<uint8_t>(bad.begin(), bad.end()));
        EXPECT_EQ(run("build bad.json -o old.CFG"), 1);
        EXPECT_NE(read_file_text("stderr.txt").find("bad.json"), std::string::npos) << read_file_text("stderr.txt");
        EXPECT_NE(read_file_text("stderr.txt").find(key), std::string::npos) << read_file_text("stderr.txt");
        EXPECT_EQ(read_file_bytes("old.CFG"), (std::vector<uint8_t>{7, 7, 7}));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 5); // no temporaries
}

// A frame size the renderers cannot make as it is gets a warning; the file
// is written all the same.
TEST_F(Project_tool, frame_sizes_are_checked_against_what_the_renderers_make)
{
    const std::pair<std::string, const char*> sizes[] = {
        {"\"WIDTH\": 1920", "WIDTH x HEIGHT 1920 x 480: novamir-render makes frames of this size"},
        {"\"WIDTH\": 9000", "WIDTH x HEIGHT 9000 x 480: novamir-render makes frames of 16 to 8192"},
        {"\"WIDTH\": 8", "WIDTH x HEIGHT 8 x 480: novamir-render makes frames of 16 to 8192"},
        {"\"WIDTH\": 640", ""}};
    for (const auto& [width, said] : sizes) {
        std::string text = json;
        text.replace(text.find("\"WIDTH\": 640"), 12, width);
        text.replace(text.find("\"HEIGHT\": 0"), 11, "\"HEIGHT\": 480");
        write_file_bytes("size.json", std::vector<uint8_t>(text.begin(), text.end()));
        const int status = run("build size.json -o size.CFG");
        const std::string told = read_file_text("stderr.txt");
        EXPECT_EQ(status, 0);
        EXPECT_EQ(told.substr(0, told.find(" pixels a side")).substr(0, told.find("; the program")),
                  *said ? "novamir-project: size.json: " + std::string(said) : "");
    }
}

} // namespace

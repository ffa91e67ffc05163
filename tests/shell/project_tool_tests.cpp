// novamir-project: dump then build gives the file back byte for byte, and
// bad JSON is refused with the file and key named and nothing written.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "shell/project_json.h" // Required for: PROJECT_JSON_MAX_SIZE
#include "shell/shell.h"        // Required for: insert_object, write_project_file
#include "store/records.h"      // Required for: clear_objects
#include "store/store.h"        // Required for: DBL_PARAMS, D_REF_DISTANCE, I_COMET_TYPE
#include "test_support.h"

namespace {

const std::string tool = std::string(NOVAMIR_BIN_DIR) + "/novamir-project";

std::string text_of(const std::string& path)
{
    std::vector<uint8_t> b = read_file_bytes(path);
    return std::string(b.begin(), b.end());
}

// Runs the tool; returns its exit status, with stderr in stderr.txt.
int run(const std::string& args)
{
    int status = std::system((tool + " " + args + " 2>stderr.txt").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void expect_round_trip(const std::string& cfg)
{
    ASSERT_EQ(run("dump " + cfg + " >dump.json"), 0) << text_of("stderr.txt");
    ASSERT_EQ(run("build dump.json -o back.CFG"), 0) << text_of("stderr.txt");
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
        int_param[I_WIDTH] = 640;
        int_param[I_COMET_TYPE] = choice_list[2].current = 3;
        for (int p = 1; p <= 5; p++) {
            dbl_param[D_REF_DISTANCE] = 10.0 * p;
            insert_object(p);
        }
        strcpy(str_param[S_PROJECT_NAME], "MARS.OLD");
        str_param[S_PROJECT_NAME][4] = 0; // a name cut in place keeps its tail
        dbl_param[5] = -0.0;
        dbl_param[6] = 5e-324;
        ASSERT_EQ(write_project_file("S.CFG"), 0);
        ASSERT_EQ(run("dump S.CFG >S.json"), 0);
        json = text_of("S.json");
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
    if (rc != 0 && text_of("stderr.txt").find("not found") != std::string::npos)
        GTEST_SKIP() << "no planet database built: " << text_of("stderr.txt");
    ASSERT_EQ(rc, 0) << text_of("stderr.txt");
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
        EXPECT_NE(text_of("stderr.txt").find("bad.json"), std::string::npos) << text_of("stderr.txt");
        EXPECT_NE(text_of("stderr.txt").find(key), std::string::npos) << text_of("stderr.txt");
        EXPECT_EQ(read_file_bytes("old.CFG"), (std::vector<uint8_t>{7, 7, 7}));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 5); // no temporaries
}

} // namespace

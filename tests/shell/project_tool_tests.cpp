// novamir-project: dump then build gives the file back byte for byte, and
// bad JSON is refused with the file and key named and nothing written.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "scene/scene.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

const std::string tool = std::string(NOVAMIR_BIN_DIR) + "/novamir-project";

// Runs the tool; returns its exit status, with stderr in *err.
int run(const std::string& args, std::string* err = nullptr)
{
    std::string cmd = tool + " " + args + " 2>stderr.txt";
    int status = std::system(cmd.c_str());
    if (err) {
        std::vector<uint8_t> e = read_file_bytes("stderr.txt");
        err->assign(e.begin(), e.end());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string text_of(const std::string& path)
{
    std::vector<uint8_t> b = read_file_bytes(path);
    return std::string(b.begin(), b.end());
}

void write_text(const std::string& path, const std::string& text)
{
    write_file_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

class Project_tool : public ::testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(tool)) << tool << " is not built";
        reset_store();
        clear_objects();
    }
    // dump FILE, build it back, compare.
    void expect_round_trip(const std::string& cfg)
    {
        ASSERT_EQ(run("dump " + cfg + " >dump.json"), 0) << text_of("stderr.txt");
        ASSERT_EQ(run("build dump.json -o back.CFG"), 0) << text_of("stderr.txt");
        EXPECT_EQ(read_file_bytes("back.CFG"), read_file_bytes(cfg));
    }
    // A small project with one object of every type, written by the program.
    void sample_project()
    {
        for (int i = 0; i < DBL_PARAMS; i++)
            dbl_param[i] = 1.0 / (i + 3); // no short decimal form
        for (int i = 0; i < INT_PARAMS; i++)
            int_param[i] = i * 1000 - 7;
        int_param[I_COMET_TYPE] = 3;
        choice_list[2].current = 3;
        for (int p = 1; p <= 5; p++) {
            page_frames[p] = {p, 10 * p};
            dbl_param[D_REF_DISTANCE] = 10.0 * p;
            insert_object(p);
        }
        strcpy(str_param[S_PROJECT_NAME], "MARS.OLD");
        str_param[S_PROJECT_NAME][4] = 0; // a name cut in place keeps its tail
        dbl_param[5] = -0.0;
        dbl_param[6] = 5e-324;
        dbl_param[7] = 1.7976931348623157e308;
        ASSERT_EQ(write_project_file("S.CFG"), 0);
    }
};

TEST_F(Project_tool, dump_names_entries_choices_and_objects)
{
    sample_project();
    ASSERT_EQ(run("dump S.CFG >dump.json"), 0);
    std::string j = text_of("dump.json");
    for (const char* key : {"\"PLANET X CENTRE\"", "\"COMET X CENTRE\"", "\"REF DISTANCE\"", "\"integer 20\"",
                            "\"decimal 27\"", "\"flag 0\"", "\"COMET TYPE\": \"Halo\"", "\"STARS ENABLE\": \"North\"",
                            "\"type\": \"PLANET\"", "\"type\": \"BITMAP\"", "\"REF DISTANCE (d9)\"",
                            "\"BITMAP DISTANCE (d2)\"", "\"name\": \"STAR FIELD\"", "\"raw\"",
                            "\"PROJECT NAME\""})
        EXPECT_NE(j.find(key), std::string::npos) << key;
    expect_round_trip("S.CFG");
}

TEST_F(Project_tool, any_file_that_follows_the_layout_round_trips)
{
    std::mt19937_64 rng(20240601);
    for (int trial = 0; trial < 12; trial++) {
        SCOPED_TRACE(trial);
        int count = trial % 4 == 0 ? 0 : (int)(rng() % 65);
        std::vector<uint8_t> b(928 + 324 * count + (trial % 3 == 2 ? 5 : 0));
        for (uint8_t& x : b)
            x = (uint8_t)rng();
        // Half the time readable strings and names, so both forms are used.
        if (trial % 2)
            for (int s = 0; s < 8; s++)
                snprintf((char*)&b[600 + 40 * s], 40, "S%d", s);
        for (int k = 0; k < 4; k++)
            b[920 + k] = (uint8_t)(count >> (8 * k));
        // Types: mostly real ones, sometimes a code no page has.
        for (int o = 0; o < count; o++) {
            int32_t types[7] = {1, 2, 3, 4, 5, -1, 9};
            int32_t t = types[rng() % 7];
            memcpy(&b[928 + 324 * o], &t, 4);
        }
        write_file_bytes("R.CFG", b);
        expect_round_trip("R.CFG");
    }
}

TEST_F(Project_tool, new_project_holds_the_database_start_values)
{
    std::string err;
    int rc = run("new -o N.CFG", &err);
    if (rc != 0 && err.find("not found") != std::string::npos)
        GTEST_SKIP() << "no planet database built: " << err;
    ASSERT_EQ(rc, 0) << err;
    std::vector<uint8_t> b = read_file_bytes("N.CFG");
    ASSERT_EQ(b.size(), 928u);
    EXPECT_EQ(memcmp(&b[600], "NOVAMIR\0", 8), 0);
    EXPECT_EQ(b[560 + 4], 1); // STARS ENABLE starts at North
    expect_round_trip("N.CFG");
}

TEST_F(Project_tool, bad_input_is_refused_naming_file_and_key_and_writes_nothing)
{
    sample_project();
    ASSERT_EQ(run("dump S.CFG >dump.json"), 0);
    std::string good = text_of("dump.json");
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        size_t at = s.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            s.replace(at, from.size(), to);
        return s;
    };
    struct Case {
        std::string json;
        std::string key;
    } cases[] = {
        {good.substr(0, good.size() / 2), "not valid JSON"},
        {replaced("\"FRAME SPAN\"", "\"FRAME SPAM\""), "integers/FRAME SPAM"},
        {replaced("\"WIDTH\": 3993", "\"WIDTH\": \"wide\""), "integers/WIDTH"},
        {replaced("\"COMET TYPE\": \"Halo\"", "\"COMET TYPE\": \"Comet\""), "choices/COMET TYPE"},
        {replaced("\"REF DISTANCE (d9)\"", "\"REF DISTANCE (d8)\""), "objects[0]/fields/REF DISTANCE (d8)"},
        {replaced("\"type\": \"SKY\"", "\"type\": \"STAR\""), "objects[3]/type"},
        {replaced("\"integers\"", "\"extra\": 1, \"integers\""), "extra"},
        {replaced("\"THIS FRAME\": 2993", "\"THIS FRAME\": 3000000000"), "integers/THIS FRAME"},
        {replaced("\"BACKDROP\": \"SHIP.TGA\"", "\"BACKDROP\": \"" + std::string(40, 'A') + "\""),
         "strings/BACKDROP"},
    };
    write_file_bytes("old.CFG", {7, 7, 7});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        write_text("bad.json", c.json);
        std::string err;
        EXPECT_EQ(run("build bad.json -o out.CFG", &err), 1);
        EXPECT_NE(err.find("bad.json"), std::string::npos) << err;
        EXPECT_NE(err.find(c.key), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists("out.CFG"));
        EXPECT_EQ(run("build bad.json -o old.CFG"), 1);
        EXPECT_EQ(read_file_bytes("old.CFG"), (std::vector<uint8_t>{7, 7, 7}));
    }
}

TEST_F(Project_tool, more_than_64_objects_are_refused)
{
    sample_project();
    ASSERT_EQ(run("dump S.CFG >dump.json"), 0);
    std::string j = text_of("dump.json");
    size_t first = j.find("    {\n      \"type\": \"SKY\"");
    size_t end = j.find("\n    }", first) + 6;
    ASSERT_NE(first, std::string::npos);
    std::string object = j.substr(first, end - first);
    std::string many;
    for (int i = 0; i < 60; i++)
        many += object + ",\n";
    j.insert(first, many);
    write_text("many.json", j);
    std::string err;
    EXPECT_EQ(run("build many.json -o M.CFG", &err), 1);
    EXPECT_NE(err.find("many.json"), std::string::npos) << err;
    EXPECT_NE(err.find("\"objects\""), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists("M.CFG"));
}

TEST_F(Project_tool, usage_and_unreadable_files)
{
    std::string err;
    EXPECT_EQ(run("", &err), 2);
    EXPECT_NE(err.find("usage"), std::string::npos);
    EXPECT_EQ(run("dump missing.CFG", &err), 1);
    EXPECT_NE(err.find("missing.CFG"), std::string::npos);
    write_file_bytes("short.CFG", std::vector<uint8_t>(100, 0));
    EXPECT_EQ(run("dump short.CFG", &err), 1);
    EXPECT_NE(err.find("short.CFG"), std::string::npos);
}

} // namespace

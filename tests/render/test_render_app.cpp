// novamir-render end to end: the same frames every way, abandoned frames, exit statuses, messages.
#include <gtest/gtest.h>
#include <sys/stat.h> // Required for: mkdir
#include <sys/wait.h> // Required for: WEXITSTATUS

#include <png.h> // Required for: png_image_begin_read_from_file

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: find_data_file
#include "shell/shell.h"       // Required for: read_project_file, write_project_file
#include "store/records.h"     // Required for: OBJ_BITMAP, ObjectRecord, object_slots
#include "store/store.h"       // Required for: F_PATH_ENABLE, F_SAVE_BMP, F_SAVE_TGA
#include "test_support.h"

namespace {

const std::string renderer = std::string(NOVAMIR_BIN_DIR) + "/novamir-render";
using Frames = std::map<std::string, std::vector<uint8_t>>;

// A frame under the project's names: three digits, then .tga or .bmp.
bool is_frame_name(const std::string& name)
{
    const size_t n = name.size();
    if (n < 7 || (name.compare(n - 4, 4, ".tga") && name.compare(n - 4, 4, ".bmp")))
        return false;
    return std::all_of(name.end() - 7, name.end() - 4, [](char c) { return c >= '0' && c <= '9'; });
}

class Render_app : public ::testing::Test {
protected:
    ScratchDir dir;
    ObjectRecord* ship = nullptr; // the demo's bitmap object
    std::vector<std::string> samples;
    void SetUp() override
    {
        char path[1024];
        if (!std::filesystem::exists(renderer))
            GTEST_SKIP() << "novamir-render is not built";
        if (!find_data_file("novamir3.dat", path, sizeof path) || !find_data_file("NOVAMIR.CFG", path, sizeof path))
            GTEST_SKIP() << "the data files are not built";
        ASSERT_EQ(read_project_file(path), 0);
        // Twelve frames from 20, both writers, in the middle of every journey.
        int_param[I_START_FRAME] = 20, int_param[I_END_FRAME] = 31;
        flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 1, flag_param[F_PATH_ENABLE] = 0;
        strcpy(str_param[S_PROJECT_NAME], "SCENE");
        for (int k = 0; k < object_count; k++)
            if (object_slots[k].type == OBJ_BITMAP)
                ship = &object_slots[k];
        ASSERT_NE(ship, nullptr);
    }
    // Copies a sample (as name, or as stem%03d.TGA for frames first..last)
    // into the scratch directory, to be copied into every run.
    void use_sample(const char* name, const char* stem = nullptr, int first = 0, int last = -1)
    {
        char from[1024];
        ASSERT_TRUE(find_data_file(name, from, sizeof from)) << name;
        for (int f = first; f <= (stem ? last : first); f++) {
            char to[64];
            snprintf(to, sizeof to, stem ? "%s%03d.TGA" : "%s", stem ? stem : name, f);
            write_file_bytes(dir.path + "/" + to, read_file_bytes(from));
            samples.push_back(to);
        }
    }
    // Renders the store as SCENE.CFG, with the samples (and a broken data
    // file of that name, if given) in a fresh sub-directory. Returns the
    // frame files written; the output goes to *text.
    Frames run(const std::string& name, const std::string& args, int status = 0, const char* broken = nullptr,
               std::string* text = nullptr)
    {
        std::string sub = dir.path + "/" + name;
        mkdir(sub.c_str(), 0755);
        EXPECT_EQ(write_project_file((sub + "/SCENE.CFG").c_str()), 0);
        for (const std::string& s : samples)
            write_file_bytes(sub + "/" + s, read_file_bytes(dir.path + "/" + s));
        if (broken)
            write_file_bytes(sub + "/" + broken, std::vector<uint8_t>(100, 1));
        int rc = system(("cd '" + sub + "' && '" + renderer + "' " + args + " SCENE.CFG >out.txt 2>&1").c_str());
        std::string out = read_file_text(sub + "/out.txt");
        EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, status) << name << ": " << out;
        if (text)
            *text = out;
        Frames frames;
        for (const auto& e : std::filesystem::directory_iterator(sub))
            if (is_frame_name(e.path().filename().string()))
                frames[e.path().filename().string()] = read_file_bytes(e.path().string());
        return frames;
    }
};

} // namespace

TEST_F(Render_app, every_way_of_rendering_gives_the_same_frames)
{
    // The ship takes a new picture every frame and the backdrop is a PCX, so
    // the held image and the surface map change hands within each frame.
    strcpy(str_param[S_BACKDROP], "NEBULA.PCX");
    ship->w[13] = 1; // FILE SEARCH
    use_sample("NEBULA.PCX");
    use_sample("SHIP.TGA");
    use_sample("SHIP.TGA", "SHIP", 20, 31);
    Frames all = run("seq", "--jobs 1"), jobs = run("jobs", "--jobs 3"), single = run("single", "--frame 31");
    // Three array tasks, each in a folder of its own, make the run between them.
    Frames chunks;
    for (int k = 0; k < 3; k++)
        chunks.merge(run("chunk" + std::to_string(k), "--jobs 2 --chunk " + std::to_string(k) + "/3"));
    ASSERT_EQ(std::make_tuple(all.size(), jobs.size(), single.size(), chunks.size()),
              std::make_tuple(24u, 24u, 2u, 24u));
    for (auto* set : {&jobs, &single, &chunks})
        for (auto& [name, bytes] : *set)
            EXPECT_TRUE(bytes == all[name]) << name;
    // The frames do change along the run.
    EXPECT_FALSE(all["SCENE020.tga"] == all["SCENE031.tga"]);
}

TEST_F(Render_app, an_abandoned_frame_stops_every_worker_at_the_same_place)
{
    // The ship's numbered pictures run out after frame 24 and the plain name
    // does not exist: frame 25 asks, and without --yes the run stops there.
    ship->w[13] = 1;
    strcpy(ship->name, "GONE.TGA");
    use_sample(str_param[S_BACKDROP]);
    use_sample("SHIP.TGA", "GONE", 20, 24);
    Frames stopped = run("stop", "--jobs 3", 1);
    EXPECT_EQ(stopped.size(), 10u);
    EXPECT_EQ(stopped.count("SCENE024.tga") * 10 + stopped.count("SCENE025.tga"), 10u);
    std::string text;
    EXPECT_TRUE(run("late", "--jobs 2 --frames 28-31", 1, nullptr, &text).empty());
    for (const char* said : {"stopped at frame 25", "Error reading GONE.TGA file."})
        EXPECT_NE(text.find(said), std::string::npos) << text;

    // --yes goes on with the picture held from before, the same in every worker.
    Frames yes_seq = run("yes1", "--yes --jobs 1");
    Frames yes_par = run("yes3", "--yes --jobs 3");
    ASSERT_EQ(yes_seq.size(), 24u);
    EXPECT_TRUE(yes_par == yes_seq);
}

// The exit status tells the truth and every message reaches stderr: usage
// errors give 2, warnings keep 0 when the frames are written, a project that
// cannot give one file and the first frame that cannot be written end the
// run with 1.
TEST_F(Render_app, exit_status_and_messages)
{
    use_sample(str_param[S_BACKDROP]);
    use_sample("SHIP.TGA");
    struct Case {
        const char* name;
        void (*change)(); // on the store before SCENE.CFG is written
        const char* broken_file;
        const char* args;
        int status;
        const char* text;
    } cases[] = {
        {"width", nullptr, nullptr, "--width 700", 2, "--width must be 640, 800 or 1024, got \"700\""},
        {"frames", nullptr, nullptr, "--frames 9-3", 2, "frames must run from a lower to a higher number"},
        {"no number", nullptr, nullptr, "--output shot.png", 2, "needs exactly one frame number"},
        {"two numbers", nullptr, nullptr, "--output s%d_%d.png", 2, "needs exactly one frame number"},
        {"string", nullptr, nullptr, "--output s%s.png", 2, "must start a frame number such as %04d"},
        {"folder", nullptr, nullptr, "--output r%d/s.png", 2, "must be in the file name, not in a folder"},
        {"jpeg", nullptr, nullptr, "--output s%d.jpg", 2, "extension must be .tga, .bmp or .png"},
        {"tiny", nullptr, nullptr, "--size 15x200", 2, "--size wants WxH with each side 16 to 8192"},
        {"both", nullptr, nullptr, "--size 640x480 --width 800", 2, "give one"},
        {"fps", nullptr, nullptr, "--fps 0 --video v.mp4", 2, "--fps must be 1 to 240"},
        {"codec", nullptr, nullptr, "--video v.avi", 2, "the name must end in .mp4, .webm or .gif"},
        {"chunk", nullptr, nullptr, "--chunk 3/3", 2, "--chunk wants K/N with N from 1 to 1000"},
        {"empty chunk", nullptr, nullptr, "--frame 20 --chunk 0/2", 0, "chunk 0/2 of frames 20-20 holds no frame"},
        {"tasks", nullptr, nullptr, "--slurm-script 0", 2, "--slurm-script wants a number of tasks"},
        {"script and chunk", nullptr, nullptr, "--slurm-script 2 --chunk 0/2", 2, "give one"},
        {"script", nullptr, nullptr, "--slurm-script 2 --output 'r/s %03d.png' --fps 30", 0,
         "CHUNKS=2 "},
        {"help", nullptr, nullptr, "--help", 0, "usage: novamir-render"},
        {"no size", [] { int_param[I_WIDTH] = 0; }, nullptr, "", 1,
         "SCENE.CFG: no frame can be written: its frame size is 0 x"},
        {"no format", [] { flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 0; }, nullptr, "", 1,
         "neither SAVE AS TGA nor SAVE AS BMP is on"},
        {"no dir", [] {
             flag_param[F_PATH_ENABLE] = 1;
             strcpy(str_param[S_OUTPUT_PATH], "nodir/");
             str_param[S_BITMAP_PATH][0] = 0; // the pictures lie beside the project
         }, nullptr, "--jobs 2", 1, "cannot write nodir/SCENE020.bmp: No such file or directory"},
        {"topology", nullptr, "novamir1.top", "--frame 20", 0,
         "novamir1.top: 100 bytes, shorter than its 580-byte header."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flag_param[F_SAVE_BMP] = flag_param[F_SAVE_TGA] = 1, flag_param[F_PATH_ENABLE] = 0;
        int_param[I_WIDTH] = 320;
        if (c.change)
            c.change();
        std::string text;
        Frames frames = run(c.name, c.args, c.status, c.broken_file, &text);
        EXPECT_NE(text.find(c.text), std::string::npos) << text;
        EXPECT_EQ(text.find("Maximum Frame size"), std::string::npos) << text;
        EXPECT_TRUE(c.status == 0 || frames.empty());
    }
    int rc = system(("cd '" + dir.path + "' && '" + renderer + "' NOPE.CFG >out.txt 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(rc), 1) << "a project that cannot be read";
}

namespace {

// Pixels as blue, green, red rows from the top: a TGA as the writers make
// it (18-byte header, rows from the bottom) or a PNG.
struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> bgr;
};

Picture tga_picture(const std::vector<uint8_t>& file)
{
    Picture p;
    if (file.size() < 18)
        return p;
    p.w = file[12] | file[13] << 8, p.h = file[14] | file[15] << 8;
    if (file.size() < 18 + (size_t)p.w * p.h * 3)
        return {};
    for (int y = p.h - 1; y >= 0; y--)
        p.bgr.insert(p.bgr.end(), file.begin() + 18 + (size_t)y * p.w * 3, file.begin() + 18 + (size_t)(y + 1) * p.w * 3);
    return p;
}

Picture png_picture(const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture p;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return p;
    image.format = PNG_FORMAT_BGR;
    p.bgr.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.bgr.data(), 0, nullptr))
        return {};
    p.w = (int)image.width, p.h = (int)image.height;
    return p;
}

std::string command_output(const std::string& command);

// Mean difference per channel between a video's first frame and a picture.
double first_frame_error(const std::string& video, const Picture& want)
{
    std::string decoded =
        command_output("ffmpeg -v error -i '" + video + "' -frames:v 1 -f rawvideo -pix_fmt bgr24 - 2>/dev/null");
    if (decoded.size() != want.bgr.size())
        return 1e9;
    double error = 0;
    for (size_t k = 0; k < decoded.size(); k++)
        error += std::abs((int)(uint8_t)decoded[k] - (int)want.bgr[k]);
    return error / decoded.size();
}

std::string command_output(const std::string& command)
{
    std::string out;
    if (FILE* f = popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;)
            out.append(buf, n);
        pclose(f);
    }
    return out;
}

} // namespace

// The frame buffer may be any size: a frame the project fits is the same
// whatever buffer it is drawn in, a larger project is drawn at its own size
// unless a buffer is asked for, and then it is adjusted as LOAD does.
TEST_F(Render_app, the_frame_buffer_never_changes_a_frame)
{
    use_sample(str_param[S_BACKDROP]);
    use_sample("SHIP.TGA");
    flag_param[F_SAVE_BMP] = 0;
    Frames own = run("own", "--frame 25");
    ASSERT_EQ(own.size(), 1u);
    for (const char* args : {"--size 640x480", "--size 3840x2160", "--width 1024", "--size 16x16"}) {
        std::string text;
        Frames other = run(std::string("buffer") + std::to_string(strlen(args)), std::string("--frame 25 ") + args,
                           0, nullptr, &text);
        if (!strcmp(args, "--size 16x16")) {
            Picture p = tga_picture(other["SCENE025.tga"]);
            EXPECT_EQ(std::make_tuple(p.w, p.h), std::make_tuple(16, 16));
            EXPECT_NE(text.find("SIZE ADJUSTED!"), std::string::npos) << text;
        } else {
            EXPECT_TRUE(other == own) << args;
        }
    }
    struct { int project_w, project_h; const char* args; int w, h; bool adjusted; } sizes[] = {
        {1920, 1080, "", 1920, 1080, false}, {3840, 2160, "", 3840, 2160, false},
        {1920, 1080, "--width 640", 640, 480, true}, {1920, 1080, "--size 800x600", 800, 600, true}};
    for (const auto& c : sizes) {
        std::string text;
        int_param[I_WIDTH] = c.project_w, int_param[I_HEIGHT] = c.project_h;
        Frames big = run("big" + std::to_string(c.w) + std::to_string(c.project_w),
                         std::string("--frame 25 ") + c.args, 0, nullptr, &text);
        Picture p = tga_picture(big["SCENE025.tga"]);
        EXPECT_EQ(std::make_tuple(p.w, p.h, text.find("SIZE ADJUSTED!") != std::string::npos),
                  std::make_tuple(c.w, c.h, c.adjusted)) << c.args << text;
    }
}

// --output names and types the files, --skip-existing resumes a run, and
// every file written is reported on a line of its own in a log.
TEST_F(Render_app, named_output_resumes_and_reports_each_file)
{
    use_sample(str_param[S_BACKDROP]);
    use_sample("SHIP.TGA");
    Frames own = run("own", "--jobs 1");
    std::string text;
    run("png", "--jobs 2 --output out/shot_%04d.png", 0, nullptr, &text);
    run("tga", "--jobs 2 -o deep/er/f%03d.tga");
    run("bmp", "--jobs 2 -o b/%03d.BMP");
    const std::string png = dir.path + "/png/out/";
    for (int f = 20; f <= 31; f++) {
        char name[32];
        snprintf(name, sizeof name, "SCENE%03d.tga", f);
        Picture want = tga_picture(own[name]);
        Picture got = png_picture(png + "shot_00" + std::to_string(f) + ".png");
        EXPECT_TRUE(want.bgr == got.bgr && want.w == got.w && want.h == got.h) << name;
        EXPECT_TRUE(read_file_bytes(dir.path + "/tga/deep/er/f0" + std::to_string(f) + ".tga") == own[name]) << name;
        snprintf(name, sizeof name, "SCENE%03d.bmp", f);
        EXPECT_TRUE(read_file_bytes(dir.path + "/bmp/b/0" + std::to_string(f) + ".BMP") == own[name]) << name;
        EXPECT_NE(text.find("wrote out/shot_00" + std::to_string(f) + ".png\n"), std::string::npos) << text;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/png/SCENE020.tga")) << "no file under the project's names";

    // A resumed run leaves what is there, even a damaged file, and writes the rest.
    write_file_bytes(png + "shot_0025.png", {'x'});
    const std::vector<uint8_t> before = read_file_bytes(png + "shot_0026.png");
    std::filesystem::remove(png + "shot_0026.png");
    int rc = system(("cd '" + dir.path + "/png' && '" + renderer +
                     "' --jobs 2 --skip-existing --output out/shot_%04d.png SCENE.CFG >again.txt 2>&1").c_str());
    text = read_file_text(dir.path + "/png/again.txt");
    EXPECT_EQ(WEXITSTATUS(rc), 0) << text;
    EXPECT_TRUE(read_file_bytes(png + "shot_0026.png") == before);
    EXPECT_EQ(read_file_bytes(png + "shot_0025.png"), std::vector<uint8_t>{'x'});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_NE(text.find("wrote out/shot_0026.png\n"), std::string::npos) << text;
    EXPECT_NE(text.find("12 of 12 frames"), std::string::npos) << text;
    EXPECT_NE(text.find("11 left as they were"), std::string::npos) << text;
}

// Videos through Debian's ffmpeg: codec, size and frame count as asked, the
// first frame's pixels those of the TGA within the codec's error; without
// ffmpeg the run is refused before a frame is drawn.
TEST_F(Render_app, video_through_ffmpeg)
{
    use_sample(str_param[S_BACKDROP]);
    use_sample("SHIP.TGA");
    flag_param[F_SAVE_BMP] = 0;
    int_param[I_WIDTH] = 320, int_param[I_HEIGHT] = 240;
    Frames own = run("own", "--jobs 1");
    Picture first = tga_picture(own["SCENE020.tga"]);
    struct { const char* file; const char* jobs; const char* probe; int max_error; } videos[] = {
        {"v.mp4", "--jobs 2", "h264,320,240,12", 6}, {"v.webm", "--jobs 1", "vp9,320,240,12", 10},
        {"v.gif", "--jobs 2 --fps 10", "gif,320,240,12", 40}};
    for (const auto& v : videos) {
        const std::string sub = dir.path + "/" + v.file + "-run";
        std::string text;
        Frames frames = run(std::string(v.file) + "-run", std::string(v.jobs) + " --video " + v.file, 0, nullptr,
                            &text);
        EXPECT_TRUE(frames == own) << v.file;
        EXPECT_NE(text.find(std::string("wrote ") + v.file), std::string::npos) << text;
        const std::string video = sub + "/" + v.file;
        EXPECT_EQ(command_output("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                 "stream=codec_name,width,height,nb_read_frames -of csv=p=0 '" + video + "'"),
                  std::string(v.probe) + "\n");
        EXPECT_LT(first_frame_error(video, first), v.max_error) << v.file;
    }
    // A resumed run puts the frames already there into the video as they are.
    run("resume", "--output f/%03d.png");
    int rc = system(("cd '" + dir.path + "/resume' && '" + renderer +
                     "' --skip-existing --output f/%03d.png --video r.mp4 SCENE.CFG >again.txt 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(rc), 0);
    EXPECT_LT(first_frame_error(dir.path + "/resume/r.mp4", first), 6);
    rc = system(("cd '" + dir.path + "/own' && PATH=/nowhere '" + renderer +
                     "' --output late%d.tga --video x.mp4 SCENE.CFG >nope.txt 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(rc), 1);
    EXPECT_NE(read_file_text(dir.path + "/own/nope.txt").find("--video needs ffmpeg"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/own/late20.tga"));
}

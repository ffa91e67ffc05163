// The batch renderer's video: Debian's ffmpeg started as a process with an
// argument list (no shell), fed raw frames through a pipe in frame order,
// writing a temporary file that replaces the named one only when the
// encoder succeeded.
#include "render/batch.h"

#include <allegro.h>  // Required for: BITMAP, load_bitmap, set_color_conversion
#include <fcntl.h>    // Required for: fcntl
#include <signal.h>   // Required for: signal, SIGPIPE
#include <spawn.h>    // Required for: posix_spawnp
#include <strings.h>  // Required for: strcasecmp
#include <sys/stat.h> // Required for: stat
#include <sys/wait.h> // Required for: waitpid
#include <unistd.h>   // Required for: write, access

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "images/formats.h" // Required for: ImageCheck, check_library_image, format_by_extension
#include "store/canvas.h"  // Required for: frame_buffer, frame_width, frame_height

extern char** environ;

static struct {
    pid_t pid = -1;
    int fd = -1; // the encoder's standard input
    int width = 0, height = 0;
    std::string file, temp;
    std::vector<uint8_t> row;
} video;

bool video_codec_known(const char* file)
{
    const char* dot = strrchr(file, '.');
    return dot && (!strcasecmp(dot, ".mp4") || !strcasecmp(dot, ".webm") || !strcasecmp(dot, ".gif"));
}

bool encoder_installed()
{
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t at = 0; at <= dirs.size();) {
        size_t colon = dirs.find(':', at);
        if (colon == std::string::npos)
            colon = dirs.size();
        std::string dir = dirs.substr(at, colon - at);
        if (access(((dir.empty() ? "." : dir) + "/ffmpeg").c_str(), X_OK) == 0)
            return true;
        at = colon + 1;
    }
    return false;
}

// The codec settings for the file's kind. Sides are padded to even numbers
// where the 4:2:0 colour planes need it.
static std::vector<std::string> codec_arguments(const char* file)
{
    const char* ext = strrchr(file, '.');
    const std::string even = "pad=ceil(iw/2)*2:ceil(ih/2)*2";
    if (!strcasecmp(ext, ".gif"))
        return {"-vf", "split[a][b];[a]palettegen[p];[b][p]paletteuse", "-loop", "0"};
    if (!strcasecmp(ext, ".webm"))
        return {"-vf", even, "-c:v", "libvpx-vp9", "-pix_fmt", "yuv420p", "-b:v", "0", "-crf", "32",
                "-deadline", "good", "-cpu-used", "4", "-row-mt", "1"};
    return {"-vf", even, "-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", "18", "-preset", "medium",
            "-movflags", "+faststart"};
}

static int video_start(const char* file, int fps, int width, int height)
{
    std::string name = file;
    const size_t slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    const std::string base = name.substr(dir.size());
    video.file = name;
    video.temp = dir + "." + base.substr(0, base.rfind('.')) + ".partial" + base.substr(base.rfind('.'));
    video.width = width;
    video.height = height;
    video.row.resize((size_t)width * 3);

    char size[32], rate[16];
    snprintf(size, sizeof size, "%dx%d", width, height);
    snprintf(rate, sizeof rate, "%d", fps);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "bgr24", "-s", size, "-framerate", rate,
                                     "-i", "pipe:0"};
    for (const std::string& a : codec_arguments(file))
        args.push_back(a);
    args.push_back("-r");
    args.push_back(rate);
    args.push_back(video.temp);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) {
        fprintf(stderr, "novamir-render: cannot create a pipe for ffmpeg: %s\n", strerror(errno));
        return -1;
    }
    // Workers are forked later: the write end must not reach the encoder.
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    int rc = posix_spawnp(&video.pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        video.pid = -1;
        fprintf(stderr, "novamir-render: cannot start ffmpeg: %s\n", strerror(rc));
        return -1;
    }
    // A failed encoder must show as a failed write, not end this process.
    signal(SIGPIPE, SIG_IGN);
    video.fd = fds[1];
    return 0;
}

void video_forget()
{
    // A worker keeps nothing of the encoder the parent feeds.
    if (video.fd >= 0)
        close(video.fd);
    video.fd = -1;
    video.pid = -1;
}

static int send_bytes(const uint8_t* p, size_t left)
{
    while (left > 0) {
        ssize_t n = write(video.fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        p += n;
        left -= (size_t)n;
    }
    return 0;
}

static int video_send_rows(const uint8_t* const* rows)
{
    if (video.fd < 0)
        return -1;
    for (int y = 0; y < video.height; y++)
        if (send_bytes(rows[y], video.row.size()) != 0)
            return -1;
    return 0;
}

static int video_send_frame_buffer()
{
    return video_send_rows((const uint8_t* const*)frame_buffer->line);
}

static int video_send_raw_file(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return -1;
    int result = 0;
    for (int y = 0; y < video.height && result == 0; y++) {
        if (fread(video.row.data(), 1, video.row.size(), f) != video.row.size() ||
            send_bytes(video.row.data(), video.row.size()) != 0)
            result = -1;
    }
    fclose(f);
    return result;
}

static int save_raw_frame(const char* path)
{
    FILE* f = fopen(path, "wb");
    if (!f)
        return -1;
    int result = 0;
    for (int y = 0; y < frame_height() && result == 0; y++)
        if (fwrite(frame_buffer->line[y], 3, (size_t)frame_width(), f) != (size_t)frame_width())
            result = -1;
    if (fclose(f) != 0)
        result = -1;
    return result;
}

static int video_send_picture(const char* path)
{
    // Checked first, as every picture is: a damaged frame left by an earlier
    // run is refused rather than handed to the library's reader.
    ImageCheck check;
    if (check_library_image(path, format_by_extension(path), &check) != 0) {
        fprintf(stderr, "novamir-render: %s: %s\n", path, check.why);
        return -1;
    }
    // Read at the file's own depth (a 256-colour frame through its palette);
    // the conversion mode later picture loads depend on is put back.
    const int conversion = get_color_conversion();
    set_color_conversion(COLORCONV_NONE);
    PALETTE pal;
    BITMAP* image = load_bitmap(path, pal);
    set_color_conversion(conversion);
    int result = -1;
    if (image && image->w == video.width && image->h == video.height) {
        BITMAP* rgb = create_bitmap_ex(24, image->w, image->h);
        if (rgb) {
            select_palette(pal);
            blit(image, rgb, 0, 0, 0, 0, image->w, image->h);
            unselect_palette();
            result = video_send_rows((const uint8_t* const*)rgb->line);
            destroy_bitmap(rgb);
        }
    } else if (image) {
        fprintf(stderr, "novamir-render: %s: %d x %d, not the run's %d x %d\n", path, image->w, image->h,
                video.width, video.height);
    }
    if (image)
        destroy_bitmap(image);
    return result;
}

static int video_finish(bool keep)
{
    if (video.pid < 0)
        return -1;
    if (video.fd >= 0)
        close(video.fd);
    video.fd = -1;
    int status = 0;
    while (waitpid(video.pid, &status, 0) < 0 && errno == EINTR) {
    }
    video.pid = -1;
    const bool encoded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (keep && encoded && rename(video.temp.c_str(), video.file.c_str()) == 0)
        return 0;
    unlink(video.temp.c_str());
    if (keep)
        fprintf(stderr, "novamir-render: %s was not written: %s\n", video.file.c_str(),
                encoded ? strerror(errno) : "ffmpeg failed (its messages are above)");
    return -1;
}

// ---------------------------------------------------------------------------
// The feed: frames in frame order, whoever finishes them.

static struct {
    bool on = false;
    bool failed = false;
    bool in_process = false; // one worker, in this process: frames go straight in
    std::string folder;      // raw frames of forked workers waiting for their turn
    int first = 0, next = 0;
    // Per frame from first: not ready (empty), the file to send, or sent.
    std::vector<std::string> waiting;
    std::vector<char> raw, sent;
} feed;

static std::string raw_frame_path(int frame)
{
    return feed.folder + "/" + std::to_string(frame) + ".raw";
}

static void feed_failed(int frame)
{
    if (!feed.failed)
        fprintf(stderr, "novamir-render: frame %d could not be given to ffmpeg\n", frame);
    feed.failed = true;
}

// Sends the frames whose turn has come.
static void feed_turns()
{
    for (int k = feed.next - feed.first; k < (int)feed.waiting.size() && !feed.waiting[k].empty(); k++) {
        const char* path = feed.waiting[k].c_str();
        if (!feed.sent[k] && !feed.failed &&
            (feed.raw[k] ? video_send_raw_file(path) : video_send_picture(path)) != 0)
            feed_failed(feed.next);
        if (feed.raw[k])
            unlink(path);
        feed.sent[k] = 1;
        feed.next++;
    }
}

int video_open(const char* file, int fps, int width, int height, int first, int last, bool in_process)
{
    feed.on = true;
    feed.failed = false;
    feed.in_process = in_process;
    feed.first = feed.next = first;
    feed.waiting.assign((size_t)(last - first + 1), "");
    feed.raw.assign((size_t)(last - first + 1), 0);
    feed.sent.assign((size_t)(last - first + 1), 0);
    feed.folder.clear();
    if (!in_process) {
        const char* tmp = getenv("TMPDIR");
        std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/novamir-video-XXXXXX";
        if (!mkdtemp(&folder[0])) {
            fprintf(stderr, "novamir-render: cannot make a folder for the video's frames: %s\n", strerror(errno));
            return -1;
        }
        feed.folder = folder;
    }
    return video_start(file, fps, width, height);
}

int video_frame_drawn(int frame)
{
    if (!feed.on)
        return 0;
    if (feed.in_process) {
        // Frames come in order here: this one's turn is now, while the
        // frame buffer still holds it.
        if (!feed.failed && video_send_frame_buffer() != 0)
            feed_failed(frame);
        feed.sent[frame - feed.first] = 1;
        return 0;
    }
    return save_raw_frame(raw_frame_path(frame).c_str());
}

void video_frame_ready(int frame, const char* kept_file)
{
    if (!feed.on)
        return;
    const size_t k = (size_t)(frame - feed.first);
    feed.raw[k] = !kept_file && !feed.in_process;
    feed.waiting[k] = kept_file ? kept_file : feed.in_process ? "drawn" : raw_frame_path(frame);
    feed_turns();
}

bool video_close(bool ok)
{
    if (!feed.on)
        return true;
    const bool written = video_finish(ok && !feed.failed) == 0;
    if (ok && feed.failed)
        fprintf(stderr, "novamir-render: %s was not written: a frame could not be given to ffmpeg\n",
                video.file.c_str());
    if (!feed.folder.empty()) {
        for (size_t k = 0; k < feed.raw.size(); k++)
            if (!feed.sent[k])
                unlink(raw_frame_path(feed.first + (int)k).c_str()); // a stopped run's leftovers
        rmdir(feed.folder.c_str());
    }
    feed.on = false;
    return written;
}

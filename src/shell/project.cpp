// Project file: the whole parameter store and the object list in one binary
// file named after the project, loaded only when sound and saved so that a
// failed write never costs the previous file.
#include <cerrno>  // Required for: errno
#include <cstdio>  // Required for: FILE, fread, snprintf
#include <cstring> // Required for: memcpy, memset, strlen, strerror
#include <string>

#include "platform/atomic_file.h" // Required for: write_bytes_atomically
#include "platform/bytes.h"       // Required for: get_f64, get_u32, put_f64
#include "platform/platform.h"    // Required for: find_data_file, open_data_file, resolve_path
#include "shell/project_layout.h" // Required for: PROJECT_CHOICE_AT, PROJECT_COUNT_AT, PROJECT_CURRENT_AT
#include "shell/shell.h"          // Required for: load_project, load_startup_project, project_file_name
#include "store/canvas.h"         // Required for: fit_frame_size
#include "store/prompt.h"         // Required for: ask_yes_no, file_error_prompt, log_detail
#include "store/records.h"        // Required for: MAX_OBJECTS, OBJECT_NAME_LEN, OBJECT_RECORD_SIZE
#include "store/store.h"          // Required for: CHOICE_LISTS, DBL_PARAMS, FLAG_PARAMS

// Frame buffer size for the size check; 0 until start-up has made the frame
// buffer, and then no check is made.
int project_frame_width = 0;
int project_frame_height = 0;

// ---------------------------------------------------------------------------
// Little-endian fields.

// ---------------------------------------------------------------------------
// Image codec.

int decode_project(const uint8_t* bytes, size_t size, ProjectImage* out, const char** why)
{
    if (size < PROJECT_OBJECTS_AT) {
        *why = "shorter than its settings blocks";
        return -1;
    }
    int32_t count = (int32_t)get_u32(bytes + PROJECT_COUNT_AT);
    if (count < 0 || count > MAX_OBJECTS) {
        *why = "object count outside 0..64";
        return -1;
    }
    size_t need = PROJECT_OBJECTS_AT + (size_t)count * OBJECT_RECORD_SIZE;
    if (size < need) {
        *why = "shorter than its object records";
        return -1;
    }
    memset(out, 0, sizeof *out);
    for (int i = 0; i < DBL_PARAMS; i++)
        out->dbl[i] = get_f64(bytes + PROJECT_DBL_AT + 8 * i);
    for (int i = 0; i < INT_PARAMS; i++)
        out->ints[i] = (int32_t)get_u32(bytes + PROJECT_INT_AT + 4 * i);
    for (int i = 0; i < FLAG_PARAMS; i++)
        out->flags[i] = (int32_t)get_u32(bytes + PROJECT_FLAG_AT + 4 * i);
    for (int i = 0; i < CHOICE_LISTS; i++)
        out->choice_current[i] = (int32_t)get_u32(bytes + PROJECT_CHOICE_AT + 4 * i);
    memcpy(out->str, bytes + PROJECT_STR_AT, sizeof out->str);
    out->object_count = count;
    out->current_object = (int32_t)get_u32(bytes + PROJECT_CURRENT_AT);
    for (int k = 0; k < count; k++)
        unpack_object(bytes + PROJECT_OBJECTS_AT + (size_t)k * OBJECT_RECORD_SIZE, &out->objects[k]);
    out->trailing = size - need;
    return 0;
}

std::vector<uint8_t> encode_project(const ProjectImage& in)
{
    int count = in.object_count < 0 ? 0 : in.object_count > MAX_OBJECTS ? MAX_OBJECTS : in.object_count;
    std::vector<uint8_t> bytes(PROJECT_OBJECTS_AT + (size_t)count * OBJECT_RECORD_SIZE);
    uint8_t* b = bytes.data();
    for (int i = 0; i < DBL_PARAMS; i++)
        put_f64(b + PROJECT_DBL_AT + 8 * i, in.dbl[i]);
    for (int i = 0; i < INT_PARAMS; i++)
        put_u32(b + PROJECT_INT_AT + 4 * i, (uint32_t)in.ints[i]);
    for (int i = 0; i < FLAG_PARAMS; i++)
        put_u32(b + PROJECT_FLAG_AT + 4 * i, (uint32_t)in.flags[i]);
    for (int i = 0; i < CHOICE_LISTS; i++)
        put_u32(b + PROJECT_CHOICE_AT + 4 * i, (uint32_t)in.choice_current[i]);
    memcpy(b + PROJECT_STR_AT, in.str, sizeof in.str);
    put_u32(b + PROJECT_COUNT_AT, (uint32_t)count);
    put_u32(b + PROJECT_CURRENT_AT, (uint32_t)in.current_object);
    for (int k = 0; k < count; k++)
        pack_object(in.objects[k], b + PROJECT_OBJECTS_AT + (size_t)k * OBJECT_RECORD_SIZE);
    return bytes;
}

void capture_project(ProjectImage* out)
{
    memset(out, 0, sizeof *out);
    memcpy(out->dbl, dbl_param, sizeof out->dbl);
    memcpy(out->ints, int_param, sizeof out->ints);
    memcpy(out->flags, flag_param, sizeof out->flags);
    for (int i = 0; i < CHOICE_LISTS; i++)
        out->choice_current[i] = choice_list[i].current;
    memcpy(out->str, str_param, sizeof out->str);
    out->object_count = object_count;
    out->current_object = current_object;
    for (int k = 0; k < object_count && k < MAX_OBJECTS; k++)
        out->objects[k] = object_slots[list_order[k]];
}

void commit_project(const ProjectImage& in)
{
    memcpy(dbl_param, in.dbl, sizeof dbl_param);
    memcpy(int_param, in.ints, sizeof int_param);
    memcpy(flag_param, in.flags, sizeof flag_param);
    for (int i = 0; i < CHOICE_LISTS; i++)
        choice_list[i].current = in.choice_current[i];
    memcpy(str_param, in.str, sizeof str_param);
    clear_objects();
    object_count = in.object_count;
    current_object = in.current_object;
    for (int k = 0; k < in.object_count && k < MAX_OBJECTS; k++)
        object_slots[k] = in.objects[k];
    rebuild_list();
}

static bool terminated(const char* field, size_t size)
{
    return memchr(field, 0, size) != nullptr;
}

int check_project(const ProjectImage& in, const char** why)
{
    for (int i = 0; i < STR_PARAMS; i++)
        if (!terminated(in.str[i], STR_LEN)) {
            *why = "a string without its terminating NUL";
            return -1;
        }
    for (int i = 0; i < CHOICE_LISTS; i++)
        if (in.choice_current[i] < 0 || in.choice_current[i] >= choice_list[i].count) {
            *why = "a choice selection outside its list";
            return -1;
        }
    for (int k = 0; k < in.object_count; k++)
        if (!terminated(in.objects[k].name, OBJECT_NAME_LEN)) {
            *why = "an object name without its terminating NUL";
            return -1;
        }
    return 0;
}

// ---------------------------------------------------------------------------
// File layer.

// Reads a whole file of at most cap bytes (one more tells that it is longer).
static int read_stream(FILE* f, std::vector<uint8_t>* bytes, size_t cap)
{
    bytes->resize(cap + 1);
    size_t got = fread(bytes->data(), 1, bytes->size(), f);
    if (ferror(f))
        return -1;
    bytes->resize(got);
    return 0;
}

// Values a project may hold and still be rendered in finite time: frame
// numbers name three-digit files (0..999, a span of 0 to 1000 frames), a
// frame side is never negative nor larger than any image (16384), and sky
// rectangle corners stay far enough from the int range that their
// differences cannot overflow. Sound projects lie well inside.
constexpr int32_t PROJECT_LAST_FRAME = 999;
constexpr int32_t PROJECT_MAX_SIDE = 16384;
constexpr int32_t PROJECT_MAX_CORNER = 1 << 20;

// Cuts one value into lo..hi, telling the user about it: the first cut of a
// file in a box, the others (a hostile file may hold hundreds) as details.
static void limit_value(const char* file, const char* what, int32_t* v, int32_t lo, int32_t hi, int* cuts)
{
    if (*v >= lo && *v <= hi)
        return;
    int32_t cut = *v < lo ? lo : hi;
    if ((*cuts)++ == 0)
        tell_user_file(file, "%s %d is cut to %d", what, (int)*v, (int)cut);
    else
        log_detail("%s: %s %d is cut to %d", file, what, (int)*v, (int)cut);
    *v = cut;
}

void limit_project_values(ProjectImage* p, const char* file)
{
    static const struct {
        int param;
        const char* name;
        int32_t lo, hi;
    } ints[] = {
        {I_FRAME_SPAN, "FRAME SPAN", 0, PROJECT_LAST_FRAME + 1},
        {I_START_FRAME, "START FRAME", 0, PROJECT_LAST_FRAME},
        {I_END_FRAME, "END FRAME", 0, PROJECT_LAST_FRAME},
        {I_THIS_FRAME, "THIS FRAME", 0, PROJECT_LAST_FRAME},
        {I_WIDTH, "WIDTH", 0, PROJECT_MAX_SIDE},
        {I_HEIGHT, "HEIGHT", 0, PROJECT_MAX_SIDE},
        {I_PAGE_START, "page START FRAME", 0, PROJECT_LAST_FRAME},
        {I_PAGE_END, "page END FRAME", 0, PROJECT_LAST_FRAME},
        {I_START_X, "START X", -PROJECT_MAX_CORNER, PROJECT_MAX_CORNER},
        {I_END_X, "END X", -PROJECT_MAX_CORNER, PROJECT_MAX_CORNER},
        {I_START_Y, "START Y", -PROJECT_MAX_CORNER, PROJECT_MAX_CORNER},
        {I_END_Y, "END Y", -PROJECT_MAX_CORNER, PROJECT_MAX_CORNER},
    };
    int cuts = 0;
    for (const auto& e : ints)
        limit_value(file, e.name, &p->ints[e.param], e.lo, e.hi, &cuts);
    char what[64];
    for (int k = 0; k < p->object_count && k < MAX_OBJECTS; k++) {
        ObjectRecord& rec = p->objects[k];
        snprintf(what, sizeof what, "object %d START FRAME", k + 1);
        limit_value(file, what, &rec.w[1], 0, PROJECT_LAST_FRAME, &cuts);
        snprintf(what, sizeof what, "object %d END FRAME", k + 1);
        limit_value(file, what, &rec.w[2], 0, PROJECT_LAST_FRAME, &cuts);
        // A sky keeps its rectangle in its own record (START X .. END Y).
        if (rec.type == OBJ_SKY)
            for (int i = 3; i <= 6; i++) {
                snprintf(what, sizeof what, "object %d %s", k + 1, ints[8 + i - 3].name);
                limit_value(file, what, &rec.w[i], -PROJECT_MAX_CORNER, PROJECT_MAX_CORNER, &cuts);
            }
    }
}

// Decodes and checks a stream; commits only a sound file, with its absurd
// values cut. Says why a file is refused, naming it.
static int load_stream(FILE* f, const char* file)
{
    std::vector<uint8_t> bytes;
    ProjectImage* image = new ProjectImage;
    const char* why = "";
    int result = -1;
    if (read_stream(f, &bytes, PROJECT_MAX_SIZE) != 0) {
        why = "the file cannot be read";
    } else if (bytes.size() > PROJECT_MAX_SIZE) {
        why = "longer than a project of 64 objects";
    } else if (decode_project(bytes.data(), bytes.size(), image, &why) == 0 && check_project(*image, &why) == 0) {
        // Bytes after the last record are no part of the project: read as
        // the file's blocks say, with a word on the console.
        if (image->trailing)
            log_detail("%s: %d bytes after the last object record are ignored", file, (int)image->trailing);
        limit_project_values(image, file);
        commit_project(*image);
        result = 0;
    }
    if (result != 0)
        log_detail("%s: not a project file: %s", file, why);
    delete image;
    return result;
}

int read_project_file(const char* path)
{
    FILE* f = open_data_file(path, "rb");
    if (!f) {
        log_detail("%s: cannot open: %s", path, strerror(errno));
        return -1;
    }
    int result = load_stream(f, path);
    fclose(f);
    return result;
}

// Where a new or existing file of that name lives: an existing file matched
// regardless of case, else the name with "\" separators turned into "/".
static std::string target_path(const char* name)
{
    char found[1024];
    if (resolve_path(name, found, sizeof found))
        return found;
    std::string plain(name);
    for (char& c : plain)
        if (c == '\\')
            c = '/';
    return plain;
}

int replace_file_safely(const char* path, const std::vector<uint8_t>& bytes)
{
    if (!path || !path[0])
        return -1;
    return write_bytes_atomically(target_path(path).c_str(), bytes.data(), bytes.size());
}

int write_project_file(const char* path)
{
    if (!path || !path[0])
        return -1;
    rebuild_list();
    ProjectImage* image = new ProjectImage;
    capture_project(image);
    std::vector<uint8_t> bytes = encode_project(*image);
    delete image;
    return write_bytes_atomically(target_path(path).c_str(), bytes.data(), bytes.size());
}

// ---------------------------------------------------------------------------
// Menu commands.

void project_file_name(const char* name, char* out, size_t out_size)
{
    if (!out || out_size == 0)
        return;
    size_t n = 0;
    while (name && n < (size_t)STR_LEN && name[n] && name[n] != '.' && name[n] != '/')
        n++;
    snprintf(out, out_size, "%.*s.CFG", (int)n, name ? name : "");
}

int save_project()
{
    char name[STR_LEN + 8];
    project_file_name(str_param[S_PROJECT_NAME], name, sizeof name);
    if (ask_yes_no("Overwrite project %s?", name) != 'Y')
        return 0;
    if (write_project_file(name) != 0)
        return file_error_prompt(2, name);
    return 0;
}

// Opens the project file of that name in the current directory (any case).
static FILE* open_project(const char* name)
{
    char found[1024];
    return resolve_path(name, found, sizeof found) ? fopen(found, "rb") : nullptr;
}

// LOAD PROJECT with the file already chosen (f may be null: not found).
static int load_opened(FILE* f, const char* name)
{
    if (!f)
        return file_error_prompt(1, name);
    int result = 0;
    if (ask_yes_no("Load project %s?", name) == 'Y' && load_stream(f, name) != 0)
        result = -1;
    fclose(f);
    if (result != 0)
        result = file_error_prompt(0, name);
    fit_frame_size(project_frame_width, project_frame_height);
    return result;
}

// Cuts PROJECT NAME in place and builds the file name from it.
static void project_name_for_load(char* name, size_t size)
{
    char* project = str_param[S_PROJECT_NAME];
    for (int i = 0; i < STR_LEN && project[i]; i++)
        if (project[i] == '.' || project[i] == '/') {
            project[i] = 0;
            break;
        }
    project_file_name(project, name, size);
}

int load_project()
{
    char name[STR_LEN + 8];
    project_name_for_load(name, sizeof name);
    return load_opened(open_project(name), name);
}

int load_startup_project()
{
    char name[STR_LEN + 8];
    project_name_for_load(name, sizeof name);
    FILE* f = open_project(name);
    char found[1024];
    // A first start in an empty directory: the demo project of the data
    // directory is offered under the same question.
    if (!f && find_data_file(name, found, sizeof found) && (f = fopen(found, "rb")) != nullptr)
        log_detail("%s: not in the current directory; offering %s from the data directory", name, found);
    return load_opened(f, name);
}

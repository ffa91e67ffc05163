// File lists: the project files and the image files of the current directory
// (or BITMAP PATH) that the FILE and BITMAP side panes offer.
#include <dirent.h>   // Required for: opendir, readdir
#include <strings.h>  // Required for: strcasecmp
#include <fnmatch.h>  // Required for: fnmatch, FNM_CASEFOLD
#include <sys/stat.h> // Required for: stat, S_ISREG
#include <algorithm>  // Required for: sort
#include <cstdio>     // Required for: snprintf
#include <cstring>    // Required for: memset, strncpy
#include <string>
#include <vector>

#include "platform/platform.h" // Required for: join_path_prefix, resolve_path
#include "store/filelists.h"   // Required for: FILE_LINE_LEN, MAX_IMAGE_FILES, MAX_PROJECT_FILES
#include "store/store.h"       // Required for: F_PATH_ENABLE, STR_LEN, S_BITMAP_FILE

char project_files[MAX_PROJECT_FILES][FILE_LINE_LEN];
int32_t project_file_count, project_file_selected;
char image_files[MAX_IMAGE_FILES][FILE_LINE_LEN];
int32_t image_file_count, image_file_selected;

// Every scan stops appending once the list holds this many names; the image
// scan tests it only after each name, so its later patterns may add one each.
constexpr int SCAN_LIMIT = 48;

// Appends the regular files of dir matching lead + pattern (any case) to a
// list, each without its lead (the part of BITMAP PATH after its last
// separator, which the loader puts back), testing the limit after each name.
// Names are taken in name order, case aside: the order a Linux directory
// returns is arbitrary, and a pane should not reshuffle between scans.
static void scan_pattern(const std::string& dir, const std::string& lead, const char* pattern,
                         char (*list)[FILE_LINE_LEN], int32_t* count)
{
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return;
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
        if (strncasecmp(e->d_name, lead.c_str(), lead.size()) != 0 ||
            fnmatch(pattern, e->d_name + lead.size(), FNM_CASEFOLD) != 0)
            continue;
        std::string full = (dir.empty() ? std::string() : dir + "/") + e->d_name;
        struct stat st;
        if (stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (strlen(e->d_name + lead.size()) >= (size_t)FILE_LINE_LEN)
            continue; // a name the 64-byte line cannot hold could not be opened again
        names.push_back(e->d_name + lead.size());
    }
    closedir(d);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int c = strcasecmp(a.c_str(), b.c_str());
        return c != 0 ? c < 0 : a < b;
    });
    for (const std::string& n : names) {
        if (*count >= SCAN_LIMIT + 2)
            break; // never beyond the 50 lines of the image list
        memset(list[*count], 0, FILE_LINE_LEN);
        memcpy(list[*count], n.c_str(), n.size());
        (*count)++;
        if (*count >= SCAN_LIMIT)
            break;
    }
}

int scan_projects()
{
    project_file_count = 0;
    scan_pattern("", "", "*.CFG", project_files, &project_file_count);
    if (project_file_selected >= project_file_count)
        project_file_selected = 0;
    return project_file_count;
}

int scan_images()
{
    image_file_count = 0;
    // The library's own three first, then the pictures its add-ons read.
    static const char* const patterns[6] = {"*.TGA", "*.BMP", "*.PCX", "*.PNG", "*.JPG", "*.JPEG"};
    for (const char* p : patterns) {
        // The pattern is BITMAP PATH joined to it exactly as the loader joins
        // it to a name: "imgs/" searches the folder imgs, "imgs" searches the
        // current directory for imgs*.TGA.
        char joined[STR_LEN + 8];
        join_path_prefix(flag_param[F_PATH_ENABLE] ? str_param[S_BITMAP_PATH] : "", p, joined, sizeof joined);
        std::string text(joined);
        const size_t sep = text.find_last_of("/\\");
        std::string dir, lead = text.substr(0, text.size() - strlen(p));
        if (sep != std::string::npos) {
            // The folder part in any case and with either separator.
            char found[1024];
            if (!resolve_path(sep == 0 ? "/" : text.substr(0, sep).c_str(), found, sizeof found))
                continue;
            dir = found;
            lead = lead.substr(sep + 1);
        }
        scan_pattern(dir, lead, p, image_files, &image_file_count);
    }
    if (image_file_selected >= image_file_count)
        image_file_selected = 0;
    return image_file_count;
}

// One pane page of a file list.
static int pane_lines(char lines[][80], int first_line, int page, int per_page, const char* header,
                      const char* title, char (*list)[FILE_LINE_LEN], int count, int selected)
{
    if (per_page < 1)
        per_page = 1;
    if (page < 0)
        page = 0;
    snprintf(lines[0], 80, header, count, page + 1, count / per_page + 1);
    snprintf(lines[1], 80, "%s", title);
    int n = 0;
    for (long i = (long)page * per_page; i < count && n < per_page; i++, n++) {
        char* line = lines[first_line + n];
        memset(line, 0, 80);
        snprintf(line, 77, "%-3ld %s", i, list[i]);
        if (i == selected)
            line[78] = 'A';
    }
    return n;
}

int project_pane_lines(char lines[][80], int first_line, int page, int per_page)
{
    return pane_lines(lines, first_line, page, per_page, "PROJECT Config. Files (%d on file) Page %d/%d ",
                      "Filename", project_files, project_file_count, project_file_selected);
}

int image_pane_lines(char lines[][80], int first_line, int page, int per_page)
{
    return pane_lines(lines, first_line, page, per_page, "Image files and bitmaps (%d on file) Page %d/%d ",
                      "No. Filename", image_files, image_file_count, image_file_selected);
}

void choose_project_file(int index)
{
    if (index < 0 || index >= project_file_count)
        return;
    project_file_selected = index;
    snprintf(str_param[S_PROJECT_NAME], STR_LEN, "%s", project_files[index]);
}

void choose_image_file(int index)
{
    if (index < 0 || index >= image_file_count)
        return;
    image_file_selected = index;
    snprintf(str_param[S_BITMAP_FILE], STR_LEN, "%s", image_files[index]);
}

// The question interface: everything that asks or tells the user.
#pragma once
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Questions and messages. Everything that asks or tells the user goes through
// these; without an interactive screen they answer as a command-line tool
// would and record what was asked. The program installs its message boxes
// into prompt_hooks.

struct PromptHooks {
    int (*yes_no)(const char* question);                  // key; 89 ('Y') is yes
    int (*ok)(const char* text);                           // key read, upper-cased
    int (*ok_lines)(int count, const char* const* lines);  // first non-zero key
    int (*ok_text)(const char* text);                      // Enter counts as 'Y'
};
extern PromptHooks prompt_hooks;

// Console answers: the key a yes/no question gets (default 'Y') and the key
// an OK box gets (default 13, which file-error prompts read as "stop"; the
// renderer's --yes makes it 'Y').
extern int console_yes_no_key;
extern int console_ok_key;
extern bool console_quiet;                // do not print to stderr
// Whether screen notices reach the console (a batch run leaves them out:
// they describe the program's screen, not the run).
extern bool console_notices;
extern std::vector<std::string> prompt_log; // every text asked or shown, in order

int ask_yes_no(const char* fmt, ...);   // returns the key; compare with 89
int tell_user(const char* fmt, ...);    // ok_box
int tell_user_lines(int count, const char* const* lines);
int tell_notice(const char* fmt, ...);  // ok_box_text
// An ok_box that only informs about the screen session ("Maximum Frame size:
// ..."): shown in a box as tell_user, on the console only with console_notices.
int tell_screen_notice(const char* fmt, ...);
// A message about one file: the box shows the text as given (the program's
// own short texts stay exactly as they are), the console and the log show
// "FILE: text" so the user learns which file it was.
int tell_user_file(const char* file, const char* fmt, ...);
// A detail for the console and the log only, never a box: what a short box
// text leaves out (which record, which offset, the system's reason).
void log_detail(const char* fmt, ...);
// "Error reading %s file." (0), "Cannot find %s file!" (1), "Error writing %s
// file!" (2), chosen by kind mod 3; returns 0 when answered Y, else 27.
int file_error_prompt(int kind, const char* name);

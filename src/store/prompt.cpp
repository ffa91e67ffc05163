// Question interface: every question and message of the core goes through
// here, to the program's message boxes when they are installed, otherwise
// answered as a command-line tool would and recorded in prompt_log.
#include <cstdarg> // Required for: va_list
#include <cstdio>  // Required for: vsnprintf, fprintf

#include "store/prompt.h" // Required for: PromptHooks, ask_yes_no, console_notices

PromptHooks prompt_hooks = {nullptr, nullptr, nullptr, nullptr};
int console_yes_no_key = 'Y';
int console_ok_key = 13;
bool console_quiet = false;
bool console_notices = true;
std::vector<std::string> prompt_log;

// Longest text a message box shows; longer texts are cut.
constexpr int PROMPT_TEXT_LEN = 256;

// Formats the variadic arguments of the enclosing function into a new text
// of PROMPT_TEXT_LEN bytes (longer texts are cut).
#define FORMAT_PROMPT(text, fmt)                    \
    char text[PROMPT_TEXT_LEN];                     \
    do {                                            \
        va_list ap_;                                \
        va_start(ap_, fmt);                         \
        vsnprintf(text, sizeof text, fmt, ap_);     \
        va_end(ap_);                                \
    } while (0)

// Message boxes return letters upper-cased; the console answers do the same.
static int upper_key(int key)
{
    return (key >= 'a' && key <= 'z') ? key - 'a' + 'A' : key;
}

static void log_text(const char* text, const char* how)
{
    prompt_log.emplace_back(text);
    if (!console_quiet)
        fprintf(stderr, "%s%s\n", text, how);
}

int ask_yes_no(const char* fmt, ...)
{
    FORMAT_PROMPT(text, fmt);
    if (prompt_hooks.yes_no) {
        prompt_log.emplace_back(text);
        return prompt_hooks.yes_no(text);
    }
    int key = upper_key(console_yes_no_key);
    log_text(text, key == 'Y' ? " [yes]" : " [no]");
    return key;
}

// One message through the box the program installed, or on the console,
// where the OK key answers.
static int show_message(int (*box)(const char*), const char* text)
{
    if (box) {
        prompt_log.emplace_back(text);
        return box(text);
    }
    log_text(text, "");
    return upper_key(console_ok_key);
}

int tell_user(const char* fmt, ...)
{
    FORMAT_PROMPT(text, fmt);
    return show_message(prompt_hooks.ok, text);
}

int tell_user_lines(int count, const char* const* lines)
{
    if (count < 0)
        count = 0;
    if (prompt_hooks.ok_lines) {
        for (int i = 0; i < count; i++)
            prompt_log.emplace_back(lines[i]);
        return prompt_hooks.ok_lines(count, lines);
    }
    for (int i = 0; i < count; i++)
        log_text(lines[i], "");
    return upper_key(console_ok_key);
}

int tell_user_file(const char* file, const char* fmt, ...)
{
    FORMAT_PROMPT(text, fmt);
    if (prompt_hooks.ok) {
        // The box keeps its own short text; the log learns which file.
        prompt_log.emplace_back(std::string(file ? file : "") + ": " + text);
        return prompt_hooks.ok(text);
    }
    char line[PROMPT_TEXT_LEN + 128];
    snprintf(line, sizeof line, "%s: %s", file ? file : "", text);
    log_text(line, "");
    return upper_key(console_ok_key);
}

void log_detail(const char* fmt, ...)
{
    FORMAT_PROMPT(text, fmt);
    log_text(text, "");
}

int tell_notice(const char* fmt, ...)
{
    FORMAT_PROMPT(text, fmt);
    int key = show_message(prompt_hooks.ok_text, text);
    // The notice box takes Enter as a yes; on the console too.
    return !prompt_hooks.ok_text && console_ok_key == 13 ? 'Y' : key;
}

int tell_screen_notice(const char* fmt, ...)
{
    FORMAT_PROMPT(text, fmt);
    if (!prompt_hooks.ok && !console_notices) {
        prompt_log.emplace_back(text);
        return upper_key(console_ok_key);
    }
    return show_message(prompt_hooks.ok, text);
}

int file_error_prompt(int kind, const char* name)
{
    // Row kind mod 3 of the message table; texts are 64 bytes at most.
    static const char* const messages[3] = {
        "Error reading %s file.",
        "Cannot find %s file!",
        "Error writing %s file!",
    };
    char text[64];
    snprintf(text, sizeof text, messages[((kind % 3) + 3) % 3], name ? name : "");
    return tell_user("%s", text) == 'Y' ? 0 : 27;
}

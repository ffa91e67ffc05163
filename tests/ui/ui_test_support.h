// Shared set-up of the interface tests: a memory screen, stand-in fonts, widgets, scripted keys.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

// Pixels of the screen buffer as a byte copy.
std::string buffer_pixels();

struct UiScreen : ::testing::Test {
    void SetUp() override { open_test_screen(); }
    void TearDown() override { close_test_screen(); }
};

// One topic of a help file written by the tests.
struct TestTopic {
    const char* title;
    std::vector<const char*> lines;
    int link[3];
};
// Writes a help file with the topics (topic 0 first) and a map in which
// entry 20 * page + row = topic as name, and loads it (the notice answered by
// the console).
void load_test_help(const std::vector<TestTopic>& topics,
                    const std::vector<std::pair<int, int>>& map_entries, const char* name);
// The hash of a file's bytes (screen dumps).
uint64_t file_hash(const std::string& path);

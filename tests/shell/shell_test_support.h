// Shared set-up of the shell tests: an empty store and object list, objects at chosen distances.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "shell/shell.h"   // Required for: insert_object
#include "store/prompt.h"  // Required for: console_yes_no_key, prompt_log
#include "store/records.h" // Required for: clear_objects
#include "store/store.h"   // Required for: D_BITMAP_DISTANCE, D_REF_DISTANCE, dbl_param

struct ShellTest : ::testing::Test {
    void SetUp() override
    {
        reset_store();
        clear_objects();
        prompt_log.clear();
    }
    void TearDown() override { console_yes_no_key = 'Y'; }
};

// Inserts an object of the page whose sort distance is `distance`; returns its slot.
inline int add_object(int page, double distance)
{
    dbl_param[D_REF_DISTANCE] = dbl_param[D_BITMAP_DISTANCE] = distance;
    return insert_object(page);
}

// Whether one message was exactly text.
inline bool said(const std::string& text)
{
    return std::count(prompt_log.begin(), prompt_log.end(), text) > 0;
}

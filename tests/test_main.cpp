// Shared test main: Allegro without a display, questions answered quietly.
#include <gtest/gtest.h>

#include "platform/platform.h" // Required for: init_headless
#include "store/prompt.h"      // Required for: console_quiet

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (init_headless() != 0) {
        fprintf(stderr, "cannot start Allegro headless\n");
        return 1;
    }
    console_quiet = true;
    return RUN_ALL_TESTS();
}

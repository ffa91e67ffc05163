// Screen layer: metrics, palette, screen colours, fonts and the memory screen.
#include "ui_test_support.h"

#include "planets/planets.h"

TEST(Text_metrics, follow_the_screen_width)
{
    set_text_metrics(640);
    EXPECT_EQ(char_width, 8);
    EXPECT_EQ(line_height, 16);
    set_text_metrics(800);
    EXPECT_EQ(char_width, 10);
    EXPECT_EQ(line_height, 20);
    set_text_metrics(1024);
    EXPECT_EQ(char_width, 12);
    EXPECT_EQ(line_height, 24);
}

TEST_F(UiScreen, memory_screen_answers_its_size)
{
    EXPECT_EQ(SCREEN_W, 640);
    EXPECT_EQ(SCREEN_H, 480);
    EXPECT_EQ(use_buffer_target(SCREEN_W), 30);
}

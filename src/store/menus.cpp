// Menu tables: the eight pages of twenty rows, their names, hot keys and
// button sets. The menu loop draws and acts from these rows alone.
#include "store/store.h"

// Row columns: name, help line, kind, editor, store index (help topic for
// ITEM_HELP, list number for ITEM_CHOICE), list to rescan afterwards.
// Rows not written are empty (kind 0).
const MenuItem menu_pages[MENU_PAGES][MENU_ROWS] = {
    {   // 0 FILE
        {"FRAME SPAN", "Total number of frames in an animation.", ITEM_VALUE, EDIT_WHOLE, I_FRAME_SPAN, 0},
        {"START FRAME", "Starting Frame number, from 0 to 999.", ITEM_VALUE, EDIT_WHOLE, I_START_FRAME, 0},
        {"END FRAME", "Ending Frame number, from 0 to 999.", ITEM_VALUE, EDIT_WHOLE, I_END_FRAME, 0},
        {"THIS FRAME", "The Number of the current frame.", ITEM_VALUE, EDIT_WHOLE, I_THIS_FRAME, 0},
        {"WIDTH", "Width (in pixels) of each frame.", ITEM_VALUE, EDIT_WHOLE, I_WIDTH, 0},
        {"HEIGHT", "Height of each frame in pixels.", ITEM_VALUE, EDIT_WHOLE, I_HEIGHT, 0},
        {"ASPECT RATIO", "Screen aspect, either 1.0 or 1.2", ITEM_VALUE, EDIT_DECIMAL, D_ASPECT, 0},
        {"PIXELS/DEGREE", "Number of pixels for one degree.", ITEM_VALUE, EDIT_DECIMAL, D_PIXELS_PER_DEGREE, 0},
        {"PROJECT NAME", "Name (8 characters) of the project.", ITEM_VALUE, EDIT_STRING, S_PROJECT_NAME, 0},
        {"LOAD PROJECT", "Load new Project configuration file.", ITEM_LOAD_PROJECT, 0, 0, 0},
        {"SAVE PROJECT", "Save current state in project file.", ITEM_SAVE_PROJECT, 0, 0, REFRESH_PROJECT_LIST},
        {"PREVIEW", "Preview the image for THIS FRAME.", ITEM_PREVIEW, 0, 0, 0},
        {"DOFRAME", "Generate an image for THIS FRAME only.", ITEM_DOFRAME, 0, 0, 0},
        {"DOALL", "Generate all images (START to END).", ITEM_DOALL, 0, 0, 0},
        {"BACKDROP", "Load PCX, BMP or TGA image as backdrop.", ITEM_VALUE, EDIT_STRING, S_BACKDROP, 0},
        {"FILE SEARCH", "Enable FRAME numbered backdrop files.", ITEM_FLAG, 0, F_BACKDROP_FILE_SEARCH, 0},
    },
    {   // 1 SKY
        {"COLOUR ONE", "Top screen colour for backgrounds.", ITEM_VALUE, EDIT_WHOLE, I_COLOUR_ONE, 0},
        {"COLOUR TWO", "Secondary colour for backgrounds.", ITEM_VALUE, EDIT_WHOLE, I_COLOUR_TWO, 0},
        {"FADE TYPE", "Selects NONE, LINEAR or POLAR fade.", ITEM_CHOICE, EDIT_WHOLE, 0, 0},
        {"START X", "Start X location of upper left pixel.", ITEM_VALUE, EDIT_WHOLE, I_START_X, 0},
        {"START Y", "Start Y location of upper left pixel.", ITEM_VALUE, EDIT_WHOLE, I_START_Y, 0},
        {"END X", "Ending X location of lower right pixel.", ITEM_VALUE, EDIT_WHOLE, I_END_X, 0},
        {"END Y", "Ending Y location of lower right pixel.", ITEM_VALUE, EDIT_WHOLE, I_END_Y, 0},
        {"STARS ENABLE", "Selects NO STARS, NORTH or SOUTH view.", ITEM_CHOICE, EDIT_WHOLE, 1, 0},
        {"STAR CALC", "Enable Precise star calculations.", ITEM_FLAG, 0, F_STAR_CALC, 0},
        {"STAR LONGITUDE", "Sets star central horizontal longitude.", ITEM_VALUE, EDIT_DECIMAL, D_STAR_LONG, 0},
        {"STAR LATITUDE", "Permits vertical adjustment of stars.", ITEM_VALUE, EDIT_DECIMAL, D_STAR_LAT, 0},
        {"STAR LONG INC", "Increments star longitude each frame.", ITEM_VALUE, EDIT_DECIMAL, D_STAR_LONG_INC, 0},
        {"STAR LAT. INC", "Vertical adjustment of stars per frame.", ITEM_VALUE, EDIT_DECIMAL, D_STAR_LAT_INC, 0},
        {"BRIGHTNESS", "Adjust star brightness: 1.0 = normal.", ITEM_VALUE, EDIT_DECIMAL, D_BRIGHTNESS, 0},
        {"TWINKLE", "Selects degree of star twinkle.", ITEM_VALUE, EDIT_DECIMAL, D_TWINKLE, 0},
        {"REF DISTANCE", "Reference distance of the Star field", ITEM_VALUE, EDIT_DECIMAL, D_REF_DISTANCE, 0},
        {"START FRAME", "Starting Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_START, 0},
        {"END FRAME", "Ending Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_END, 0},
    },
    {   // 2 PLANET
        {"NUMBER", "Planet number in database.", ITEM_VALUE, EDIT_WHOLE, I_PLANET_NUMBER, 0},
        {"DIAMETER", "Pixel diameter (pole to pole).", ITEM_VALUE, EDIT_DECIMAL, D_PLANET_DIAMETER, 0},
        {"OBLATE RATIO", "Ratio of equatorial to polar diameter.", ITEM_VALUE, EDIT_DECIMAL, D_OBLATE, 0},
        {"POLAR ANGLE", "Orientation of the North Pole (90 deg.)", ITEM_VALUE, EDIT_DECIMAL, D_POLAR_ANGLE, 0},
        {"PHASE", "Illuminated phase angle. Full = 180 deg", ITEM_VALUE, EDIT_DECIMAL, D_PHASE, 0},
        {"LATITUDE", "Central latitude of planetary image.", ITEM_VALUE, EDIT_DECIMAL, D_PLANET_LATITUDE, 0},
        {"ROTATION INIT", "Initial Rotation angle 0-360 degrees.", ITEM_VALUE, EDIT_DECIMAL, D_ROTATION_INIT, 0},
        {"ROTATION INC", "Increase in planet rotation per frame.", ITEM_VALUE, EDIT_DECIMAL, D_ROTATION_INC, 0},
        {"X CENTRE", "X Centre of the planet (pixels).", ITEM_VALUE, EDIT_WHOLE, I_PLANET_X, 0},
        {"Y CENTRE", "Vertical centre of planet (pixels).", ITEM_VALUE, EDIT_WHOLE, I_PLANET_Y, 0},
        {"SHADING", "Terminator shading factor.", ITEM_VALUE, EDIT_DECIMAL, D_SHADING, 0},
        {"LIGHTING LIMIT", "Planet illumination factor. 1.0=normal", ITEM_VALUE, EDIT_DECIMAL, D_PLANET_LIGHTING, 0},
        {"BACKLIGHT", "Illumination of the dark side.", ITEM_VALUE, EDIT_DECIMAL, D_PLANET_BACKLIGHT, 0},
        {"REF DISTANCE", "Reference distance at START frame image", ITEM_VALUE, EDIT_DECIMAL, D_REF_DISTANCE, 0},
        {"TRAVEL DISTANCE", "Distance travelled (at Travel Angle).", ITEM_VALUE, EDIT_DECIMAL, D_TRAVEL_DISTANCE, 0},
        {"TRAVEL ANGLE", "Angle of travel (screen centre = 0)", ITEM_VALUE, EDIT_DECIMAL, D_TRAVEL_ANGLE, 0},
        {"START FRAME", "Starting Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_START, 0},
        {"END FRAME", "Ending Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_END, 0},
    },
    {   // 3 RING
        {"NUMBER", "Ring number in database.", ITEM_VALUE, EDIT_WHOLE, I_RING_NUMBER, 0},
        {"RING WIDTH", "Horizontal ring diameter (side to side)", ITEM_VALUE, EDIT_WHOLE, I_RING_WIDTH, 0},
        {"RING HEIGHT", "Vertical height of ring in pixels.", ITEM_VALUE, EDIT_WHOLE, I_RING_HEIGHT, 0},
        {"ROTATION INIT", "Initial Rotation angle 0-360 degrees.", ITEM_VALUE, EDIT_DECIMAL, D_RING_ROTATION_INIT, 0},
        {"ROTATION INC", "Increase in ring rotation per frame.", ITEM_VALUE, EDIT_DECIMAL, D_RING_ROTATION_INC, 0},
        {"X CENTRE", "Centre of the ring (pixels).", ITEM_VALUE, EDIT_WHOLE, I_RING_X, 0},
        {"Y CENTRE", "Vertical centre of ring (pixels).", ITEM_VALUE, EDIT_WHOLE, I_RING_Y, 0},
        {"PLANET LOCK", "Planet object to follow.", ITEM_VALUE, EDIT_WHOLE, I_PLANET_LOCK, 0},
        {"LIGHTING LIMIT", "Ring illumination factor. 1.0 = normal", ITEM_VALUE, EDIT_DECIMAL, D_RING_LIGHTING, 0},
        {"BACKLIGHT", "Illumination of dark side of a ring.", ITEM_VALUE, EDIT_DECIMAL, D_RING_BACKLIGHT, 0},
        {"TRANSPARENCY", "Transparency of ring, 0 = opaque.", ITEM_VALUE, EDIT_DECIMAL, D_RING_TRANSPARENCY, 0},
        {"REF DISTANCE", "Reference distance for the START image.", ITEM_VALUE, EDIT_DECIMAL, D_REF_DISTANCE, 0},
        {"TRAVEL DISTANCE", "Distance travelled (at Travel Angle).", ITEM_VALUE, EDIT_DECIMAL, D_TRAVEL_DISTANCE, 0},
        {"TRAVEL ANGLE", "Angle of travel (screen centre = 0)", ITEM_VALUE, EDIT_DECIMAL, D_TRAVEL_ANGLE, 0},
        {"PLANET SHADOW", "Turn Planet shadows ON?.", ITEM_FLAG, 0, F_PLANET_SHADOW, 0},
        {"SUBPIXELLATION", "Compute extra samples for each pixel.", ITEM_FLAG, 0, F_SUBPIXELLATION, 0},
        {"START FRAME", "Starting Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_START, 0},
        {"END FRAME", "Ending Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_END, 0},
    },
    {   // 4 COMET
        {"COMET TYPE", "Could be COMA, TAIL, HALO or TORUS.", ITEM_CHOICE, 0, 2, 0},
        {"MID COLOUR", "Colour of the central regions of comet.", ITEM_VALUE, EDIT_WHOLE, I_MID_COLOUR, 0},
        {"EDGE COLOUR", "Edge colour of a comet object.", ITEM_VALUE, EDIT_WHOLE, I_EDGE_COLOUR, 0},
        {"DIAMETER", "Vertical dimension of comet (at START).", ITEM_VALUE, EDIT_DECIMAL, D_COMET_DIAMETER, 0},
        {"ASPECT RATIO", "Ratio of horizontal to vertical size.", ITEM_VALUE, EDIT_DECIMAL, D_COMET_ASPECT, 0},
        {"TAIL ANGLE", "Comet tail angle (up or down).", ITEM_VALUE, EDIT_DECIMAL, D_TAIL_ANGLE, 0},
        {"X CENTRE", "X Centre of the comet in the frame.", ITEM_VALUE, EDIT_WHOLE, I_COMET_X, 0},
        {"Y CENTRE", "Vertical centre of comet in picture.", ITEM_VALUE, EDIT_WHOLE, I_COMET_Y, 0},
        {"SPECKLE", "Speckle factor.", ITEM_VALUE, EDIT_DECIMAL, D_SPECKLE, 0},
        {"ILLUMINATION", "Edge shading/Central brightness factor.", ITEM_VALUE, EDIT_DECIMAL, D_ILLUMINATION, 0},
        {"FADE FUNCTION", "Fade IN/OUT! NONE, FADE IN, FADE OUT.", ITEM_CHOICE, 0, 7, 0},
        {"REF DISTANCE", "Reference distance to image at START.", ITEM_VALUE, EDIT_DECIMAL, D_REF_DISTANCE, 0},
        {"TRAVEL DISTANCE", "Distance travelled (at Travel Angle).", ITEM_VALUE, EDIT_DECIMAL, D_TRAVEL_DISTANCE, 0},
        {"TRAVEL ANGLE", "Angle of travel (screen centre = 0)", ITEM_VALUE, EDIT_DECIMAL, D_TRAVEL_ANGLE, 0},
        {"VERTICAL ANGLE", "Vertical travel angle per frame.", ITEM_VALUE, EDIT_DECIMAL, D_VERTICAL_ANGLE, 0},
        {"TRAVEL TYPE", "LINEAR, ACCEL, DECEL, SINE or COSINE.", ITEM_CHOICE, 0, 8, 0},
        {"START FRAME", "Starting Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_START, 0},
        {"END FRAME", "Ending Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_END, 0},
    },
    {   // 5 BITMAP
        {"BITMAP FILE", "Bitmap disk filename. (TGA BMP PCX)", ITEM_VALUE, EDIT_STRING, S_BITMAP_FILE, 0},
        {"X SCALE", "Horizontal scaling for the START frame.", ITEM_VALUE, EDIT_DECIMAL, D_X_SCALE, 0},
        {"Y SCALE", "Vertical scaling for the START frame.", ITEM_VALUE, EDIT_DECIMAL, D_Y_SCALE, 0},
        {"DISTANCE", "Distance at START frame. (for sorting)", ITEM_VALUE, EDIT_DECIMAL, D_BITMAP_DISTANCE, 0},
        {"X CENTRE", "Horizontal centre of the bitmap.", ITEM_VALUE, EDIT_WHOLE, I_BITMAP_X, 0},
        {"Y CENTRE", "Vertical centre of bitmap.", ITEM_VALUE, EDIT_WHOLE, I_BITMAP_Y, 0},
        {"PLOT BLACK", "Enable plotting of zero (black) pixels.", ITEM_FLAG, 0, F_PLOT_BLACK, 0},
        {"LIGHTING", "Adjust overall brightness of bitmaps.", ITEM_VALUE, EDIT_DECIMAL, D_BITMAP_LIGHTING, 0},
        {"FADE FUNCTION", "Fade over time, NONE, FADE IN/FADE OUT.", ITEM_CHOICE, 0, 3, 0},
        {"TRANSPARENCY", "Degree of transparency at the START.", ITEM_VALUE, EDIT_DECIMAL, D_BITMAP_TRANSPARENCY, 0},
        {"TRANS FUNCTION", "FLAT, LEFT, RIGHT, TOP, BOT, PIXEL.", ITEM_CHOICE, 0, 5, 0},
        {"FILE SEARCH", "Enable FRAME numbered file search.", ITEM_FLAG, 0, F_BITMAP_FILE_SEARCH, 0},
        {"TRAVEL DISTANCE", "Distance travelled (at Travel Angle).", ITEM_VALUE, EDIT_DECIMAL, D_TRAVEL_DISTANCE, 0},
        {"TRAVEL ANGLE", "Angle of travel (screen centre = 0)", ITEM_VALUE, EDIT_DECIMAL, D_TRAVEL_ANGLE, 0},
        {"TRAVEL VERTICAL", "Vertical travel angle per frame.", ITEM_VALUE, EDIT_DECIMAL, D_VERTICAL_ANGLE, 0},
        {"TRAVEL TYPE", "LINEAR, ACCEL, DECEL, SINE or COSINE.", ITEM_CHOICE, 0, 6, 0},
        {"START FRAME", "Starting Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_START, 0},
        {"END FRAME", "Ending Frame number, from 0 to 999.", ITEM_VALUE, EDIT_PAGE_FRAME, I_PAGE_END, 0},
    },
    {   // 6 LIST
        {"PREV OBJECT", "Make the Previous object active.", ITEM_PREV_OBJECT, 0, 0, 0},
        {"NEXT OBJECT", "Make the next object active.", ITEM_NEXT_OBJECT, 0, 0, 0},
        {"EDIT OBJECT", "Edit the object highlighted in list.", ITEM_EDIT_OBJECT, 0, 0, 0},
        {"DELETE OBJECT", "Delete the object from the list.", ITEM_DELETE_OBJECT, 0, 0, 0},
        {"CLEAR OBJECTS", "Erases ALL objects in the list.", ITEM_CLEAR_OBJECTS, 0, 0, 0},
    },
    {   // 7 OPTIONS
        {"BITMAP PATH", "Select file path for imported images.", ITEM_VALUE, EDIT_STRING, S_BITMAP_PATH, REFRESH_IMAGE_LIST},
        {"OUTPUT PATH", "Select file path for generated images.", ITEM_VALUE, EDIT_STRING, S_OUTPUT_PATH, 0},
        {"PATH ENABLE", "Enable PATH names (above) for files.", ITEM_FLAG, 0, F_PATH_ENABLE, REFRESH_IMAGE_LIST},
        {"SAVE AS BMP", "Enable saving as a greyscale BMP file.", ITEM_FLAG, 0, F_SAVE_BMP, 0},
        {"SAVE AS TGA", "Enable saving as 24-bit TGA files.", ITEM_FLAG, 0, F_SAVE_TGA, 0},
        {"PREVIEW RGB", "View previews in fixed-palette colour.", ITEM_FLAG, 0, F_PREVIEW_RGB, 0},
        {"PREVIEW DEBUG", "Enable position display in previews.", ITEM_FLAG, 0, F_PREVIEW_DEBUG, 0},
        {"PHASE ADJUST", "Use position to adjust illumination.", ITEM_FLAG, 0, F_PHASE_ADJUST, 0},
        {"X PERSPECTIVE", "Selects correct horizontal perspective.", ITEM_FLAG, 0, F_X_PERSPECTIVE, 0},
        {"EDGE ADJUST", "Enable edge merge in scaled bitmaps.", ITEM_FLAG, 0, F_EDGE_ADJUST, 0},
        {"HELP", "Information on commands and functions.", ITEM_HELP, 0, 16, 0},
        {"ABOUT", "About this program and its status.", ITEM_HELP, 0, 17, 0},
        {"CREDITS", "Who is responsible for what.", ITEM_HELP, 0, 18, 0},
        {"LIST FONT", "Selects text font for item lists.", ITEM_CHOICE, EDIT_WHOLE, 9, 0},
    },
};

const char* const page_names[MENU_PAGES] = {
    "FILE", "SKY", "PLANET", "RING", "COMET", "BITMAP", "LIST", "OPTIONS",
};

// 256 + the scan code of Alt-F, -S, -P, -R, -C, -B, -L, -O, then ESC.
const int32_t page_hot_key[MENU_PAGES + 1] = {289, 287, 281, 275, 302, 304, 294, 280, 27};

// Side buttons of each page (codes as in shell.h).
const int32_t page_buttons[MENU_PAGES][4] = {
    {0, 0, 0, 5}, // FILE: QUIT
    {1, 6, 2, 3}, // SKY: F2 VIEW, START, F4 SAVE, INSERT
    {1, 6, 2, 3}, // PLANET
    {1, 6, 2, 3}, // RING
    {1, 6, 2, 3}, // COMET
    {1, 6, 2, 3}, // BITMAP
    {0, 0, 4, 5}, // LIST: DELETE, QUIT
    {0, 0, 0, 5}, // OPTIONS: QUIT
};

int page_item_count(int page)
{
    if (page < 0 || page >= MENU_PAGES)
        return 0;
    int n = 0;
    for (int r = 0; r < MENU_ROWS; r++)
        if (menu_pages[page][r].kind != ITEM_NONE)
            n++;
    return n;
}

bool page_has_button(int page, int code)
{
    if (page < 0 || page >= MENU_PAGES || code == 0)
        return false;
    for (int k = 0; k < 4; k++)
        if (page_buttons[page][k] == code)
            return true;
    return false;
}

// Angle constants shared by the renderers, the sky and the data builders.
// The renderers use the program's own short decimal values, not the double
// nearest pi: every truncation in a frame depends on the last digit, so these
// are the values, to the digit, the frames have always been made with.
#pragma once

constexpr double PI = 3.1415926535898;
constexpr double TWO_PI = 6.2831853071796;
constexpr double HALF_PI = 1.5707963267949;
constexpr double DEG2RAD = 0.017453292519943;
// 360 / TWO_PI with the short TWO_PI above, so that degrees turned into
// radians and back land where the program has always put them.
constexpr double RAD2DEG = 360.0 / TWO_PI;

// The double nearest pi, for the data builders' map projections only (they
// shape pictures, not frames). A different value from PI above on purpose.
constexpr double PI_EXACT = 3.14159265358979323846;

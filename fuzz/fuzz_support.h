// Shared set-up of the fuzz harnesses: Allegro without a display, quiet
// questions, a private scratch directory, and the input written as a file.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: uint8_t

// Brings Allegro up headless once, makes a fresh directory under /dev/shm
// (or /tmp) the current directory, silences every question and message,
// and creates a 640 x 480 frame buffer and the surface map.
void fuzz_start();
// Writes the input to the named file in the scratch directory (replacing any
// earlier one) and forgets what the earlier runs logged. False when the file
// cannot be written (then the run is skipped).
bool fuzz_write_input(const char* name, const uint8_t* data, size_t size);

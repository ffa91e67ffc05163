// Shared set-up of the fuzz harnesses: Allegro without a display, quiet
// questions, a private scratch directory, and the input written as a file.
#pragma once
#include <cstddef> // Required for: size_t
#include <cstdint> // Required for: uint8_t

// Brings Allegro up headless once, makes a fresh directory under /dev/shm
// (or /tmp), silences every question and message, and creates a 640 x 480
// frame buffer and the surface map.
void fuzz_start();

// One run's input as a file: writes it under the name in the scratch
// directory (replacing any earlier one), makes that directory current so
// the readers' lookup finds it first, and forgets what earlier runs logged.
// The destructor goes back to the directory the fuzzer works in (its corpus
// and artifact paths may be relative). written is false when the file could
// not be written (then the run is skipped).
struct FuzzInput {
    FuzzInput(const char* name, const uint8_t* data, size_t size);
    ~FuzzInput();
    bool written;
};

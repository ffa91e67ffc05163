// Fuzz harness: the backdrop loader on the input, named .bmp, .pcx or .tga
// after its first bytes as a user's file would be (a PNG or JPEG is told by
// its content under any name), painted into the frame.
#include "fuzz_support.h"
#include "images/images.h" // Required for: load_backdrop

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* name = "BACK.TGA";
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        name = "BACK.BMP";
    else if (size >= 1 && data[0] == 0x0A)
        name = "BACK.PCX";
    FuzzInput input(name, data, size);
    if (!input.written)
        return 0;
    load_backdrop(name);
    return 0;
}

// Fuzz harness: the object-image loader on the input as a file of one kind;
// built once per kind, the name's extension (NOVAMIR_FUZZ_EXT) differs.
#include "fuzz_support.h"
#include "images/images.h" // Required for: load_object_image

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char name[] = "OBJECT." NOVAMIR_FUZZ_EXT;
    FuzzInput input(name, data, size);
    if (!input.written)
        return 0;
    load_object_image(name);
    return 0;
}

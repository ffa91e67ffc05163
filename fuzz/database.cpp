// Fuzz harness: the planet database (parameter block, images, palettes,
// Colour table) read from the input as novamir3.dat.
#include "fuzz_support.h"
#include "planets/planets.h" // Required for: planet_database_name, read_planet_database

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(planet_database_name, data, size);
    if (!input.written)
        return 0;
    read_planet_database();
    return 0;
}

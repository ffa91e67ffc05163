// Fuzz harness: the topology index read from the input as novamir1.top,
// every record it lists loaded into the surface map, every planet selected.
#include <cstdio>

#include "fuzz_support.h"
#include "planets/planets.h"       // Required for: load_map_record, read_topology_index, select_planet_map
#include "store/surface.h"         // Required for: topology_file_name
#include "store/topology_format.h" // Required for: MAX_TOPOLOGY_RECORDS

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_start();
    snprintf(topology_file_name, sizeof topology_file_name, "novamir1.top");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(topology_file_name, data, size);
    if (!input.written)
        return 0;
    topology_loaded = read_topology_index();
    if (!topology_loaded)
        return 0;
    // Out-of-range numbers are part of the test: the loader clamps them.
    // The file's own counts are not trusted as loop bounds.
    const int records = topology.record_limit < MAX_TOPOLOGY_RECORDS ? topology.record_limit : MAX_TOPOLOGY_RECORDS;
    for (int k = -1; k <= records; k++)
        load_map_record(k);
    const int planets = topology.planets_on_file < MAX_TOPOLOGY_RECORDS ? topology.planets_on_file : MAX_TOPOLOGY_RECORDS;
    for (int n = -1; n <= planets + 1; n++)
        select_planet_map(n);
    topology_loaded = 0;
    return 0;
}

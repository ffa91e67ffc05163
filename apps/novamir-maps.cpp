// novamir-maps: the map records of a topology file, listed, added, replaced,
// removed and extracted (usage: novamir-maps --help).
#include "maps_tool.h"

int main(int argc, char** argv) { return nmk::maps_tool(argc, argv); }

// novamir-maps, the user's tool over a topology file: its whole command line.
#pragma once

namespace nmk {

// Runs one command; returns the exit status (0 done, 1 refused or failed,
// 2 bad arguments).
int maps_tool(int argc, char** argv);

} // namespace nmk

// novamir: the interactive program.
#include "shell/shell.h"

int main(int argc, char** argv) { return novamir_main(argc, argv); }

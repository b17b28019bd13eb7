// Exits 0 when ProgramFolder() is the folder given as the argument, wherever a test has
// copied this program.
#include "link/program_folder.h"

int main(int argc, char** argv) {
    return argc == 2 && kavrel::ProgramFolder() == argv[1] ? 0 : 1;
}

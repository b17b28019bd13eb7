// Exits 0 when ProgramFolder() is the folder given as the argument, wherever a test has
// copied this program.
#include "link/bibl_com.h"

int main(int argc, char** argv) {
    return argc == 2 && kavrel::ProgramFolder() == argv[1] ? 0 : 1;
}

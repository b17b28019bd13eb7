// kavrelctl: the configurator's operations from the command line.
#include "cli/kavrelctl.h"

int main(int argc, char** argv) {
    return kavrel::cli::Main(argc, argv);
}

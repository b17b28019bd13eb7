// Prints ProgramFolder() of wherever a test has copied it.
#include <cstdio>

#include "link/bibl_com.h"

int main() {
    std::fputs(kavrel::ProgramFolder().c_str(), stdout);
    return 0;
}

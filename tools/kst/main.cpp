// kst: list, extract and pack resource containers (see Kst.h).
#include <iostream>

#include "Kst.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunKst(args, std::cout, std::cerr);
}

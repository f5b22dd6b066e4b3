// kelc: the script compiler's program entry; everything it does lives in kelc_cli.cpp.
#include <iostream>

#include "tools/kelc/kelc_cli.h"

int main(int argc, char** argv) {
    return kel::tools::RunKelc(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                               std::cerr);
}

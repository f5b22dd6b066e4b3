// kelpack: the setup packer's program entry; everything it does lives in kelpack_cli.cpp.
#include <filesystem>
#include <iostream>

#include "tools/kelpack/kelpack_cli.h"

int main(int argc, char** argv) {
    std::error_code failed;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed) self = std::filesystem::absolute(argv[0], failed);
    return kel::tools::RunKelpack(std::vector<std::string>(argv + 1, argv + argc),
                                  self.parent_path().string(), std::cout, std::cerr);
}

#include <iostream>
#include <string>
#include <vector>

#include "app/CliMain.h"

int main(int argc, char** argv) {
    return tv::RunMirrant(std::vector<std::string>(argv + 1, argv + argc), TWINVALE_VERSION,
                          std::cout, std::cerr);
}

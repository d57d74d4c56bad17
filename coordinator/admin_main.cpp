// trunaccount-admin: see `trunaccount-admin --help`.
#include <iostream>

#include "coordinator/admin.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return trunaccount::coord::runAdmin(args, std::cout, std::cerr);
}

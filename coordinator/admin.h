// The administration command of the reference coordinator: demo databases,
// queries and batches from the command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace trunaccount::coord {

// Runs the command with its arguments (without the program's name), writing
// results to `out` and messages to `err`. Returns the exit status: 0 done,
// 1 the work failed (database, file, SQL), 2 the command line is wrong.
int runAdmin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace trunaccount::coord

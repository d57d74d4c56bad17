#include "coordinator/trace.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace trunaccount::coord {

TraceFile::TraceFile(const std::string& path) {
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) throw std::runtime_error("cannot open the trace file '" + path + "': " + std::strerror(errno));
}

TraceFile::~TraceFile() {
    if (file_) std::fclose(file_);
}

void TraceFile::writeLine(const std::string& jsonObject) {
    std::lock_guard lock(mutex_);
    std::fwrite(jsonObject.data(), 1, jsonObject.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

}  // namespace trunaccount::coord

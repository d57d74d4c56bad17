// The support engineer's view of what the window did: every coordinator call
// appended to a file as one line of JSON.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace trunaccount::coord {

class TraceFile {
public:
    // Opens `path` for appending; raises std::runtime_error when it cannot.
    explicit TraceFile(const std::string& path);
    ~TraceFile();
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Appends one line (the text must not hold a line end) and flushes it, so
    // that a crash afterwards loses nothing already traced.
    void writeLine(const std::string& jsonObject);

private:
    std::FILE* file_ = nullptr;
    std::mutex mutex_;
};

}  // namespace trunaccount::coord

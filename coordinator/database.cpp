#include "coordinator/database.h"

#include "coordinator/postgres_database.h"
#include "coordinator/sqlite_database.h"

#include <cstdio>

namespace trunaccount::coord {

namespace {
std::string joinLines(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) {
        if (!s.empty()) s += '\n';
        s += l;
    }
    return s;
}
}  // namespace

DatabaseError::DatabaseError(std::vector<std::string> lines)
    : Error(joinLines(lines)), lines_(std::move(lines)) {}

bool isPostgresUri(std::string_view location) {
    return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::unique_ptr<Database> openDatabase(const std::string& location, OpenMode mode) {
    if (isPostgresUri(location)) return std::make_unique<PostgresDatabase>(location);
    return std::make_unique<SqliteDatabase>(location, mode);
}

std::optional<std::vector<std::string>> Database::notifyBatchBegun() { return notify(&BatchObserver::batchBegun); }

std::optional<std::vector<std::string>> Database::notifyBatchEnding() { return notify(&BatchObserver::batchEnding); }

std::optional<std::vector<std::string>> Database::notify(void (BatchObserver::*step)(Database&)) {
    if (!observer_) return std::nullopt;
    try {
        (observer_.get()->*step)(*this);
    } catch (const DatabaseError& e) {
        return e.lines();
    }
    return std::nullopt;
}

std::vector<std::string> writerBusyLines(long long waitedMs) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(waitedMs) / 1000.0);
    return {std::string("数据库正被另一位用户写入，等待 ") + seconds + " 秒后仍未轮到，本次没有写入任何数据。",
            "请稍后再试一次。"};
}

std::vector<std::string> messageLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (!line.empty()) lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace trunaccount::coord

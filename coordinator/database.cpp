#include "coordinator/database.h"

#include "coordinator/postgres_database.h"
#include "coordinator/sqlite_database.h"

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

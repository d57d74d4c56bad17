// Errors of the client dataset and its filter language.
#pragma once

#include <cstddef>
#include <string>

#include "platform/errors.h"

namespace trunaccount {

// A dataset operation that cannot be done in the dataset's state: editing a
// closed or empty dataset, storing into a read-only field, a field name that
// does not exist, a record that is gone.
class DatasetError : public Error {
public:
    using Error::Error;
};

// A filter text that does not parse or does not fit the dataset's fields. The
// position counts characters (not bytes) from 1; the detail names it. A
// problem the user can mend (a value typed into a condition) is explained to
// the user in the message; for the rest, which only a faulty condition text
// can cause, the message says that the condition cannot be used.
class FilterError : public DatasetError {
public:
    FilterError(const std::string& problem, std::size_t position, const std::string& userProblem = {})
        : DatasetError(userMessage(userProblem), "Filter: " + problem + " at position " + std::to_string(position)),
          problem_(problem),
          position_(position) {}

    const std::string& problem() const { return problem_; }
    std::size_t position() const { return position_; }

private:
    static std::string userMessage(const std::string& userProblem) {
        if (userProblem.empty()) return "过滤条件有误，无法过滤。";
        return "过滤条件无法执行：" + userProblem + "。请修改条件后再试。";
    }

    std::string problem_;
    std::size_t position_;
};

}  // namespace trunaccount

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
// position counts characters (not bytes) from 1; the message names it.
class FilterError : public DatasetError {
public:
    FilterError(const std::string& problem, std::size_t position)
        : DatasetError("Filter: " + problem + " at position " + std::to_string(position)),
          problem_(problem),
          position_(position) {}

    const std::string& problem() const { return problem_; }
    std::size_t position() const { return position_; }

private:
    std::string problem_;
    std::size_t position_;
};

}  // namespace trunaccount

// The typed errors of the plug-in. Every one carries a message a user can read;
// the command that catches it shows it. An error may also carry a technical
// detail for the log (what exactly failed, in the program's terms), which the
// user is not shown.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace trunaccount {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    Error(const std::string& message, std::string detail) : std::runtime_error(message), detail_(std::move(detail)) {}

    // The detail for the log; empty when the message says it all.
    const std::string& detail() const { return detail_; }

private:
    std::string detail_;
};

// Bytes that are not valid in the expected encoding.
class EncodingError : public Error {
public:
    using Error::Error;
};

// The settings file could not be read or written.
class SettingsError : public Error {
public:
    using Error::Error;
};

// The settings file is read-only (its permissions, or its file system): it is
// left as it is. `firstNotice` is true the first time this process meets that
// file so, so that the user is told once rather than at every write.
class SettingsReadOnlyError : public SettingsError {
public:
    SettingsReadOnlyError(const std::string& message, std::string path, bool firstNotice)
        : SettingsError(message), path_(std::move(path)), firstNotice_(firstNotice) {}
    const std::string& path() const { return path_; }
    bool firstNotice() const { return firstNotice_; }

private:
    std::string path_;
    bool firstNotice_;
};

// A text that does not convert to the number or date it should hold.
class ConversionError : public Error {
public:
    using Error::Error;
};

// The coordinator rejected a call at the dispatch level.
class DispatchError : public Error {
public:
    using Error::Error;
};

}  // namespace trunaccount

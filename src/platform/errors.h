// The typed errors of the plug-in. Every one carries a message a user can read;
// the command that catches it shows it.
#pragma once

#include <stdexcept>
#include <string>

namespace trunaccount {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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

// The log of errors shown to the user: the message they saw and the technical
// detail behind it (which they are not shown). Category "trunaccount.errors",
// on standard error unless the Qt logging rules say otherwise.
#pragma once

#include <QLoggingCategory>
#include <exception>

namespace trunaccount {

Q_DECLARE_LOGGING_CATEGORY(lcErrors)

// Writes an error to the log: its message, and its detail when it has one.
void logError(const std::exception& e) noexcept;

}  // namespace trunaccount

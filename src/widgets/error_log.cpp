#include "widgets/error_log.h"

#include "platform/errors.h"

namespace trunaccount {

Q_LOGGING_CATEGORY(lcErrors, "trunaccount.errors")

void logError(const std::exception& e) noexcept {
    try {
        const auto* error = dynamic_cast<const Error*>(&e);
        if (error && !error->detail().empty())
            qCWarning(lcErrors).noquote() << QString::fromUtf8(e.what()) << "--" << QString::fromStdString(error->detail());
        else
            qCWarning(lcErrors).noquote() << QString::fromUtf8(e.what());
    } catch (...) {
        // The log is no reason to fail the command that reports.
    }
}

}  // namespace trunaccount

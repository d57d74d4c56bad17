// Dates as a Chinese accountant reads them when the host runs in the bare C or
// POSIX locale (containers, services, a shell without LANG): the plug-in shows
// dates in the system locale's short form, which there would be "10 Dec 2026".
// A real locale the user chose is followed as it is.
#pragma once

class QCoreApplication;

namespace trunaccount::hostapp {

// The locale whose short date format the host prefers over the C locale's.
inline constexpr const char* kChineseDateLocale = "zh_CN.UTF-8";

// Makes the time category zh_CN when the environment leaves it at C or POSIX
// (LC_ALL, else LC_TIME, else LANG; C.UTF-8 counts as C); a real locale stays.
// Call it before the QApplication exists, which reads the locale from the
// environment once. The C library's locale is set from the environment as it
// was first, so that a zh_CN the C library lacks leaves its categories as they were.
void preferChineseDatesInCLocale();

// Qt's own texts in the windows (a file dialog's "Look in:" and "Open", the
// Cut/Copy/Paste menu of a text box) in Chinese, as everything else the
// accountant reads, whatever the locale: installs Qt's zh_CN translation from
// Qt's translation folder into the application. Returns false, and changes
// nothing, where that translation is not installed (Debian package
// qt6-translations-l10n).
bool installChineseQtTexts(QCoreApplication& app);

}  // namespace trunaccount::hostapp

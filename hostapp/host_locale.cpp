#include "hostapp/host_locale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <cstdlib>
#include <string>

namespace trunaccount::hostapp {

namespace {

std::string environment(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool isCLocale(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

}  // namespace

void preferChineseDatesInCLocale() {
    std::setlocale(LC_ALL, "");
    const std::string all = environment("LC_ALL");
    const std::string time = !all.empty()                      ? all
                             : !environment("LC_TIME").empty() ? environment("LC_TIME")
                                                               : environment("LANG");
    if (!isCLocale(time)) return;
    if (!all.empty()) {
        // LC_ALL outranks LC_TIME: it goes, and the other categories the
        // locale is read from keep its value.
        ::unsetenv("LC_ALL");
        for (const char* category : {"LC_NUMERIC", "LC_MONETARY", "LC_MESSAGES"}) ::setenv(category, all.c_str(), 1);
    }
    ::setenv("LC_TIME", kChineseDateLocale, 1);
}

bool installChineseQtTexts(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace trunaccount::hostapp

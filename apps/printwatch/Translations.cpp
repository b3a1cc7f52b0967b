#include "apps/printwatch/Translations.h"

#include <QCoreApplication>

namespace kv71p::printwatch {

Translations::Translations(const QString& resourceFolder, const QLocale& locale) {
  if (english_.load("printwatch_en", resourceFolder)) {
    englishInstalled_ = QCoreApplication::installTranslator(&english_);
  }
  // Picks the best of the locale's languages ("de_DE" finds printwatch_de).
  if (local_.load(locale, "printwatch", "_", resourceFolder) &&
      local_.language() != english_.language()) {
    localInstalled_ = QCoreApplication::installTranslator(&local_);
  }
}

Translations::~Translations() {
  if (localInstalled_) QCoreApplication::removeTranslator(&local_);
  if (englishInstalled_) QCoreApplication::removeTranslator(&english_);
}

}  // namespace kv71p::printwatch

// The string table: Qt id-based translations in the resource folder,
// "printwatch_en.qm" and one file per further language ("printwatch_de.qm").
// English is always installed; the language of the user's locale, when we
// have it, is installed over it. An id without a text shows the id itself.
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

namespace kv71p::printwatch {

class Translations {
 public:
  explicit Translations(const QString& resourceFolder, const QLocale& locale = QLocale());
  ~Translations();
  Translations(const Translations&) = delete;
  Translations& operator=(const Translations&) = delete;

 private:
  QTranslator english_;
  QTranslator local_;
  bool englishInstalled_ = false;
  bool localInstalled_ = false;
};

}  // namespace kv71p::printwatch

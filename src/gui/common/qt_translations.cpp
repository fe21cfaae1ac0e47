#include "gui/common/qt_translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace ld::gui {

namespace {

// The catalogues of the Qt modules that the program's windows use.
constexpr const char* kCatalogues[] = {"qtbase_ru"};

bool installed = false;

}  // namespace

bool LoadQtTranslations() {
  auto* app = QCoreApplication::instance();
  if (app == nullptr) return false;
  if (installed) return true;
  const QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                            QDir(QCoreApplication::applicationDirPath()).filePath("translations")};
  for (const char* name : kCatalogues) {
    for (const QString& folder : folders) {
      auto translator = std::make_unique<QTranslator>(app);
      if (!translator->load(QString::fromLatin1(name), folder)) continue;
      // the application owns the translator as its Qt parent from here on
      QCoreApplication::installTranslator(translator.release());
      installed = true;
      break;
    }
  }
  return installed;
}

void LoadQtTranslationsAtStart() {
  qAddPreRoutine([] { LoadQtTranslations(); });
}

}  // namespace ld::gui

#include "desktoplook.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QStringList>
#include <QStyleFactory>
#include <QTranslator>

namespace desktoplook {
namespace {

// Families with the CJK glyphs, in order of preference; the set-up installs the first.
const QStringList kCaptionFamilies = {
    QStringLiteral("WenQuanYi Micro Hei"),
    QStringLiteral("Noto Sans CJK SC"),
    QStringLiteral("Noto Sans SC"),
    QStringLiteral("Droid Sans Fallback"),
};

}  // namespace

QString captionFamily() {
    const QStringList families = QFontDatabase::families();
    for (const QString& f : kCaptionFamilies) {
        if (families.contains(f)) {
            return f;
        }
    }
    return QApplication::font().family();
}

void apply(QApplication& app) {
    // The toolkit's own texts (the file dialog's buttons and labels) in the programs' language,
    // whatever the system's; without the translation installed they stay in English.
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    } else {
        delete translator;
    }
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    QFont font(captionFamily());
    font.setPixelSize(12);
    app.setFont(font);
}

}  // namespace desktoplook

#include "QtLanguage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace platform {

namespace {

// Owned by the application object, so that it goes with it; a test's next application
// starts without one.
QPointer<QTranslator> g_installed;

} // namespace

QString qtGermanTranslationFile()
{
    const QFileInfo file(QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                         + QStringLiteral("/qtbase_de.qm"));
    return file.isFile() ? file.absoluteFilePath() : QString();
}

void applyQtLanguage(bool german)
{
    // Widgets created from now on (the file dialogs among them) take the default locale.
    QLocale::setDefault(german ? QLocale(QLocale::German, QLocale::Germany)
                               : QLocale(QLocale::English, QLocale::UnitedStates));
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    if (!german) {
        if (g_installed) {
            QCoreApplication::removeTranslator(g_installed);
            delete g_installed.data();
        }
        return;
    }
    if (g_installed)
        return;
    auto translator = std::make_unique<QTranslator>();
    const QString file = qtGermanTranslationFile();
    if (file.isEmpty() || !translator->load(file)) {
        qWarning("Qt's German texts are missing (qtbase_de.qm in %s); Qt's dialogs stay English",
                 qPrintable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        return;
    }
    translator->setParent(app);
    QCoreApplication::installTranslator(translator.get());
    g_installed = translator.release();
}

} // namespace platform

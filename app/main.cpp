#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/MorvaneApp.h"
#include "platform/DialogUnits.h"
#include "res/Resources.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The desktop entry the shell ties the windows to (Wayland needs it).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.velmora.Velmora"));
    InitResources();
    InstallDialogFontSubstitutes();
    // Qt's own dialogs (file dialogs, message box buttons) in Japanese.
    QTranslator translator;
    if (translator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&translator);
    }
    CMorvaneApp app;
    if (!app.InitInstance(QApplication::arguments().mid(1))) {
        return 1;
    }
    return QApplication::exec();
}

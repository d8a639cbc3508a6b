// Saves a picture of every page of the window in both languages, for the
// README and for looking at the layout: voltrix-screenshots <directory>.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>

#include "app/tfmain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString target = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(target);
    QTemporaryDir settings;
    voltrix::TFMain window({settings.path(), [](const QString&) {}});
    window.show();

    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto* configuration = window.findChild<QTabWidget*>(QStringLiteral("PageControl2"));
    auto* language = window.findChild<QComboBox*>(QStringLiteral("siLangCombo1"));
    const char* const suffixes[] = {"pl", "en"};
    for (int lang = 0; lang < 2; ++lang) {
        language->setCurrentIndex(lang);
        emit language->activated(lang);
        auto save = [&](const QString& name) {
            QApplication::processEvents();
            window.grab().save(
                QStringLiteral("%1/%2_%3.png").arg(target, name, QLatin1String(suffixes[lang])));
        };
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            if (pages->widget(page)->objectName() == QStringLiteral("TabSheet3")) {
                for (int sub = 0; sub < configuration->count(); ++sub) {
                    configuration->setCurrentIndex(sub);
                    save(configuration->widget(sub)->objectName());
                }
            } else {
                save(pages->widget(page)->objectName());
            }
        }
    }
    return 0;
}

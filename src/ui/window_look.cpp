#include "window_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPalette>
#include <QQuickStyle>
#include <QStyleFactory>
#include <QTranslator>

namespace pictavo {

namespace {

// Qt's own dialogs and controls speak Turkish like the rest of the window.
void loadQtTranslations(QApplication& application)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& catalogue :
         {QStringLiteral("qtbase_tr"), QStringLiteral("qtdeclarative_tr")}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(catalogue, folder))
            application.installTranslator(translator);
        else
            delete translator;
    }
}

// The window is always dark; the widget dialogs follow it.
void forceDarkLook(QApplication& application)
{
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(26, 27, 33));
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, QColor(18, 19, 24));
    palette.setColor(QPalette::AlternateBase, QColor(32, 33, 40));
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::Button, QColor(38, 39, 46));
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(255, 94, 15));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(38, 39, 46));
    palette.setColor(QPalette::ToolTipText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 120));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(255, 255, 255, 90));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(255, 255, 255, 90));
    application.setPalette(palette);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
}

} // namespace

void applyWindowLook(QApplication& application)
{
    loadQtTranslations(application);
    forceDarkLook(application);
}

} // namespace pictavo

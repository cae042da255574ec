#include "workbench/window/DesktopIdentity.h"

#include <QGuiApplication>

void IdentifyApplication() {
    QGuiApplication::setApplicationName(QStringLiteral("Korvana"));
    QGuiApplication::setOrganizationName(QStringLiteral("Tarnvale"));
    QGuiApplication::setDesktopFileName(QStringLiteral("korvana"));
}

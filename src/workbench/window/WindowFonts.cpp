#include "workbench/window/WindowFonts.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QWidget>

#include <algorithm>

namespace {

bool HasFamily(const QString& family) {
    const QStringList families = QFontDatabase::families();
    return std::any_of(families.begin(), families.end(),
                       [&](const QString& f) { return f.compare(family, Qt::CaseInsensitive) == 0; });
}

} // namespace

QFont WindowFont() {
    if (HasFamily(QStringLiteral("MS Sans Serif"))) return QFont(QStringLiteral("MS Sans Serif"), 8);
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSize(8);
    return f;
}

// "Courier New" (or a face that the font configuration offers under that name, such as
// Liberation Mono), else the platform's fixed-pitch font.
QFont EditorFont() {
    QFont f(QStringLiteral("Courier New"), 10);
    f.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(f).fixedPitch()) return f;
    f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(10);
    return f;
}

QFont HistoryFont() {
    QFont f(QStringLiteral("Arial"), 7);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

void UseWindowFont() {
    // Without a class name this also drops the per-class fonts of the platform theme (menus,
    // message boxes, ...), which would otherwise differ from the windows'.
    QApplication::setFont(WindowFont());
    // Until the event loop runs, Qt leaves the widgets that exist already as they were.
    QEvent change(QEvent::ApplicationFontChange);
    for (QWidget* widget : QApplication::allWidgets())
        QCoreApplication::sendEvent(widget, &change);
}

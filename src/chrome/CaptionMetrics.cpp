#include "chrome/internal/CaptionMetrics.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWidget>

#include <algorithm>

namespace {

int TitleBarHeight(const QWidget* window, Qt::WindowFlags kind) {
    QStyleOptionTitleBar option;
    option.initFrom(window);
    option.titleBarFlags = kind;
    return window->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, window);
}

} // namespace

TCaptionMetrics ReadCaptionMetrics(const QWidget* window) {
    TCaptionMetrics m;
    const QStyle* style = window->style();
    m.CaptionFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    m.CaptionFont.setBold(true);
    // Every property counts as set, so a painter does not fill any in from its device's font.
    m.CaptionFont.setResolveMask(QFont::AllPropertiesResolved);
    m.SmCaptionFont = m.CaptionFont;
    m.SmCaptionFont.setPointSizeF(m.CaptionFont.pointSizeF() * 0.85);

    m.Frame = std::max(2, style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window));
    m.DialogFrame = std::max(1, m.Frame - 1);
    m.SmIcon = std::max(8, style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, window));
    // The bar is at least as high as the style's title bar, and high enough for its font.
    m.CaptionHeight = std::max(
        {TitleBarHeight(window, Qt::Window), QFontMetrics(m.CaptionFont).height() + 4, m.SmIcon + 2});
    const int smFontHeight = QFontMetrics(m.SmCaptionFont).height() + 4;
    m.SmCaptionHeight = std::min(TitleBarHeight(window, Qt::Tool), std::max(smFontHeight, 14));
    m.SmCaptionHeight = std::min(m.SmCaptionHeight, m.CaptionHeight);
    m.SmSize = m.SmCaptionHeight - 3;
    return m;
}

TCaptionColors CaptionColors(const QPalette& palette) {
    TCaptionColors c;
    c.Active = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor inactive = palette.color(QPalette::Inactive, QPalette::Highlight);
    c.Inactive = inactive != c.Active ? inactive : ClassicInactiveCaption;
    if (!c.Active.isValid()) c.Active = ClassicActiveCaption;
    return c;
}

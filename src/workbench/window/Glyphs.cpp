#include "workbench/window/Glyphs.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

// The resources live in a static library: register them once before the first use. (Outside
// any namespace, as the resource initialiser is declared at global scope.)
static void InitResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(korvana);
        return true;
    }();
    (void)done;
}

namespace {

QColor Transformed(const QColor& c, TImageList::TForm form) {
    switch (form) {
    case TImageList::Normal:
        return c;
    case TImageList::Hot: {
        // Under the mouse: a little brighter and more saturated.
        float h, s, v, a;
        c.getHsvF(&h, &s, &v, &a);
        if (s < 0.05f) return c; // whites and greys stay as they are
        return QColor::fromHsvF(h, qMin(1.0f, s * 1.2f), qMin(1.0f, v * 1.12f + 0.04f), a);
    }
    case TImageList::Disabled: {
        // Flat grey from the colour's lightness, pushed towards the background.
        const int lum = qGray(c.rgb());
        const int g = 132 + lum * 45 / 100;
        return QColor(g, g, g);
    }
    }
    return c;
}

QByteArray Recoloured(QByteArray svg, TImageList::TForm form) {
    if (form == TImageList::Normal) return svg;
    static const QRegularExpression hex(QStringLiteral("#[0-9a-fA-F]{6}"));
    QString text = QString::fromUtf8(svg);
    QString out;
    qsizetype last = 0;
    for (auto it = hex.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        out += Transformed(QColor(m.captured()), form).name();
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out.toUtf8();
}

} // namespace

TImageList::TImageList(const QString& name, const QStringList& files, TForm form, QObject* parent)
    : QObject(parent), FFiles(files), FForm(form) {
    InitResources();
    setObjectName(name);
}

QPixmap TImageList::Pixmap(int index, qreal dpr) const {
    if (index < 0 || index >= Count()) return {};
    const QPair<int, int> key(index, qRound(dpr * 100));
    if (const auto it = FCache.constFind(key); it != FCache.constEnd()) return *it;
    QFile file(FFiles[index]);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QSvgRenderer renderer(Recoloured(file.readAll(), FForm));
    const int w = qRound(Width() * dpr), h = qRound(Height() * dpr);
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p, QRectF(0, 0, w, h));
    }
    QPixmap pm = QPixmap::fromImage(image);
    pm.setDevicePixelRatio(dpr);
    FCache.insert(key, pm);
    return pm;
}

QStringList TImageList::ToolGlyphFiles() {
    static const char* const names[] = {"00-properties",      "01-connect",         "02-disconnect",
                                        "03-delete-host",     "04-new-host",        "05-query",
                                        "06-select-database", "07-create-database", "08-drop-database",
                                        "09-maximize-result", "10-previous-query",  "11-next-query",
                                        "12-export-result",   "13-save-sql",        "14-load-sql"};
    QStringList files;
    for (const char* n : names)
        files << QStringLiteral(":/korvana/glyphs/%1.svg").arg(QLatin1String(n));
    return files;
}

QStringList TImageList::TreeImageFiles() {
    static const char* const names[] = {"00-host",
                                        "01-host-selected",
                                        "02-database",
                                        "03-database-selected",
                                        "04-table",
                                        "05-table-selected",
                                        "06-field",
                                        "07-field-selected",
                                        "08-database-in-use",
                                        "09-database-in-use-selected"};
    QStringList files;
    for (const char* n : names)
        files << QStringLiteral(":/korvana/tree/%1.svg").arg(QLatin1String(n));
    return files;
}

QIcon TImageList::ToolIcon(const TImageList& normal, const TImageList& hot, const TImageList& disabled,
                           int index) {
    QIcon icon;
    for (qreal dpr : {1.0, 2.0}) {
        icon.addPixmap(normal.Pixmap(index, dpr), QIcon::Normal);
        icon.addPixmap(hot.Pixmap(index, dpr), QIcon::Active);
        icon.addPixmap(disabled.Pixmap(index, dpr), QIcon::Disabled);
    }
    return icon;
}

QIcon TImageList::TreeIcon(const TImageList& list, int image, int selected) {
    QIcon icon;
    for (qreal dpr : {1.0, 2.0}) {
        icon.addPixmap(list.Pixmap(image, dpr), QIcon::Normal);
        icon.addPixmap(list.Pixmap(selected, dpr), QIcon::Selected);
    }
    return icon;
}

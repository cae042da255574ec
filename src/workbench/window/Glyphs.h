#pragma once
// The image lists of the main window: the tool bar's 15 glyphs in their normal, hot and disabled
// forms (one drawing each, the other two forms derived from its colours) and the tree's ten
// images. Drawn from SVG, so they stay sharp at any device pixel ratio.

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QStringList>

class TImageList : public QObject {
    Q_OBJECT

public:
    enum TForm { Normal, Hot, Disabled };

    TImageList(const QString& name, const QStringList& files, TForm form, QObject* parent = nullptr);

    int Count() const { return static_cast<int>(FFiles.size()); }
    int Width() const { return 16; }
    int Height() const { return 16; }
    TForm Form() const { return FForm; }
    // Image `index` at `dpr` times 16 by 16 device pixels; a null pixmap for an index out of range.
    QPixmap Pixmap(int index, qreal dpr = 1.0) const;

    // The tool bar's lists and the tree's list, in index order.
    static QStringList ToolGlyphFiles();
    static QStringList TreeImageFiles();

    // A tool glyph in all three forms, for a tool button (normal, hot = QIcon::Active, disabled).
    static QIcon ToolIcon(const TImageList& normal, const TImageList& hot, const TImageList& disabled,
                          int index);
    // A tree node's picture: `image` when not selected, `selected` when selected.
    static QIcon TreeIcon(const TImageList& list, int image, int selected);

private:
    QStringList FFiles;
    TForm FForm;
    mutable QHash<QPair<int, int>, QPixmap> FCache; // (index, dpr * 100)
};

#pragma once
// Base of top-level windows that paint their own caption bar: a gradient from black to the
// caption colour, the small icon, the caption buttons and the caption text in white.
//
// The window asks the window system for no frame of its own and draws frame and bar itself; its
// buttons, dragging, double click and sizing edges hand the work back to the window system, so
// the window still moves, snaps, tiles and resizes as any other. The form holds the caption text;
// windowTitle() mirrors it for task bars, window lists and screen readers.

#include "chrome/BorderStyle.h"

#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>

class QMdiArea;
class QPainter;
class TGradientForm;

// Draws on the caption bar before its text, with the caption font. `R` is the rectangle left for
// the text, in bar coordinates; the text goes into R as the handler leaves it.
using TGFOnCaptionPaint = std::function<void(TGradientForm* Sender, QPainter& Canvas, QRect& R)>;

class TGradientForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TGradientForm(QWidget* parent = nullptr);
    ~TGradientForm() override;

    const QString& Caption() const;
    // Ignores a value equal to the current one; any other repaints the bar at once.
    void SetCaption(const QString& value);
    // Steps of the gradient, 8 to 256 (64 at first); other values are ignored.
    int GradientColors() const;
    void SetGradientColors(int value);
    // False: an inactive window gets a solid bar in the inactive caption colour.
    bool GradientOnInactive() const;
    void SetGradientOnInactive(bool value);
    TGFOnCaptionPaint OnCaptionPaint;

    TFormBorderStyle BorderStyle() const; // bsSizeable at first
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const; // system menu, minimise and maximise at first
    void SetBorderIcons(TBorderIcons value);
    // fsMDIForm gives the form an MDI client (a QMdiArea) as its central widget.
    TFormStyle FormStyle() const;
    void SetFormStyle(TFormStyle value);
    QMdiArea* MdiClient() const;

    // Entry j of the inactive (false) or active (true) gradient set.
    QRgb GradientEntry(bool active, int j) const;
    bool IsCaptionActive() const;
    // The bar in window coordinates; empty for bsNone and full screen.
    QRect CaptionRect() const;
    // The text the bar shows: Caption, with a maximised MDI child's caption in brackets.
    QString CaptionText() const;
    // Composes the bar off screen and copies it into `dc` at CaptionRect in one operation.
    QRect PaintCaption(QPainter& dc, bool active);
    // Paints the bar on the window now.
    void RepaintCaption(bool active);
    // What frame and bar take around the client area.
    QMargins NonClientMargins() const;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct TState;
    std::unique_ptr<TState> F;

    void BuildGradientTable();
    void CreateCaptionFont();
    void FrameChanged();
    int FrameThickness() const;
    int CaptionHeight() const;
    bool CanMaximize() const;
    void ToggleMaximized();
};

#include "chrome/GradForm.h"

#include "chrome/internal/CaptionBar.h"
#include "chrome/internal/CaptionMetrics.h"
#include "chrome/internal/FrameGrips.h"
#include "chrome/internal/GradientTable.h"
#include "chrome/internal/MdiHook.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QWhatsThis>
#include <qdrawutil.h>

#include <optional>
#include <utility>

struct TGradientForm::TState {
    QString Caption;
    int GradientColors = 64;
    bool GradientOnInactive = true;
    TGradientTable Table;
    TCaptionMetrics Metrics;
    TFormBorderStyle BorderStyle = bsSizeable;
    TBorderIcons BorderIcons = biSystemMenu | biMinimize | biMaximize;
    TFormStyle FormStyle = fsNormal;
    QMdiArea* Client = nullptr;
    TFrameGrips* Grips = nullptr;
    QImage Bar; // the off-screen bar, kept between paints
    // The state RepaintCaption asked for; other paints ask IsCaptionActive.
    std::optional<bool> PaintActive;
    // A caption button held down: which one, and whether the mouse is still over it.
    TCaptionButton Armed = TCaptionButton::None;
    bool ArmedInside = false;
    TWindowDrag Drag;
    // A press on the bar becomes a move once the mouse travels a few pixels: handed to the
    // window system at the press, the mouse would not come back for the second click of a
    // double click.
    std::optional<QPointF> MovePress;

    TCaptionShape Shape(QSize bar, bool maximized) const {
        return TCaptionShape{bar, BorderStyle, BorderIcons, maximized, Metrics.SmIcon, Metrics.SmSize};
    }
    // The button at `at` (window coordinates) of a bar at `cr`.
    TCaptionButton ButtonUnder(const QRect& cr, bool maximized, QPoint at, bool* enabled = nullptr) const {
        for (const TButtonPlace& b : LayoutCaption(Shape(cr.size(), maximized)).Buttons)
            if (b.Rect.translated(cr.topLeft()).contains(at)) {
                if (enabled) *enabled = b.Enabled;
                return b.Kind;
            }
        return TCaptionButton::None;
    }
};

namespace {

// Property setters ignore a value equal to the current one: true when `field` took a new value.
template <class T> bool Assign(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    return true;
}

} // namespace

TGradientForm::TGradientForm(QWidget* parent) : QMainWindow(parent), F(std::make_unique<TState>()) {
    setWindowFlag(Qt::FramelessWindowHint);
    BuildGradientTable();
    CreateCaptionFont();
    F->Grips = new TFrameGrips(this);
    // The window system's own Alt+F4 is gone with its frame on some platforms; this one closes
    // the window wherever the key reaches it.
    auto* closeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    closeKey->setContext(Qt::WindowShortcut);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
    FrameChanged();
}

namespace {

// Takes the MDI client away: its hook first, so that nothing the client's own destruction sends
// reaches a form or a client that is half gone.
void DropMdiClient(QMdiArea*& client) {
    QMdiArea* gone = std::exchange(client, nullptr);
    if (!gone) return;
    qDeleteAll(gone->findChildren<TMdiClientHook*>(Qt::FindDirectChildrenOnly));
    delete gone;
}

} // namespace

TGradientForm::~TGradientForm() {
    // While the form is still whole, not among the children the base class destroys later.
    DropMdiClient(F->Client);
}

// ---- properties ----

const QString& TGradientForm::Caption() const {
    return F->Caption;
}

void TGradientForm::SetCaption(const QString& value) {
    if (!Assign(F->Caption, value)) return;
    setWindowTitle(value);
    RepaintCaption(IsCaptionActive());
}

int TGradientForm::GradientColors() const {
    return F->GradientColors;
}

void TGradientForm::SetGradientColors(int value) {
    if (value == F->GradientColors || value < TGradientTable::MinColors || value > TGradientTable::MaxColors)
        return;
    F->GradientColors = value;
    BuildGradientTable();
    FrameChanged();
}

bool TGradientForm::GradientOnInactive() const {
    return F->GradientOnInactive;
}

void TGradientForm::SetGradientOnInactive(bool value) {
    if (Assign(F->GradientOnInactive, value) && !IsCaptionActive()) FrameChanged();
}

TFormBorderStyle TGradientForm::BorderStyle() const {
    return F->BorderStyle;
}

void TGradientForm::SetBorderStyle(TFormBorderStyle value) {
    if (Assign(F->BorderStyle, value)) FrameChanged();
}

TBorderIcons TGradientForm::BorderIcons() const {
    return F->BorderIcons;
}

void TGradientForm::SetBorderIcons(TBorderIcons value) {
    if (Assign(F->BorderIcons, value)) FrameChanged();
}

TFormStyle TGradientForm::FormStyle() const {
    return F->FormStyle;
}

void TGradientForm::SetFormStyle(TFormStyle value) {
    if (!Assign(F->FormStyle, value)) return;
    if (value == fsMDIForm) {
        F->Client = new QMdiArea(this);
        F->Client->setObjectName(QStringLiteral("ClientHandle"));
        setCentralWidget(F->Client);
        // The hook belongs to the client and goes with it.
        new TMdiClientHook(F->Client, [this] { RepaintCaption(IsCaptionActive()); });
    } else {
        DropMdiClient(F->Client);
    }
    RepaintCaption(IsCaptionActive());
}

QMdiArea* TGradientForm::MdiClient() const {
    return F->Client;
}

QRgb TGradientForm::GradientEntry(bool active, int j) const {
    return j >= 0 && j < F->Table.Count ? F->Table.Set(active)[j] : 0;
}

// ---- geometry ----

int TGradientForm::FrameThickness() const {
    // A maximised window's frame lies beyond the screen's edge on other systems; here it is left out.
    if (F->BorderStyle == bsNone || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) return 0;
    return IsSizeableStyle(F->BorderStyle) ? F->Metrics.Frame : F->Metrics.DialogFrame;
}

int TGradientForm::CaptionHeight() const {
    if (F->BorderStyle == bsNone || (windowState() & Qt::WindowFullScreen)) return 0;
    return IsToolWindowStyle(F->BorderStyle) ? F->Metrics.SmCaptionHeight : F->Metrics.CaptionHeight;
}

QRect TGradientForm::CaptionRect() const {
    const int h = CaptionHeight();
    if (h == 0) return {};
    const int f = FrameThickness();
    return QRect(f, f, std::max(0, width() - 2 * f), h);
}

QMargins TGradientForm::NonClientMargins() const {
    const int f = FrameThickness();
    return QMargins(f, f + CaptionHeight(), f, f);
}

void TGradientForm::FrameChanged() {
    setContentsMargins(NonClientMargins());
    F->Grips->Place(size(), FrameThickness(), F->Metrics.CaptionHeight,
                    IsSizeableStyle(F->BorderStyle) && FrameThickness() > 0);
    update();
}

// ---- system values ----

void TGradientForm::BuildGradientTable() {
    const TCaptionColors colors = CaptionColors(palette());
    ::BuildGradientTable(F->Table, F->GradientColors, colors.Inactive, colors.Active);
}

void TGradientForm::CreateCaptionFont() {
    F->Metrics = ReadCaptionMetrics(this);
}

bool TGradientForm::IsCaptionActive() const {
    return isActiveWindow();
}

// ---- painting ----

QString TGradientForm::CaptionText() const {
    if (F->Client) {
        if (const QMdiSubWindow* child = F->Client->currentSubWindow(); child && child->isMaximized()) {
            const auto* form = qobject_cast<const TGradientForm*>(child->widget());
            const QString childCaption = form ? form->Caption() : child->windowTitle();
            return F->Caption + QStringLiteral(" - [") + childCaption + QStringLiteral("]");
        }
    }
    return F->Caption;
}

QRect TGradientForm::PaintCaption(QPainter& dc, bool active) {
    const QRect cr = CaptionRect();
    if (cr.isEmpty()) return cr;
    const TCaptionShape shape = F->Shape(cr.size(), isMaximized());
    const TCaptionLayout layout = LayoutCaption(shape);

    TCaptionLook look;
    look.Active = active;
    look.GradientOnInactive = F->GradientOnInactive;
    look.Entries = F->Table.Set(active);
    look.Count = F->Table.Count;
    look.InactiveColor = CaptionColors(palette()).Inactive;
    const QScreen* s = screen();
    look.Bands = s && s->depth() <= 8;
    look.Palette = palette();
    look.Icon = windowIcon().isNull() ? style()->standardIcon(QStyle::SP_TitleBarMenuButton, nullptr, this)
                                      : windowIcon();
    look.Font = IsToolWindowStyle(F->BorderStyle) ? F->Metrics.SmCaptionFont : F->Metrics.CaptionFont;
    look.Text = CaptionText();
    if (F->ArmedInside) look.Pressed = F->Armed;
    if (OnCaptionPaint)
        look.OwnerDraw = [this](QPainter& canvas, QRect& r) { OnCaptionPaint(this, canvas, r); };

    ComposeCaption(F->Bar, dc.device()->devicePixelRatioF(), shape, layout, look);
    dc.drawImage(cr.topLeft(), F->Bar);
    return cr;
}

void TGradientForm::RepaintCaption(bool active) {
    const QRect cr = CaptionRect();
    if (!isVisible() || cr.isEmpty()) return;
    F->PaintActive = active;
    repaint(cr);
    F->PaintActive.reset();
}

void TGradientForm::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (FrameThickness() > 0) qDrawWinPanel(&p, rect(), palette(), false);
    if (!event->rect().intersects(CaptionRect())) return;
    const bool active = F->PaintActive.value_or(IsCaptionActive());
    try {
        PaintCaption(p, active);
    } catch (const std::exception& e) {
        // An exception must not cross the toolkit's event handling.
        qWarning("Caption painting failed: %s", e.what());
    }
}

// ---- window events ----

void TGradientForm::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ActivationChange:
        RepaintCaption(isActiveWindow());
        break;
    case QEvent::WindowStateChange:
        FrameChanged();
        break;
    case QEvent::PaletteChange:
        BuildGradientTable();
        update();
        break;
    case QEvent::StyleChange:
    case QEvent::ApplicationFontChange:
        CreateCaptionFont();
        FrameChanged();
        break;
    case QEvent::WindowIconChange:
        update(CaptionRect());
        break;
    default:
        break;
    }
    QMainWindow::changeEvent(event);
}

void TGradientForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FrameChanged();
}

bool TGradientForm::CanMaximize() const {
    return (F->BorderIcons & biMaximize) && (F->BorderStyle == bsSingle || F->BorderStyle == bsSizeable);
}

void TGradientForm::ToggleMaximized() {
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void TGradientForm::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !CaptionRect().contains(at)) {
        QMainWindow::mousePressEvent(event);
        return;
    }
    bool enabled = false;
    const TCaptionButton b = F->ButtonUnder(CaptionRect(), isMaximized(), at, &enabled);
    if (b == TCaptionButton::None) {
        F->MovePress = event->globalPosition();
    } else if (enabled) {
        F->Armed = b;
        F->ArmedInside = true;
        RepaintCaption(IsCaptionActive());
    }
}

void TGradientForm::mouseMoveEvent(QMouseEvent* event) {
    constexpr int MoveThreshold = 4;
    if (F->MovePress && (event->buttons() & Qt::LeftButton) &&
        (event->globalPosition() - *F->MovePress).manhattanLength() >= MoveThreshold) {
        F->Drag.Start(this, {}, *F->MovePress);
        F->MovePress.reset();
    }
    if (F->Drag.Active()) {
        F->Drag.Follow(event->globalPosition());
    } else if (F->Armed != TCaptionButton::None) {
        const bool inside =
            F->ButtonUnder(CaptionRect(), isMaximized(), event->position().toPoint()) == F->Armed;
        if (inside != F->ArmedInside) {
            F->ArmedInside = inside;
            RepaintCaption(IsCaptionActive());
        }
    } else {
        QMainWindow::mouseMoveEvent(event);
    }
}

void TGradientForm::mouseReleaseEvent(QMouseEvent* event) {
    F->Drag.Stop();
    F->MovePress.reset();
    const TCaptionButton armed = F->Armed;
    if (armed == TCaptionButton::None) {
        QMainWindow::mouseReleaseEvent(event);
        return;
    }
    const bool inside = F->ButtonUnder(CaptionRect(), isMaximized(), event->position().toPoint()) == armed;
    F->Armed = TCaptionButton::None;
    F->ArmedInside = false;
    RepaintCaption(IsCaptionActive());
    if (!inside) return;
    switch (armed) {
    case TCaptionButton::Close:
        close();
        break;
    case TCaptionButton::Maximize:
        showMaximized();
        break;
    case TCaptionButton::Restore:
        showNormal();
        break;
    case TCaptionButton::Minimize:
        showMinimized();
        break;
    case TCaptionButton::Help:
        QWhatsThis::enterWhatsThisMode();
        break;
    case TCaptionButton::None:
        break;
    }
}

void TGradientForm::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !CaptionRect().contains(at)) {
        QMainWindow::mouseDoubleClickEvent(event);
    } else if (F->ButtonUnder(CaptionRect(), isMaximized(), at) != TCaptionButton::None) {
        mousePressEvent(event); // a quick second click on a button is a click
    } else if (CanMaximize()) {
        ToggleMaximized();
    }
}

#include "workbench/waiting/ServerWaitGuard.h"

#include "workbench/waiting/EventLoopWaiter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

#include <algorithm>

namespace {

int Depth = 0;
int Questions = 0; // TQuestion objects alive

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

TEventLoopWaiter& TServerWaitGuard::Waiter() {
    static TEventLoopWaiter waiter;
    return waiter;
}

TServerWaitGuard::TQuestion::TQuestion() {
    ++Questions;
}

TServerWaitGuard::TQuestion::~TQuestion() {
    --Questions;
}

bool TServerWaitGuard::Active() {
    return Depth > 0;
}

TServerWaitGuard::TServerWaitGuard() : FOutermost(Depth++ == 0) {
    if (!FOutermost) return;
    Waiter().ClearStop();
    SetDefaultWaiter(&Waiter());
    qApp->installEventFilter(this);
}

TServerWaitGuard::~TServerWaitGuard() {
    --Depth;
    if (!FOutermost) return;
    // Input that came while the command ran without waiting (filling the grid, say) is still
    // queued: it meets the filter now instead of acting afterwards.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    SetDefaultWaiter(nullptr);
    Waiter().ClearStop();
    for (const QPointer<QWidget>& w : FCloseAfter)
        if (w) QMetaObject::invokeMethod(w.data(), &QWidget::close, Qt::QueuedConnection);
}

bool TServerWaitGuard::LetsThrough(QObject* watched) const {
    if (!FThrough) return false;
    // Input reaches the window system's window first, then the widget under it.
    if (watched->isWidgetType()) return static_cast<QWidget*>(watched)->window() == FThrough;
    return watched->isWindowType() && watched == FThrough->windowHandle();
}

bool TServerWaitGuard::eventFilter(QObject* watched, QEvent* event) {
    if (Questions > 0) return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::Close && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
        // Closed once the command is over, so everything the window does on closing happens as usual.
        auto* window = static_cast<QWidget*>(watched);
        if (std::find(FCloseAfter.begin(), FCloseAfter.end(), window) == FCloseAfter.end())
            FCloseAfter.emplace_back(window);
        event->ignore();
        Waiter().RequestStop();
        return true;
    }
    if (!IsUserInput(type)) return false;
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        Waiter().RequestStop();
    if (LetsThrough(watched)) return false;
    // A shortcut is tried before its key reaches any filter: an accepted override sends the key
    // down the ordinary path, where it is dropped here.
    if (type == QEvent::ShortcutOverride) event->accept();
    return true;
}

#include "chrome/internal/MdiHook.h"

#include <QChildEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

TMdiClientHook::TMdiClientHook(QMdiArea* client, std::function<void()> changed)
    : QObject(client), FClient(client), FChanged(std::move(changed)) {
    connect(client, &QMdiArea::subWindowActivated, this, [this] { FChanged(); });
    client->viewport()->installEventFilter(this);
    for (QMdiSubWindow* child : client->subWindowList())
        Watch(child);
}

void TMdiClientHook::Watch(QObject* child) {
    // A new child is announced from inside its constructor, before it is known as a subwindow;
    // what it is gets asked when it reports.
    child->installEventFilter(this);
}

bool TMdiClientHook::eventFilter(QObject* watched, QEvent* event) {
    // Only looks: every event goes on to the client and its children as before.
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == FClient->viewport()) Watch(static_cast<QChildEvent*>(event)->child());
        break;
    case QEvent::ChildRemoved:
        if (watched == FClient->viewport()) FChanged();
        break;
    case QEvent::WindowStateChange:
    case QEvent::WindowTitleChange:
    case QEvent::Hide:
    case QEvent::Show:
        if (qobject_cast<QMdiSubWindow*>(watched)) FChanged();
        break;
    default:
        break;
    }
    return false;
}

#pragma once
// Watches the MDI client of a frame: whenever its children are activated, arranged, maximised,
// restored, renamed or closed, the frame is told so it can repaint its caption.

#include <QObject>

#include <functional>

class QMdiArea;

class TMdiClientHook : public QObject {
    Q_OBJECT

public:
    TMdiClientHook(QMdiArea* client, std::function<void()> changed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Watch(QObject* child);
    QMdiArea* FClient;
    std::function<void()> FChanged;
};

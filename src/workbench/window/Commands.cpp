#include "workbench/window/Commands.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* EnabledProperty = "korvanaEnabled";

// Menu items are made with their menu as parent.
QMenu* MenuOf(const QAction* item) {
    return qobject_cast<QMenu*>(item->parent());
}

} // namespace

TCommand::TCommand(QToolButton* button, std::vector<TCommandItem> items)
    : FButton(button), FItems(std::move(items)) {
    // Recorded now, while Qt still reports it: an item hidden later keeps it.
    for (const TCommandItem& i : FItems)
        if (!i.Item->property(EnabledProperty).isValid()) SetItemEnabled(i.Item, i.Item->isEnabled());
}

void TCommand::SetEnabled(bool enabled) const {
    if (FButton) FButton->setEnabled(enabled);
    for (const TCommandItem& i : FItems)
        SetItemEnabled(i.Item, enabled);
}

void TCommand::SetChecked(bool checked) const {
    if (FButton) FButton->setChecked(checked);
    for (const TCommandItem& i : FItems)
        i.Item->setChecked(checked);
}

void TCommand::SetVisible(bool visible) const {
    for (const TCommandItem& i : FItems)
        i.Item->setVisible(visible);
}

void TCommand::SetItemEnabled(QAction* item, bool enabled) {
    item->setProperty(EnabledProperty, enabled);
    item->setEnabled(enabled);
}

bool TCommand::ItemEnabled(const QAction* item) {
    if (item->isVisible()) return item->isEnabled();
    const QVariant v = item->property(EnabledProperty);
    return v.isValid() ? v.toBool() : item->isEnabled();
}

TCommands::TCommands(QWidget* window, QWidget* tree) : QObject(window), FWindow(window), FTree(tree) {}

TCommands::~TCommands() {
    // No key handling while the window comes apart.
    if (!FPriority.empty()) qApp->removeEventFilter(this);
}

void TCommands::Wire(const TCommand& command, const std::function<void()>& handler) {
    if (QToolButton* b = command.Button()) connect(b, &QToolButton::clicked, this, handler);
    std::vector<const QAction*> wired;
    for (const TCommandItem& i : command.Items()) {
        // An item listed again for a second key runs the command once all the same.
        if (std::find(wired.begin(), wired.end(), i.Item) == wired.end()) {
            connect(i.Item, &QAction::triggered, this, handler);
            wired.push_back(i.Item);
        }
        if (!i.Keys.isEmpty()) BindShortcut(i);
    }
}

void TCommands::BindShortcut(const TCommandItem& item) {
    // The item shows its keys, but its own binding is limited to the open menu; the binding
    // below also serves hidden items, which Qt would otherwise silence.
    item.Item->setShortcut(item.Keys);
    item.Item->setShortcutContext(Qt::WidgetShortcut);
    if (item.Scope == TKeyScope::BeforeMenuBar) {
        // The keys are also a mnemonic of the menu bar. The item comes first, as in a classic
        // menu: the event filter catches the keys before the menu bar sees them.
        if (FPriority.empty()) qApp->installEventFilter(this);
        FPriority.push_back(item);
        return;
    }
    const bool inTree = item.Scope == TKeyScope::Tree;
    auto* shortcut = new QShortcut(item.Keys, inTree ? FTree : FWindow);
    shortcut->setObjectName(item.Item->objectName() + QStringLiteral("Shortcut"));
    shortcut->setContext(inTree ? Qt::WidgetShortcut : Qt::WindowShortcut);
    shortcut->setAutoRepeat(false);
    QAction* action = item.Item;
    connect(shortcut, &QShortcut::activated, this, [action] { RunShortcut(action); });
}

bool TCommands::RunShortcut(QAction* item) {
    const QMenu* menu = MenuOf(item);
    if (!TCommand::ItemEnabled(item) || (menu && (!menu->isEnabled() || !menu->menuAction()->isEnabled())))
        return false;
    // A hidden item counts as disabled to Qt, so its command is started by its signal directly.
    if (item->isVisible())
        item->trigger();
    else
        emit item->triggered(item->isChecked());
    return true;
}

bool TCommands::eventFilter(QObject* watched, QEvent* event) {
    const bool keyPress = event->type() == QEvent::KeyPress;
    if (event->type() != QEvent::ShortcutOverride && !(keyPress && FSwallowKeyPress)) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() == FWindow) {
        for (const TCommandItem& item : FPriority) {
            if (QKeySequence(key->keyCombination()) != item.Keys) continue;
            if (keyPress) {
                // The key press that follows a shortcut already run must not type its letter.
                FSwallowKeyPress = false;
                return true;
            }
            if (RunShortcut(item.Item)) {
                // Claiming the override keeps the menu bar from acting on the same keys.
                event->accept();
                FSwallowKeyPress = true;
                return true;
            }
        }
    }
    if (keyPress) FSwallowKeyPress = false;
    return false;
}

#pragma once
// The commands of a window. One command is one object: its tool button, its main-menu items and
// its context-menu item (separate controls, each with its own design name and state), the handler
// they all run, and the shortcuts of its items. TCommands wires them and runs the shortcuts.

#include <QKeySequence>
#include <QObject>

#include <functional>
#include <vector>

class QAction;
class QEvent;
class QToolButton;
class QWidget;

// Where a menu item's shortcut acts.
enum class TKeyScope {
    Window,        // anywhere in the window
    Tree,          // while the tree has the keyboard focus
    BeforeMenuBar, // anywhere in the window, ahead of a menu mnemonic on the same keys
};

struct TCommandItem {
    QAction* Item = nullptr;
    QKeySequence Keys = {};
    TKeyScope Scope = TKeyScope::Window;
};

class TCommand {
public:
    TCommand() = default;
    TCommand(QToolButton* button, std::vector<TCommandItem> items);

    QToolButton* Button() const { return FButton; }
    const std::vector<TCommandItem>& Items() const { return FItems; }

    // The state of all its controls together.
    void SetEnabled(bool enabled) const;
    // The check mark of its menu items and the pressed look of its tool button.
    void SetChecked(bool checked) const;
    // Menu items only: tool buttons always show.
    void SetVisible(bool visible) const;

    // Enabled state of a menu item as the commands set it. Qt reports a hidden item as disabled;
    // this keeps the state the item would have when shown (and that its shortcut follows).
    static void SetItemEnabled(QAction* item, bool enabled);
    static bool ItemEnabled(const QAction* item);

private:
    QToolButton* FButton = nullptr;
    std::vector<TCommandItem> FItems;
};

class TCommands : public QObject {
public:
    // Shortcuts act in `window`, or in `tree` for TKeyScope::Tree.
    TCommands(QWidget* window, QWidget* tree);
    ~TCommands() override;

    // Every control of `command` runs `handler`; its items' shortcuts are bound.
    void Wire(const TCommand& command, const std::function<void()>& handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BindShortcut(const TCommandItem& item);
    // Runs `item` when it and its menu are enabled, visible or not; true when it ran.
    static bool RunShortcut(QAction* item);

    QWidget* FWindow;
    QWidget* FTree;
    // Items whose keys come before the menu bar's handling of the same keys.
    std::vector<TCommandItem> FPriority;
    bool FSwallowKeyPress = false;
};

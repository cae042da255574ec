// The main window without a server: its controls and their initial states, the shortcuts, and the
// settings loaded at creation and saved at destruction.

#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "workbench/controllers/QueryHistory.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/window/Glyphs.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <climits>
#include <string>

namespace {

struct ButtonRow {
    const char* Name;
    const char* Caption;
    const char* Hint;
    int Glyph;
    bool Enabled;
};

// The tool bar, left to right.
const ButtonRow Buttons[] = {
    {"btnConnect", "Connect", "Connect", 1, false},
    {"btnDisconnect", "Disconnect", "Disconnect", 2, false},
    {"btnSelectDb", "Select Databse", "Select Database", 6, false},
    {"btnCreateDb", "Create database", "Create database", 7, false},
    {"btnDeleteDb", "Drop database", "Drop database", 8, false},
    {"btnNew", "New", "New Host", 4, true},
    {"btnProperties", "Properties", "Properties", 0, false},
    {"btnDelete", "Delete", "Delete", 3, false},
    {"btnMaximize", "Maximize Result", "Maximize Result", 9, true},
    {"btnExportResult", "Export result", "Export Result", 12, false},
    {"btnLoadSql", "Load SQL", "Load SQL", 14, true},
    {"btnSaveSql", "Save SQL", "Save SQL", 13, true},
    {"btnPrev", "Previous", "Previous", 10, false},
    {"btnNext", "Next", "Next", 11, false},
    {"btnQuery", "Query", "Query", 5, false},
};

struct ItemRow {
    const char* Menu;
    const char* Name;
    const char* Caption;
    const char* Shortcut;
    bool Enabled;
    bool Visible;
};

const ItemRow MenuItems[] = {
    {"&File", "mnuLoadSql", "&Load SQL from file", "", true, true},
    {"&File", "mnuSaveSql", "&Save SQL to file", "", true, true},
    {"&File", "mnuExportResult", "&Export Result to file", "", false, true},
    {"&File", "mnuConnect", "&Connect", "", true, true},
    {"&File", "mnuDisconnect", "D&isconnect", "", false, true},
    {"&File", "Exit1", "E&xit", "", true, true},
    {"&Edit", "Cut1", "Cu&t", "Ctrl+X", true, true},
    {"&Edit", "Copy1", "&Copy", "Ctrl+C", true, true},
    {"&Edit", "Paste1", "&Paste", "Ctrl+V", true, true},
    {"&Hosts", "mnuNewHost", "&New Host", "", true, true},
    {"&Hosts", "mnuDelete", "&Delete", "", false, true},
    {"&Hosts", "mnuProperties", "&Properties", "", false, true},
    {"&Databases", "mnuSelectDb", "&Select Database", "", false, true},
    {"&Databases", "mnuCreateDb", "&Create Database", "", false, true},
    {"&Databases", "mnuDeleteDb", "&Drop Database", "", false, true},
    {"&Query", "mnuQuery", "&Query", "F12", false, true},
    {"&Query", "mnuQuery2", "Query2", "Alt+Q", false, false},
    {"&Query", "mnuShowDuration", "Show &Duration", "", true, true},
    {"&View", "mnuMaximize", "&Maximize result", "", true, true},
    {"&Help", "About1", "&About", "", true, true},
};

const ItemRow TreeItems[] = {
    {"popTree", "popmnuConnect", "&Connect", "", true, true},
    {"popTree", "popmnuDisconnect", "D&isconnect", "", false, true},
    {"popTree", "N5", "", "", true, true},
    {"popTree", "popmnuDescribeTable", "&Describe table", "", true, false},
    {"popTree", "popmnuTableSelect", "SELECT * FROM <table>", "", true, false},
    {"popTree", "popmnuFieldSelect", "SELECT <field> FROM <table>", "", true, false},
    {"popTree", "popmnuSelectDb", "&Select database", "", false, true},
    {"popTree", "popmnuCreateDb", "C&reate database", "", false, true},
    {"popTree", "popmnuDeleteDb", "D&elete database", "", false, true},
    {"popTree", "popmnuNew", "&New", "Ins", true, true},
    {"popTree", "popmnuDelete", "&Delete", "Del", false, true},
    {"popTree", "popmnuProperties", "&Properties", "Alt+Return", false, true},
    {"popResult", "popmnuExportResult", "&Export result", "", false, true},
    {"popResult", "popmnuClearResult", "&Clear result", "", true, true},
    {"popResult", "popmnuMaximize", "&Maximize result", "", true, true},
};

QMenu* MenuOf(QAction* item) {
    const QList<QObject*> owners = item->associatedObjects();
    for (QObject* o : owners)
        if (auto* m = qobject_cast<QMenu*>(o)) return m;
    return nullptr;
}

QString MenuCaption(QMenu* menu) {
    return menu->menuAction()->associatedObjects().isEmpty() ? menu->objectName() : menu->title();
}

} // namespace

// ---- the controls as the window is made ----

TEST_F(WindowTest, ToolButtonsStartInTheirDesignedStates) {
    Open();
    QToolBar* bar = Find<QToolBar>("ToolBar");
    ASSERT_NE(bar, nullptr);
    // Left to right, with the history list between Next and the separator before Query.
    QStringList order;
    for (QAction* a : bar->actions())
        if (QWidget* w = bar->widgetForAction(a); w && !w->objectName().isEmpty()) order << w->objectName();
    QStringList expected;
    for (const ButtonRow& row : Buttons) {
        expected << QLatin1String(row.Name);
        if (QLatin1String(row.Name) == QLatin1String("btnNext")) expected << QStringLiteral("cmbQueries");
    }
    EXPECT_EQ(order, expected);

    for (const ButtonRow& row : Buttons) {
        SCOPED_TRACE(row.Name);
        auto* b = Find<QToolButton>(row.Name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QLatin1String(row.Caption));
        EXPECT_EQ(b->toolTip(), QLatin1String(row.Hint));
        EXPECT_EQ(b->property("glyphIndex").toInt(), row.Glyph);
        EXPECT_EQ(b->isEnabled(), row.Enabled);
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_TRUE(b->autoRaise());
        EXPECT_FALSE(b->icon().isNull());
        EXPECT_FALSE(b->isChecked());
    }
    auto* history = Find<QComboBox>("cmbQueries");
    ASSERT_NE(history, nullptr);
    EXPECT_FALSE(history->isEnabled());
    EXPECT_FALSE(history->isEditable());
    EXPECT_EQ(history->width(), 145);
}

TEST_F(WindowTest, MenuItemsStartInTheirDesignedStates) {
    Open();
    auto check = [this](const ItemRow& row) {
        SCOPED_TRACE(row.Name);
        QAction* item = Item(row.Name);
        ASSERT_NE(item, nullptr);
        if (*row.Caption) {
            EXPECT_EQ(item->text(), QLatin1String(row.Caption));
        }
        EXPECT_EQ(item->shortcut(), QKeySequence(QLatin1String(row.Shortcut)));
        EXPECT_EQ(TCommand::ItemEnabled(item), row.Enabled);
        EXPECT_EQ(item->isVisible(), row.Visible);
        QMenu* menu = MenuOf(item);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(MenuCaption(menu), QLatin1String(row.Menu));
    };
    for (const ItemRow& row : MenuItems)
        check(row);
    for (const ItemRow& row : TreeItems)
        check(row);

    EXPECT_TRUE(Item("mnuShowDuration")->isChecked());
    EXPECT_FALSE(Item("mnuSelectDb")->isChecked());
    EXPECT_TRUE(Item("N5")->isSeparator());
    EXPECT_EQ(Find<QMenu>("popResult")->defaultAction(), Item("popmnuMaximize"));

    // The menu bar in its designed order.
    QStringList menus;
    for (QAction* a : Ui(*Window).MainMenu1->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Hosts", "&Databases", "&Query", "&View", "&Help"}));
}

TEST_F(WindowTest, SeparateControlsKeepSeparateStates) {
    TfrmMain& w = Open();
    Ui(w).btnConnect->setEnabled(true);
    EXPECT_TRUE(Ui(w).mnuConnect->isEnabled());
    Ui(w).mnuConnect->setEnabled(false);
    EXPECT_TRUE(Ui(w).btnConnect->isEnabled());
    EXPECT_TRUE(Ui(w).popmnuConnect->isEnabled());
}

TEST_F(WindowTest, CaptionStatusTreeAndLayoutAtStart) {
    TfrmMain& w = Open();
    EXPECT_EQ(w.Version(), QStringLiteral("1.0.1.0"));
    const QString caption = QStringLiteral("Korvana 1.0.1.0 [libmysql: ") +
                            QString::fromStdString(TMySql::ClientInfo()) + QStringLiteral("]");
    EXPECT_EQ(w.Caption(), caption);
    EXPECT_EQ(w.windowTitle(), caption);
    EXPECT_FALSE(TMySql::ClientInfo().empty());
    ASSERT_NE(w.History(), nullptr);
    EXPECT_EQ(w.History()->Count(), 0);
    EXPECT_EQ(w.StatusText(), QString());
    EXPECT_EQ(Ui(w).Tree->topLevelItemCount(), 0);
    EXPECT_EQ(Ui(w).Tree->SelectedNode(), nullptr);
    EXPECT_EQ(Ui(w).Tree->SelectedHostNode(), nullptr);

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.centralWidget()->width(), TfrmMain::DesignClientWidth);
    const QMargins frame = w.NonClientMargins();
    EXPECT_EQ(w.height() - frame.top() - frame.bottom() - Ui(w).MainMenu1->height(),
              TfrmMain::DesignClientHeight);
    EXPECT_EQ(Ui(w).Tree->width(), TfrmMain::TreeWidth);
    EXPECT_EQ(Ui(w).Panel1->height(), TfrmMain::LowerPanelHeight);
    EXPECT_EQ(Ui(w).Splitter1->handleWidth(), 3);
    EXPECT_EQ(Ui(w).Splitter2->handleWidth(), 3);
    EXPECT_EQ(Ui(w).CoolBar->height(), 29);
    EXPECT_EQ(Ui(w).StatusBar->height(), 19);
    EXPECT_EQ(Ui(w).Tree->indentation(), 19);
    EXPECT_EQ(Ui(w).Tree->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(Ui(w).lstOut->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(Ui(w).lstOut->showGrid());
    EXPECT_EQ(Ui(w).lstOut->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(Ui(w).lstOut->contextMenuPolicy(), Qt::CustomContextMenu);
    // The editor: fixed pitch, tabs typed as text.
    EXPECT_TRUE(QFontInfo(Ui(w).mmoIn->font()).fixedPitch());
    EXPECT_EQ(Ui(w).mmoIn->font().pointSize(), 10);
    EXPECT_FALSE(Ui(w).mmoIn->tabChangesFocus());
    EXPECT_EQ(w.font().pointSize(), 8);
    // The editor fills the space right of the tree; the grid fills the lower panel.
    EXPECT_EQ(Ui(w).mmoIn->parentWidget(), Ui(w).Splitter2);
    EXPECT_EQ(Ui(w).lstOut->parentWidget(), Ui(w).Panel1);
    // The tree fills the splitter's left pane below its filter line.
    EXPECT_EQ(Ui(w).Splitter2->widget(0), Ui(w).TreePanel);
    EXPECT_EQ(Ui(w).Tree->parentWidget(), Ui(w).TreePanel);
    EXPECT_EQ(Ui(w).txtTreeFilter->parentWidget(), Ui(w).TreePanel);
    EXPECT_EQ(Ui(w).txtTreeFilter->placeholderText(), QStringLiteral("Filter tables"));
    EXPECT_LT(Ui(w).txtTreeFilter->geometry().bottom(), Ui(w).Tree->geometry().top());
}

TEST_F(WindowTest, ImageListsHoldEveryGlyphInEveryForm) {
    TfrmMain& w = Open();
    for (const TImageList* list : {Ui(w).ImageList, Ui(w).ImageListHot, Ui(w).ImageListDisabled}) {
        SCOPED_TRACE(list->objectName().toStdString());
        EXPECT_EQ(list->Count(), 15);
    }
    EXPECT_EQ(Ui(w).ImageListTree->Count(), 10);
    for (int i = 0; i < 15; ++i) {
        SCOPED_TRACE(i);
        const QImage normal = Ui(w).ImageList->Pixmap(i).toImage();
        const QImage hot = Ui(w).ImageListHot->Pixmap(i).toImage();
        const QImage disabled = Ui(w).ImageListDisabled->Pixmap(i).toImage();
        ASSERT_EQ(normal.size(), QSize(16, 16));
        EXPECT_EQ(Ui(w).ImageList->Pixmap(i, 2.0).toImage().size(), QSize(32, 32));
        EXPECT_NE(normal, disabled);
        EXPECT_NE(normal, hot);
        // The disabled form is grey throughout.
        bool grey = true, drawn = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QColor c = disabled.pixelColor(x, y);
                if (c.alpha() == 0) continue;
                drawn = true;
                if (qAbs(c.red() - c.green()) > 2 || qAbs(c.green() - c.blue()) > 2) grey = false;
            }
        EXPECT_TRUE(drawn);
        EXPECT_TRUE(grey);
    }
    // Different glyphs really are different drawings.
    for (int i = 0; i < 15; ++i)
        for (int j = i + 1; j < 15; ++j)
            EXPECT_NE(Ui(w).ImageList->Pixmap(i).toImage(), Ui(w).ImageList->Pixmap(j).toImage())
                << i << " " << j;
    for (int i = 0; i < 10; i += 2)
        EXPECT_NE(Ui(w).ImageListTree->Pixmap(i).toImage(), Ui(w).ImageListTree->Pixmap(i + 1).toImage())
            << i;
}

// ---- shortcuts ----

class ShortcutTest : public WindowTest {
protected:
    TfrmMain& OpenActive() {
        TfrmMain& w = Open();
        w.show();
        QApplication::setActiveWindow(&w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }
};

TEST_F(ShortcutTest, AltQRunsTheHiddenQueryItemOnlyWhileEnabled) {
    TfrmMain& w = OpenActive();
    QSignalSpy ran(Ui(w).mnuQuery2, &QAction::triggered);
    Ui(w).mmoIn->setFocus();
    QTest::keyClick(Ui(w).mmoIn, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(ran.count(), 0); // disabled at start

    TCommand::SetItemEnabled(Ui(w).mnuQuery2, true);
    ASSERT_FALSE(Ui(w).mnuQuery2->isVisible());
    QTest::keyClick(Ui(w).mmoIn, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(ran.count(), 1);

    // A disabled menu silences its items' shortcuts.
    Ui(w).mnuQueryMenu->setEnabled(false);
    QTest::keyClick(Ui(w).mmoIn, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(ran.count(), 1);
    EXPECT_EQ(Ui(w).mmoIn->toPlainText(), QString()); // the keys never reached the text
}

TEST_F(ShortcutTest, F12RunsQueryOnlyWhileEnabled) {
    TfrmMain& w = OpenActive();
    QSignalSpy ran(Ui(w).mnuQuery, &QAction::triggered);
    Ui(w).Tree->setFocus();
    QTest::keyClick(Ui(w).Tree, Qt::Key_F12);
    EXPECT_EQ(ran.count(), 0);
    Ui(w).mnuQuery->setEnabled(true);
    QTest::keyClick(Ui(w).Tree, Qt::Key_F12);
    EXPECT_EQ(ran.count(), 1);
}

TEST_F(ShortcutTest, TreeMenuKeysActOnlyWhileTheTreeHasTheFocus) {
    TfrmMain& w = OpenActive();
    QSignalSpy inserted(Ui(w).popmnuNew, &QAction::triggered);
    QSignalSpy deleted(Ui(w).popmnuDelete, &QAction::triggered);
    QSignalSpy props(Ui(w).popmnuProperties, &QAction::triggered);

    Ui(w).mmoIn->setFocus();
    QTest::keyClick(Ui(w).mmoIn, Qt::Key_Insert);
    EXPECT_EQ(inserted.count(), 0);

    Ui(w).Tree->setFocus();
    // New host shows the properties dialog modally: cancel it once it is up.
    QTimer::singleShot(0, &w, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    QTest::keyClick(Ui(w).Tree, Qt::Key_Insert);
    EXPECT_EQ(inserted.count(), 1);
    QApplication::setActiveWindow(&w); // back from the dialog
    Ui(w).Tree->setFocus();
    QTest::keyClick(Ui(w).Tree, Qt::Key_Delete); // disabled until a node is selected
    EXPECT_EQ(deleted.count(), 0);
    Ui(w).popmnuDelete->setEnabled(true);
    Ui(w).popmnuProperties->setEnabled(true);
    QTest::keyClick(Ui(w).Tree, Qt::Key_Delete);
    QTest::keyClick(Ui(w).Tree, Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(deleted.count(), 1);
    EXPECT_EQ(props.count(), 1);
}

TEST_F(ShortcutTest, ClipboardKeysActOnTheEditorWhateverHasTheFocus) {
    TfrmMain& w = OpenActive();
    Ui(w).mmoIn->SetText(QStringLiteral("SELECT name FROM orders"));
    Ui(w).mmoIn->SetSelStart(7);
    Ui(w).mmoIn->SetSelLength(4);
    QApplication::clipboard()->clear();

    Ui(w).Tree->setFocus();
    ASSERT_TRUE(Ui(w).Tree->hasFocus());
    QTest::keyClick(Ui(w).Tree, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("name"));

    Ui(w).lstOut->setFocus();
    QTest::keyClick(Ui(w).lstOut, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT  FROM orders"));

    Ui(w).Tree->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("id"));
    QTest::keyClick(Ui(w).Tree, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT id FROM orders"));
    EXPECT_TRUE(Ui(w).Tree->hasFocus());

    // With nothing selected, cut and copy change nothing.
    QTest::keyClick(Ui(w).Tree, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Ui(w).mmoIn->Text(), QStringLiteral("SELECT id FROM orders"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("id"));
}

// ---- commands with no selection ----

TEST_F(WindowTest, ConnectFromTheFileMenuIsOfferedAtStartAndDoesNothingWithoutASelection) {
    TfrmMain& w = Open();
    Ui(w).Tree->AddHostNode(std::make_unique<TMySql>());
    ASSERT_TRUE(Ui(w).mnuConnect->isEnabled());
    EXPECT_FALSE(Ui(w).btnConnect->isEnabled());
    Ui(w).mnuConnect->trigger();
    Ui(w).popmnuConnect->trigger();
    EXPECT_EQ(w.StatusText(), QString());
    EXPECT_TRUE(Dialogs.Questions().empty());
    EXPECT_FALSE(Ui(w).Tree->topLevelItem(0)->isSelected());
    EXPECT_FALSE(Ui(w).Tree->SelectedNode());
    // With nothing selected the rule changes nothing.
    w.UpdateCommandStates();
    EXPECT_FALSE(Ui(w).btnConnect->isEnabled());
    EXPECT_FALSE(Ui(w).btnProperties->isEnabled());
}

TEST_F(WindowTest, HostNodeCaptionFollowsARename) {
    TfrmMain& w = Open();
    auto host = std::make_unique<TMySql>();
    host->Name = "first";
    TMySql* raw = host.get();
    TTreeNode* node = Ui(w).Tree->AddHostNode(std::move(host));
    EXPECT_EQ(node->text(0), QStringLiteral("first"));
    EXPECT_FALSE(node->isSelected());
    EXPECT_EQ(node->ImageIndex(), 0);
    EXPECT_EQ(node->SelectedIndex(), 1);
    EXPECT_EQ(node->StateIndex(), 2);
    raw->Name = "renamed";
    Ui(w).Tree->SyncHostCaptions();
    EXPECT_EQ(node->text(0), QStringLiteral("renamed"));
}

// ---- settings: loaded at creation, saved at destruction ----

namespace {
void StoreHost(TRegistryStore& store, const std::string& name, const std::string& host, int port) {
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Hosts\\" + name, true));
    reg.WriteString("host", host);
    reg.WriteString("user", "u_" + name);
    reg.WriteString("password", "p_" + name);
    reg.WriteInteger("port", port);
}

void StorePlacement(TRegistryStore& store, int width, int height, int left, int top, int state) {
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", true));
    reg.WriteInteger("width", width);
    reg.WriteInteger("height", height);
    reg.WriteInteger("left", left);
    reg.WriteInteger("top", top);
    reg.WriteInteger("state", state);
}

QStringList HostCaptions(const TfrmMain& w) {
    QStringList names;
    for (TTreeNode* n : Ui(w).Tree->HostNodes())
        names << n->text(0);
    return names;
}
} // namespace

TEST_F(WindowTest, PlacementAndHostsAreLoadedAtCreation) {
    StorePlacement(Store(), 700, 500, 40, 30, 0);
    StoreHost(Store(), "zeta", "z.example", 3307);
    StoreHost(Store(), "Alpha", "a.example", 0);
    TfrmMain& w = Open();
    EXPECT_EQ(w.size(), QSize(700, 500));
    EXPECT_EQ(w.pos(), QPoint(40, 30));
    // The store's order, case-insensitively alphabetical; none selected, states untouched.
    EXPECT_EQ(HostCaptions(w), (QStringList{"Alpha", "zeta"}));
    EXPECT_EQ(Ui(w).Tree->SelectedNode(), nullptr);
    EXPECT_FALSE(Ui(w).btnProperties->isEnabled());
    const TMySql* zeta = Ui(w).Tree->HostNodes()[1]->Host();
    EXPECT_EQ(zeta->Host, "z.example");
    EXPECT_EQ(zeta->User, "u_zeta");
    EXPECT_EQ(zeta->Password, "p_zeta");
    EXPECT_EQ(zeta->Port, 3307);
    EXPECT_FALSE(zeta->IsAlive());
    for (TTreeNode* n : Ui(w).Tree->HostNodes()) {
        EXPECT_EQ(n->StateIndex(), 2);
        EXPECT_EQ(n->childCount(), 0);
    }
}

TEST_F(WindowTest, HostsAndPlacementAreSavedAtDestruction) {
    StorePlacement(Store(), 700, 500, 40, 30, 0);
    StoreHost(Store(), "old", "o.example", 1);
    StoreHost(Store(), "kept", "k.example", 2);
    {
        TfrmMain& w = Open();
        ASSERT_EQ(Ui(w).Tree->HostNodes().size(), 2u);
        Ui(w).Tree->DeleteHostNode(Ui(w).Tree->HostNodes()[1]); // "old"
        auto fresh = std::make_unique<TMySql>();
        fresh->Name = "new";
        fresh->Host = "n.example";
        fresh->Port = 3;
        Ui(w).Tree->AddHostNode(std::move(fresh));
        Ui(w).Tree->HostNodes()[0]->Host()->Password = "changed";
        w.resize(640, 480);
        w.move(12, 34);
        Close();
    }
    ReloadStore();
    TRegistry reg(Store());
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Hosts", false));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"kept", "new"}));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Hosts\\kept", false));
    EXPECT_EQ(reg.ReadString("password"), "changed");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Hosts\\new", false));
    EXPECT_EQ(reg.ReadString("host"), "n.example");
    EXPECT_EQ(reg.ReadInteger("port"), 3);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", false));
    EXPECT_EQ(reg.ReadInteger("width"), 640);
    EXPECT_EQ(reg.ReadInteger("height"), 480);
    EXPECT_EQ(reg.ReadInteger("left"), 12);
    EXPECT_EQ(reg.ReadInteger("top"), 34);
    EXPECT_EQ(reg.ReadInteger("state"), 0);

    // The next start shows what was saved, without drifting.
    TfrmMain& again = Open();
    EXPECT_EQ(HostCaptions(again), (QStringList{"kept", "new"}));
    EXPECT_EQ(again.size(), QSize(640, 480));
    EXPECT_EQ(again.pos(), QPoint(12, 34));
}

TEST_F(WindowTest, AMaximisedWindowOpensMaximisedAgain) {
    StorePlacement(Store(), 800, 600, 0, 0, 2);
    StoreHost(Store(), "h", "h.example", 0);
    TfrmMain& w = Open();
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    Close();
    ReloadStore();
    TRegistry reg(Store());
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", false));
    EXPECT_EQ(reg.ReadInteger("state"), 2);
}

TEST_F(WindowTest, ALoadFailureIsShownAndTheWindowStillOpens) {
    StorePlacement(Store(), 700, 500, 40, 30, 0);
    StoreHost(Store(), "a", "a.example", 1);
    StoreHost(Store(), "b", "b.example", 2);
    StoreHost(Store(), "c", "c.example", 3);
    {
        TRegistry reg(Store());
        ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana\\Hosts\\b", false));
        reg.WriteString("port", "not a number");
    }
    Dialogs.Answer(TMsgResult::Ok);
    TfrmMain& w = Open();
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Dialogs.Questions()[0].Text, QStringLiteral("Invalid data type for 'port'"));
    EXPECT_EQ(Dialogs.Questions()[0].Kind, TMsgKind::Error);
    // Hosts read before the failure stay; the one being read and the rest are not added.
    EXPECT_EQ(HostCaptions(w), QStringList{"a"});
    EXPECT_FALSE(w.Caption().isEmpty());
}

TEST_F(WindowTest, AMissingPlacementValueLoadsNoHosts) {
    StoreHost(Store(), "a", "a.example", 1);
    Dialogs.Answer(TMsgResult::Ok);
    TfrmMain& w = Open();
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Dialogs.Questions()[0].Text, QStringLiteral("Failed to get data for 'width'"));
    EXPECT_TRUE(Ui(w).Tree->HostNodes().empty());
}

TEST_F(WindowTest, FirstStartWithoutHostsWritesNothing) {
    Open();
    Close();
    EXPECT_FALSE(QFile::exists(StoreFile()));
}

TEST_F(WindowTest, AStoredPlacementIsFittedOntoTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct TCase {
        const char* What;
        int Width, Height, Left, Top;
    };
    for (const TCase& c : {TCase{"larger than the screen", 65536, 65536, 0, 0},
                           TCase{"negative size far off", -1, -1, INT_MIN, INT_MIN},
                           TCase{"off every screen", 400, 300, 90000, -90000}}) {
        SCOPED_TRACE(c.What);
        StorePlacement(Store(), c.Width, c.Height, c.Left, c.Top, 0);
        StoreHost(Store(), "h", "h.example", 0);
        TfrmMain& w = Open();
        const QRect r(w.pos(), w.size());
        EXPECT_TRUE(screen.contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
        EXPECT_GT(w.width(), 100);
        EXPECT_GT(w.height(), 100);
        Close();
        // What the next start finds is on screen too.
        ReloadStore();
        TRegistry reg(Store());
        ASSERT_TRUE(reg.OpenKey("\\Software\\Tarnvale\\Korvana", false));
        EXPECT_TRUE(screen.contains(QRect(reg.ReadInteger("left"), reg.ReadInteger("top"),
                                          reg.ReadInteger("width"), reg.ReadInteger("height"))));
    }
}

TEST_F(WindowTest, AnUnreadableSettingsFileIsReportedAtStartAndAtExitAndKept) {
    ASSERT_TRUE(QDir().mkpath(StoreFile())); // a folder where the file should be: it cannot be read
    ReloadStore();
    const QString message = QStringLiteral("Cannot open file ") + StoreFile();
    Dialogs.Answer(TMsgResult::Ok);
    TfrmMain& w = Open();
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Dialogs.Questions()[0].Text, message);
    EXPECT_EQ(Dialogs.Questions()[0].Kind, TMsgKind::Error);
    auto fresh = std::make_unique<TMySql>();
    fresh->Name = "new";
    Ui(w).Tree->AddHostNode(std::move(fresh));
    Dialogs.Answer(TMsgResult::Ok);
    Close();
    ASSERT_EQ(Dialogs.Questions().size(), 2u);
    EXPECT_EQ(Dialogs.Questions()[1].Text, message);
    EXPECT_TRUE(QFileInfo(StoreFile()).isDir());
}

TEST_F(WindowTest, ASaveThatCannotBeWrittenIsReported) {
    // A file where the settings folder should be.
    const QString blocker = StoreFile() + QStringLiteral(".folder");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    TRegistryStore store(blocker + QStringLiteral("/Korvana.reg"));
    Windows = std::make_unique<TAppWindows>(&Dialogs, &store);
    Window = Windows->frmMain.get();
    auto fresh = std::make_unique<TMySql>();
    fresh->Name = "new";
    Ui(*Window).Tree->AddHostNode(std::move(fresh));
    Dialogs.Answer(TMsgResult::Ok);
    Close();
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Dialogs.Questions()[0].Text, QStringLiteral("Failed to set data for 'host'"));
    EXPECT_EQ(Dialogs.Questions()[0].Kind, TMsgKind::Error);
}

#include "workbench/window/MainControls.h"

#include "editor/ColorMemo.h"
#include "workbench/dialogs/Dialogs.h"
#include "workbench/grid/ResultModel.h"
#include "workbench/tree/NavigationTree.h"
#include "workbench/window/DropDownCombo.h"
#include "workbench/window/Glyphs.h"

#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <type_traits>

TMainControls TMainControls::Find(const QObject& window, QStringList* missing) {
    TMainControls c;
    auto find = [&window, missing](auto*& control, const char* name) {
        using T = std::remove_reference_t<decltype(*control)>;
        control = window.findChild<T*>(QLatin1String(name), Qt::FindChildrenRecursively);
        if (!control && missing) missing->append(QLatin1String(name));
    };
    find(c.Panel2, "Panel2");
    find(c.CoolBar, "CoolBar");
    find(c.ToolBar, "ToolBar");
    find(c.btnConnect, "btnConnect");
    find(c.btnDisconnect, "btnDisconnect");
    find(c.btnSelectDb, "btnSelectDb");
    find(c.btnCreateDb, "btnCreateDb");
    find(c.btnDeleteDb, "btnDeleteDb");
    find(c.btnNew, "btnNew");
    find(c.btnProperties, "btnProperties");
    find(c.btnDelete, "btnDelete");
    find(c.btnMaximize, "btnMaximize");
    find(c.btnExportResult, "btnExportResult");
    find(c.btnLoadSql, "btnLoadSql");
    find(c.btnSaveSql, "btnSaveSql");
    find(c.btnPrev, "btnPrev");
    find(c.btnNext, "btnNext");
    find(c.cmbQueries, "cmbQueries");
    find(c.btnQuery, "btnQuery");
    find(c.Tree, "Tree");
    find(c.Splitter2, "Splitter2");
    find(c.mmoIn, "mmoIn");
    find(c.Splitter1, "Splitter1");
    find(c.Panel1, "Panel1");
    find(c.tabResults, "tabResults");
    find(c.lstOut, "lstOut");
    find(c.StatusBar, "StatusBar");
    find(c.MainMenu1, "MainMenu1");
    find(c.mnuFile, "mnuFile");
    find(c.mnuLoadSql, "mnuLoadSql");
    find(c.mnuSaveSql, "mnuSaveSql");
    find(c.mnuRunSqlFile, "mnuRunSqlFile");
    find(c.mnuExportResult, "mnuExportResult");
    find(c.mnuConnect, "mnuConnect");
    find(c.mnuDisconnect, "mnuDisconnect");
    find(c.Exit1, "Exit1");
    find(c.mnuEdit, "mnuEdit");
    find(c.Cut1, "Cut1");
    find(c.Copy1, "Copy1");
    find(c.Paste1, "Paste1");
    find(c.mnuToggleComment, "mnuToggleComment");
    find(c.mnuGotoLine, "mnuGotoLine");
    find(c.mnuComplete, "mnuComplete");
    find(c.mnuHosts, "mnuHosts");
    find(c.mnuNewHost, "mnuNewHost");
    find(c.mnuDelete, "mnuDelete");
    find(c.mnuProperties, "mnuProperties");
    find(c.mnuDatabases, "mnuDatabases");
    find(c.mnuSelectDb, "mnuSelectDb");
    find(c.mnuCreateDb, "mnuCreateDb");
    find(c.mnuDeleteDb, "mnuDeleteDb");
    find(c.mnuQueryMenu, "mnuQueryMenu");
    find(c.mnuQuery, "mnuQuery");
    find(c.mnuQueryCurrent, "mnuQueryCurrent");
    find(c.mnuQuery2, "mnuQuery2");
    find(c.mnuShowDuration, "mnuShowDuration");
    find(c.mnuView, "mnuView");
    find(c.mnuMaximize, "mnuMaximize");
    find(c.mnuHelp, "mnuHelp");
    find(c.About1, "About1");
    find(c.popTree, "popTree");
    find(c.popmnuConnect, "popmnuConnect");
    find(c.popmnuDisconnect, "popmnuDisconnect");
    find(c.N5, "N5");
    find(c.popmnuDescribeTable, "popmnuDescribeTable");
    find(c.popmnuTableSelect, "popmnuTableSelect");
    find(c.popmnuFieldSelect, "popmnuFieldSelect");
    find(c.popmnuSelectDb, "popmnuSelectDb");
    find(c.popmnuCreateDb, "popmnuCreateDb");
    find(c.popmnuDeleteDb, "popmnuDeleteDb");
    find(c.popmnuNew, "popmnuNew");
    find(c.popmnuDelete, "popmnuDelete");
    find(c.popmnuProperties, "popmnuProperties");
    find(c.popResult, "popResult");
    find(c.popmnuExportResult, "popmnuExportResult");
    find(c.popmnuClearResult, "popmnuClearResult");
    find(c.popmnuMaximize, "popmnuMaximize");
    find(c.popmnuCopyRows, "popmnuCopyRows");
    find(c.popmnuCopyWithNames, "popmnuCopyWithNames");
    find(c.popmnuCopyAsInsert, "popmnuCopyAsInsert");
    find(c.dlgOpen, "dlgOpen");
    find(c.dlgSave, "dlgSave");
    find(c.ImageList, "ImageList");
    find(c.ImageListHot, "ImageListHot");
    find(c.ImageListDisabled, "ImageListDisabled");
    find(c.ImageListTree, "ImageListTree");
    return c;
}

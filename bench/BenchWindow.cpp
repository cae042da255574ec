#include "BenchWindow.h"

#include "editor/ColorMemo.h"
#include "server/MySql.h"
#include "workbench/tree/NavigationTree.h"

#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {
// The windows keep their draft in the state folder: the benchmark's own, not the user's.
QString KeepStateIn(const QTemporaryDir& dir) {
    qputenv("XDG_STATE_HOME", dir.filePath(QStringLiteral("state")).toUtf8());
    return dir.filePath(QStringLiteral("Korvana.reg"));
}
} // namespace

TBenchWindow::TBenchWindow(const Login& login, const std::string& sql)
    : FStore(std::make_unique<TRegistryStore>(KeepStateIn(FDir))),
      FWindows(std::make_unique<TAppWindows>(&FDialogs, FStore.get())) {
    TfrmMain* w = FWindows->frmMain.get();
    auto host = std::make_unique<TMySql>();
    host->Name = "bench";
    UseLogin(*host, login);
    FNode = Ui(*w).Tree->AddHostNode(std::move(host));
    if (!FNode->Host()->Connect()) {
        std::fprintf(stderr, "cannot connect: %s\n", FNode->Host()->ErrorText().c_str());
        std::exit(1);
    }
    Ui(*w).Tree->SetHostConnectedLook(FNode, true);
    Ui(*w).Tree->PopulateHost(FNode);
    w->resize(1000, 700);
    w->show();
    Ui(*w).Tree->setCurrentItem(FNode);
    Ui(*w).mmoIn->SetText(QString::fromStdString(sql));
}

} // namespace bench

#include "BenchWindow.h"

#include "ColorMemo.h"
#include "MySql.h"
#include "NavigationTree.h"

#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

namespace bench {

TBenchWindow::TBenchWindow(const Login& login, const std::string& sql)
    : FStore(std::make_unique<TRegistryStore>(FDir.filePath(QStringLiteral("Korvana.reg")))),
      FWindows(std::make_unique<TAppWindows>(&FDialogs, FStore.get())) {
    TfrmMain* w = FWindows->frmMain.get();
    auto host = std::make_unique<TMySql>();
    host->Name = "bench";
    host->Host = login.Host;
    host->Port = login.Port;
    host->User = login.User;
    host->Password = login.Password;
    FNode = w->Tree->AddHostNode(std::move(host));
    if (!FNode->Host()->Connect()) {
        std::fprintf(stderr, "cannot connect: %s\n", FNode->Host()->ErrorText().c_str());
        std::exit(1);
    }
    w->Tree->SetHostConnectedLook(FNode, true);
    w->Tree->PopulateHost(FNode);
    w->resize(1000, 700);
    w->show();
    w->Tree->setCurrentItem(FNode);
    w->mmoIn->SetText(QString::fromStdString(sql));
}

} // namespace bench

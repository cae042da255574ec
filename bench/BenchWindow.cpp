#include "BenchWindow.h"

#include "ColorMemo.h"
#include "MySql.h"

#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

namespace bench {

TBenchWindow::TBenchWindow(const Login& login, const std::string& sql)
    : FStore(std::make_unique<TRegistryStore>(FDir.filePath(QStringLiteral("Korvana.reg")))),
      FWindow(std::make_unique<TfrmMain>(&FDialogs, FStore.get())) {
    auto host = std::make_unique<TMySql>();
    host->Name = "bench";
    host->Host = login.Host;
    host->Port = login.Port;
    host->User = login.User;
    host->Password = login.Password;
    FNode = FWindow->AddHostNode(std::move(host));
    if (!FNode->Host()->Connect()) {
        std::fprintf(stderr, "cannot connect: %s\n", FNode->Host()->ErrorText().c_str());
        std::exit(1);
    }
    FWindow->SetHostConnectedLook(FNode, true);
    FWindow->PopulateHost(FNode);
    FWindow->resize(1000, 700);
    FWindow->show();
    FWindow->Tree->setCurrentItem(FNode);
    FWindow->mmoIn->SetText(QString::fromStdString(sql));
}

} // namespace bench

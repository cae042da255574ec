// Start-up: the application and the names the desktop knows it by, the windows (the main window
// loads the placement and the host list as it is made), the event loop; destroying the main window
// saves them again.

#include "app/QuitOnSignals.h"

#include "editor/ColorMemo.h"
#include "workbench/window/AppWindows.h"
#include "workbench/window/DesktopIdentity.h"
#include "workbench/window/main.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv) {
    // A file-size limit makes a write fail instead of ending the program with the user's text.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication app(argc, argv);
    QuitOnSignals(&app);
    // The title (what the task bar and message boxes show for the program) and the desktop's names.
    IdentifyApplication();

    // The editor's pointing hand exists before any window, as the screen cursor hot spots use.
    HotSpotCursor();

    int rc = 0;
    {
        TAppWindows windows;
        // Shown in the window state read from the settings.
        windows.frmMain->show();
        rc = QApplication::exec();
    } // the main window's FormDestroy saves here, after the loop has ended
    return rc;
}

// One look: every window of the program, the dialogs made on the fly included, shows the main
// window's font; only the query editor and the history list keep fonts of their own.

#include "WindowTestSupport.h"

#include "editor/ColorMemo.h"
#include "workbench/dialogs/ExportResult.h"
#include "workbench/dialogs/ResultWindow.h"
#include "workbench/dialogs/about.h"
#include "workbench/dialogs/propertiesview.h"
#include "workbench/window/WindowFonts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QTimer>

#include <functional>
#include <string>

namespace {

bool Inside(const QWidget* widget, const QList<QWidget*>& subtrees) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (subtrees.contains(const_cast<QWidget*>(w))) return true;
    return false;
}

// The widgets of `window` (itself included) that show another font than `font`, apart from
// those inside `ownFonts`, one a line; empty when there are none.
std::string OtherFonts(QWidget* window, const QFont& font, const QList<QWidget*>& ownFonts = {}) {
    QStringList strays;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        if (Inside(w, ownFonts) || w->font() == font) continue;
        strays << QStringLiteral("%1 (%2): %3")
                      .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()),
                           w->font().toString());
    }
    return strays.join(QLatin1Char('\n')).toStdString();
}

// Runs `open`, which shows a modal dialog; as soon as the dialog is up, records the fonts in it
// that differ from `font` and closes it.
std::string OtherFontsInModal(const std::function<void()>& open, const QFont& font, QString* title) {
    std::string strays = "no modal dialog came up";
    QTimer poll;
    poll.setInterval(10);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (clock.elapsed() > 5000) poll.stop();
            return;
        }
        poll.stop();
        *title = modal->windowTitle();
        strays = OtherFonts(modal, font);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    });
    poll.start();
    open();
    return strays;
}

} // namespace

TEST_F(WindowTest, EveryWindowMadeWithTheMainWindowShowsItsFont) {
    TfrmMain& w = Open();
    const QFont font = w.font();
    EXPECT_EQ(font.key(), WindowFont().key());
    EXPECT_EQ(OtherFonts(&w, font, {Ui(w).mmoIn, Ui(w).cmbQueries}), "");
    EXPECT_EQ(OtherFonts(Windows->frmProperties.get(), font), "");
    EXPECT_EQ(OtherFonts(Windows->frmResult.get(), font), "");
    EXPECT_EQ(OtherFonts(Windows->AboutBox.get(), font), "");
    EXPECT_EQ(OtherFonts(Windows->frmExportResult.get(), font), "");
    // Every top-level widget there is, menus and the history list's drop-down aside.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (Inside(top, {Ui(w).cmbQueries}) || qobject_cast<QMenu*>(top)) continue;
        EXPECT_EQ(top->font(), font) << top->metaObject()->className() << " "
                                     << top->objectName().toStdString();
    }
}

TEST_F(WindowTest, MenusShowTheWindowFont) {
    TfrmMain& w = Open();
    for (QMenu* menu : w.findChildren<QMenu*>()) {
        SCOPED_TRACE(menu->objectName().toStdString());
        EXPECT_EQ(menu->font(), w.font());
    }
    EXPECT_EQ(Ui(w).MainMenu1->font(), w.font());
}

TEST_F(WindowTest, MessageBoxesTheInputBoxAndFileDialogsShowTheWindowFont) {
    TfrmMain& w = Open();
    const QFont font = w.font();
    TQtDialogs real;
    QString title;

    EXPECT_EQ(
        OtherFontsInModal([&] { real.Confirm(&w, QStringLiteral("Drop the database?")); }, font, &title), "");
    EXPECT_EQ(title, QStringLiteral("Confirm"));

    QString value = QStringLiteral("shop");
    EXPECT_EQ(
        OtherFontsInModal(
            [&] { real.InputQuery(&w, QStringLiteral("Create database"), QStringLiteral("Name"), value); },
            font, &title),
        "");
    EXPECT_EQ(title, QStringLiteral("Create database"));

    TFileDialog save(TFileDialog::Save, QStringLiteral("dlgSave"));
    EXPECT_EQ(OtherFontsInModal([&] { real.ChooseFile(&w, save); }, font, &title), "");
}

TEST_F(WindowTest, HistoryListKeepsItsSmallerFontAndTheEditorItsFixedPitch) {
    TfrmMain& w = Open();
    EXPECT_EQ(Ui(w).cmbQueries->font(), HistoryFont());
    EXPECT_LT(Ui(w).cmbQueries->font().pointSize(), w.font().pointSize());
    EXPECT_EQ(Ui(w).mmoIn->font(), EditorFont());
}

TEST(WindowFonts, DialogMadeBeforeTheMainWindowTakesItsFontToo) {
    // The result window is made before the main window's own controls; a dialog made first must
    // follow the window font all the same, once it is decided.
    TScriptedDialogs dialogs;
    TfrmProperties early(dialogs);
    QTemporaryDir dir;
    TRegistryStore store(dir.filePath(QStringLiteral("Korvana.reg")));
    TAppWindows windows(&dialogs, &store);
    EXPECT_EQ(windows.frmMain->font().key(), WindowFont().key());
    EXPECT_EQ(early.font(), windows.frmMain->font());
}

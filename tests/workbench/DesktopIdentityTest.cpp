// The names the program gives itself must be the ones its desktop entry uses, or docks and task
// bars show a window without its icon and name.

#include "WindowTestSupport.h"

#include "workbench/window/DesktopIdentity.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QTextStream>

namespace {

const QString EntryFile = QStringLiteral(KORVANA_SOURCE_DIR "/packaging/korvana.desktop");

// The keys of the [Desktop Entry] group.
QMap<QString, QString> DesktopEntry() {
    QMap<QString, QString> keys;
    QFile file(EntryFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return keys;
    QTextStream in(&file);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inEntry && eq > 0) keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
}

} // namespace

TEST(DesktopIdentity, NamesMatchTheDesktopEntry) {
    const QMap<QString, QString> entry = DesktopEntry();
    ASSERT_FALSE(entry.isEmpty()) << "cannot read " << EntryFile.toStdString();
    IdentifyApplication();
    // Wayland ties a window to the entry by the desktop file name, X11 by the window class,
    // which is the application name.
    EXPECT_EQ(QGuiApplication::desktopFileName() + QStringLiteral(".desktop"),
              QFileInfo(EntryFile).fileName());
    EXPECT_EQ(entry.value(QStringLiteral("StartupWMClass")), QGuiApplication::applicationName());
    EXPECT_EQ(entry.value(QStringLiteral("Name")), QGuiApplication::applicationName());
    EXPECT_EQ(QGuiApplication::applicationName(), QStringLiteral("Korvana"));
    EXPECT_EQ(QGuiApplication::organizationName(), QStringLiteral("Tarnvale"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("korvana"));
}

TEST_F(WindowTest, DesktopEntryIconIsTheWindowsIcon) {
    Open();
    const QString icon = DesktopEntry().value(QStringLiteral("Icon"));
    ASSERT_FALSE(icon.isEmpty());
    QFile installed(QStringLiteral(KORVANA_SOURCE_DIR "/resources/") + icon + QStringLiteral(".svg"));
    QFile window(QStringLiteral(":/korvana/korvana.svg"));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly)) << installed.fileName().toStdString();
    ASSERT_TRUE(window.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), window.readAll());
    EXPECT_FALSE(Window->windowIcon().isNull());
}

// Where the user's settings file lives: under the XDG configuration folder, and never in a
// folder that depends on where the program was started.

#include "platform/Registry.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QString DefaultWith(const char* configHome) {
    if (configHome)
        qputenv("XDG_CONFIG_HOME", configHome);
    else
        qunsetenv("XDG_CONFIG_HOME");
    return TRegistryStore::DefaultFileName();
}

} // namespace

TEST(SettingsPath, FollowsAnAbsoluteXdgConfigHome) {
    EXPECT_EQ(DefaultWith("/srv/someone/config"), QStringLiteral("/srv/someone/config/Tarnvale/Korvana.reg"));
}

TEST(SettingsPath, FallsBackToTheHomeConfigFolder) {
    const QString home = QDir::homePath() + QStringLiteral("/.config/Tarnvale/Korvana.reg");
    EXPECT_EQ(DefaultWith(nullptr), home);
    EXPECT_EQ(DefaultWith(""), home);
    // Relative values are invalid: they would follow the working folder.
    EXPECT_EQ(DefaultWith("settings"), home);
    EXPECT_EQ(DefaultWith("./config"), home);
}

// The keyring tests' main(): a real Secret Service of their own. The program runs itself again
// inside `dbus-run-session` (a private session bus that ends with it), starts
// `gnome-keyring-daemon` there with a fresh keyring unlocked by a test password, in a home folder
// of its own, waits until it owns the Secret Service's name, runs the tests and stops the daemon.
// Without these tools the tests fail; they never pass by skipping.

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

bool SecretServiceAnswers() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", "org.freedesktop.secrets"), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 2000,
        nullptr, &error);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    g_clear_error(&error);
    g_object_unref(bus);
    return owned;
}

// The daemon in the foreground, as a child, unlocked with the password on its standard input.
pid_t StartKeyring(const std::string& home) {
    int in[2];
    if (pipe(in) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        close(in[0]);
        close(in[1]);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);
        execlp("gnome-keyring-daemon", "gnome-keyring-daemon", "--foreground", "--unlock",
               "--components=secrets", static_cast<char*>(nullptr));
        std::perror("gnome-keyring-daemon (Debian package gnome-keyring)");
        _exit(127);
    }
    close(in[0]);
    const char password[] = "korvana-test-keyring";
    if (write(in[1], password, sizeof password - 1) < 0) std::perror("the keyring's password");
    close(in[1]);
    return pid;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("KORVANA_KEYRING_SESSION")) {
        setenv("KORVANA_KEYRING_SESSION", "1", 1);
        std::vector<char*> args{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        execvp(args[0], args.data());
        std::perror("dbus-run-session (Debian package dbus-daemon)");
        return 1;
    }
    QTemporaryDir home;
    const std::string dir = home.path().toStdString();
    for (const char* sub : {"/data", "/run"})
        mkdir((dir + sub).c_str(), 0700);
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    const pid_t keyring = StartKeyring(dir);
    bool ready = false;
    for (int i = 0; i < 100 && keyring > 0 && !(ready = SecretServiceAnswers()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!ready) {
        std::fprintf(stderr, "the test's gnome-keyring-daemon did not come up on the session bus\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    kill(keyring, SIGTERM);
    waitpid(keyring, nullptr, 0);
    return result;
}

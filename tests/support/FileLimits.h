#pragma once
// Making file writes fail on purpose, also for root: a file-size limit for this process, and a
// forked child that runs without the rights of its parent.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <ftw.h>
#include <functional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// While it lives, writes past `bytes` in any file fail with EFBIG (the signal that would end the
// process is ignored meanwhile).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &FOld);
        FPrevious = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = FOld;
        small.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FPrevious);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FOld{};
    void (*FPrevious)(int) = SIG_DFL;
};

// `work` run in a forked child; Wait() hands back the text it returned (at most 4 KB), or a text
// beginning with "(child failed)" when the child did not end normally. The child must not use
// gtest's assertions: they would count in the child only.
class TChild {
public:
    explicit TChild(const std::function<std::string()>& work) {
        if (::pipe(FPipe) != 0) return;
        FPid = ::fork();
        if (FPid == 0) {
            ::close(FPipe[0]);
            const std::string out = work().substr(0, 4096);
            const bool sent = ::write(FPipe[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
            ::_exit(sent ? 0 : 1);
        }
        ::close(FPipe[1]);
    }
    ~TChild() {
        if (FPid > 0) Wait();
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    std::string Wait() {
        if (FPid <= 0) return "(child failed) no fork";
        std::string out;
        char buf[4096];
        for (ssize_t n; (n = ::read(FPipe[0], buf, sizeof buf)) > 0;)
            out.append(buf, static_cast<std::size_t>(n));
        ::close(FPipe[0]);
        int status = 0;
        ::waitpid(FPid, &status, 0);
        FPid = 0;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "(child failed) " + out;
        return out;
    }

private:
    int FPipe[2] = {-1, -1};
    pid_t FPid = -1;
};

inline std::string InChild(const std::function<std::string()>& work) {
    return TChild(work).Wait();
}

// In a child: gives up root (when it is root) for the user "nobody", after handing it everything
// below `tree`, so that permission bits bind as they bind for everyone else. False when it cannot.
inline bool BecomeUnprivileged(const std::string& tree) {
    if (::geteuid() != 0) return true;
    static constexpr uid_t Nobody = 65534;
    const auto give = [](const char* path, const struct stat*, int, struct FTW*) {
        return ::lchown(path, Nobody, Nobody);
    };
    if (::nftw(tree.c_str(), give, 16, FTW_PHYS) != 0) return false;
    return ::setgid(Nobody) == 0 && ::setuid(Nobody) == 0 && ::geteuid() == Nobody;
}

// In a child: mounts an empty file system of `bytes` at `folder`, in a mount namespace of the
// child's own (and, without root, a user namespace of its own too). False when the system does
// not allow it.
inline bool MountSmallFileSystem(const std::string& folder, std::size_t bytes) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        // Be root inside the new namespace, as this user outside it.
        const auto put = [](const char* file, const std::string& text) {
            const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
            const bool ok =
                fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
            if (fd >= 0) ::close(fd);
            return ok;
        };
        put("/proc/self/setgroups", "deny");
        if (!put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
            !put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n"))
            return false;
    }
    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr); // keep the mount from the parent
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

#pragma once
// A file-size limit for the length of a scope, so that a write beyond it fails (with EFBIG, the
// signal it would raise ignored meanwhile) as on a full disk.

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &FSaved), 0);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = FSaved;
        small.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FOldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FSaved{};
    void (*FOldHandler)(int) = SIG_DFL;
};

// SPDX-License-Identifier: GPL-3.0-or-later
// Captures what code under test prints on standard output (the maze snapshots and the collision
// traces are part of the program's behaviour) or on standard error (its diagnostics), and what a
// command prints; reads and writes whole files; gives a test a folder of its own; runs work in a child.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// What a shell command printed on standard output; its exit status (-1 when it did not exit) goes to
// *status.
inline std::string commandOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    for (size_t got; p && (got = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, got);
    const int st = p ? pclose(p) : -1;
    if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

// What work returns, computed in a child process: its heap and global state are its own, and the
// test's stay as they were. Empty when the child ended before it said anything.
inline std::string inChild(std::string (*work)()) {
    int fds[2];
    if (pipe(fds) != 0) return "";
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string said = work();
        _exit(write(fds[1], said.data(), said.size()) == ssize_t(said.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string said;
    char buf[65536];
    for (ssize_t n; pid > 0 && (n = read(fds[0], buf, sizeof buf)) > 0;) said.append(buf, size_t(n));
    close(fds[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return said;
}

inline std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline void writeFileText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A fresh folder for the running test, removed with everything in it.
struct TempDir {
    std::string path = testing::TempDir() + "kx_" + std::to_string(getpid()) + "_" +
                       testing::UnitTest::GetInstance()->current_test_info()->name();
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> names() const { // sorted
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path)) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
};

// Runs each test inside a fresh folder and returns to the old one afterwards.
class ScratchDir : public ::testing::Test {
  protected:
    TempDir dir;
    const std::string oldDir = std::filesystem::current_path();
    void SetUp() override { ASSERT_EQ(chdir(dir.path.c_str()), 0); }
    void TearDown() override { ASSERT_EQ(chdir(oldDir.c_str()), 0); }
};

class OutputCapture {
  public:
    explicit OutputCapture(FILE* stream = stdout) : stream_(stream) {
        fflush(stream_);
        file_ = tmpfile();
        saved_ = dup(fileno(stream_));
        dup2(fileno(file_), fileno(stream_));
    }
    ~OutputCapture() { finish(); }
    // Stops capturing and returns everything printed since construction.
    std::string finish() {
        if (file_) {
            fflush(stream_);
            dup2(saved_, fileno(stream_));
            close(saved_);
            rewind(file_);
            char buf[4096];
            size_t got;
            while ((got = fread(buf, 1, sizeof buf, file_)) > 0) text_.append(buf, got);
            fclose(file_);
            file_ = nullptr;
        }
        return text_;
    }

  private:
    FILE* stream_;
    FILE* file_ = nullptr;
    int saved_ = -1;
    std::string text_;
};

// What f printed on standard error.
template <class F> std::string stderrOf(F f) {
    OutputCapture err(stderr);
    f();
    return err.finish();
}

// Captures what code under test prints with printf: the maze snapshots and the collision traces
// are part of the program's behaviour.
#pragma once
#include <cstdio>
#include <string>
#include <unistd.h>

class StdoutCapture {
  public:
    StdoutCapture() {
        fflush(stdout);
        file_ = tmpfile();
        saved_ = dup(fileno(stdout));
        dup2(fileno(file_), fileno(stdout));
    }
    ~StdoutCapture() { finish(); }
    // Stops capturing and returns everything printed since construction.
    std::string finish() {
        if (file_) {
            fflush(stdout);
            dup2(saved_, fileno(stdout));
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
    FILE* file_ = nullptr;
    int saved_ = -1;
    std::string text_;
};

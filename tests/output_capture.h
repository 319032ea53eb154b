// Captures what code under test prints on standard output (the maze snapshots and the collision
// traces are part of the program's behaviour) or on standard error (its diagnostics); reads and
// writes whole files.
#pragma once
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

inline std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline void writeFileText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

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

// Files for the image tests: a fresh temporary folder per test, whole-file reads and writes, TGA files
// made by hand or by ImageMagick (an independent writer), and capture of what the code prints.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<uint8_t>;

class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/kx_image_XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        path_ = made ? made : "";
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // The names of the files in the folder, sorted.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }

  private:
    std::string path_;
};

inline Bytes readBytes(const std::string& path) {
    Bytes out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + got);
    fclose(f);
    return out;
}

inline void writeBytes(const std::string& path, const Bytes& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// An 18-byte TGA header of an uncompressed true-colour image followed by the given pixel bytes.
inline Bytes tgaFileBytes(int width, int height, int depth, int descriptor, const Bytes& pixels,
                          int type = 2) {
    Bytes b(18, 0);
    b[2] = uint8_t(type);
    b[12] = uint8_t(width & 0xFF);
    b[13] = uint8_t(width >> 8);
    b[14] = uint8_t(height & 0xFF);
    b[15] = uint8_t(height >> 8);
    b[16] = uint8_t(depth);
    b[17] = uint8_t(descriptor);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// Runs ImageMagick's convert with the given arguments; true when it succeeded.
inline bool runConvert(const std::string& args) {
    const std::string command = "/usr/bin/convert " + args + " 2>/dev/null";
    return system(command.c_str()) == 0;
}

// Captures what the code under test prints on standard output.
class PrintedText {
  public:
    PrintedText() {
        fflush(stdout);
        file_ = tmpfile();
        saved_ = dup(fileno(stdout));
        dup2(fileno(file_), fileno(stdout));
    }
    ~PrintedText() { text(); }
    std::string text() {
        if (file_) {
            fflush(stdout);
            dup2(saved_, fileno(stdout));
            close(saved_);
            rewind(file_);
            char buf[1024];
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

// SPDX-License-Identifier: GPL-3.0-or-later
// Libraries opened when first needed: the table of a library's functions filled, or left empty with
// the reason when the library or one of its functions is missing.
#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include "file/file.h"

TEST(LibraryLoad, FillsEveryFunctionOrNoneWithTheReason) {
    double (*cosine)(double) = nullptr;
    double (*square)(double) = nullptr;
    const FileLibraryFunction both[] = {{"cos", &cosine}, {"sqrt", &square}};
    const FileLibraryFunction lastMissing[] = {{"cos", &cosine}, {"kxNoSuchFunction", &square}};
    const struct {
        const char* soname;
        const FileLibraryFunction* table;
        const char* reason; // a part of the reason; null when it loads
    } cases[] = {
        {"libm.so.6", both, nullptr},
        {"libkavernix-missing.so.0", both, "libkavernix-missing.so.0"},
        {"libm.so.6", lastMissing, "kxNoSuchFunction"},
    };
    for (const auto& c : cases) {
        cosine = square = [](double) { return -1.0; }; // left from before
        std::string why;
        const int loaded = fileLoadLibrary(c.soname, c.table, 2, &why);
        EXPECT_EQ(loaded, c.reason ? 0 : 1) << c.soname;
        if (c.reason) {
            EXPECT_NE(why.find(c.reason), std::string::npos) << why;
            EXPECT_EQ(cosine, nullptr) << "a table half filled is not used: " << c.soname;
            EXPECT_EQ(square, nullptr) << c.soname;
        } else {
            ASSERT_NE(cosine, nullptr);
            ASSERT_NE(square, nullptr);
            EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
            EXPECT_DOUBLE_EQ(square(16.0), 4.0);
        }
    }
}

#pragma once
// Names of the cases of parameterised tests. CTest lists each case by the name its generator
// gives; without one, a case is named by its index or by the bytes of its parameter, which says
// nothing and differs from build to build.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

namespace testing_support {

// Text as a test name: letters and digits kept, every other run of characters one '_', none at
// either end.
inline std::string testNameOf(std::string_view text) {
    std::string name;
    bool gap = false;
    for (const char ch : text) {
        if (std::isalnum(static_cast<unsigned char>(ch))) {
            if (gap && !name.empty()) name += '_';
            name += ch;
            gap = false;
        } else {
            gap = true;
        }
    }
    return name;
}

// A case named by what PrintTo writes of its parameter.
struct PrintedName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return testNameOf(::testing::PrintToString(info.param));
    }
};

}  // namespace testing_support

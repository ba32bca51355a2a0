#include "LoadBesideOld.h"

#include "ErrorReport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::runtime_error Report(const char* source, int site)
{
    return std::runtime_error(rla_report::Compose("message", source, site, 0));
}

// A load that fails with the given reports in turn, then succeeds with 7.
struct ScriptedLoad {
    std::vector<std::runtime_error> failures;
    int calls = 0;
    int operator()()
    {
        if (std::size_t(calls) < failures.size())
            throw failures[std::size_t(calls++)];
        ++calls;
        return 7;
    }
};

}  // namespace

TEST(LoadBesideOld, TheOldPictureGoesOnlyWhenMemoryCannotHoldBoth)
{
    const auto budget = Report("../../RLA_Reader/RLA.cpp", 49);
    const auto outOfMemory = Report("RLA_Reader/RLA.cpp", 90);
    const auto missing = Report("RLA_Reader/FileStream.cpp", 18);
    const auto pixelCap = Report("RLA_Reader/RLA.cpp", 48);

    for (const auto& shortage : {budget, outOfMemory}) {
        ScriptedLoad load{{shortage}};
        int released = 0;
        EXPECT_EQ(loadbesideold::Run(std::ref(load), [&] { ++released; }, true), 7);
        EXPECT_EQ(released, 1);
        EXPECT_EQ(load.calls, 2);

        // Nothing held: nothing to release, the refusal stands.
        ScriptedLoad alone{{shortage}};
        EXPECT_THROW(loadbesideold::Run(std::ref(alone), [&] { ++released; }, false), std::runtime_error);
        EXPECT_EQ(released, 1);
        EXPECT_EQ(alone.calls, 1);

        // Refused again with the old one gone: that report is the answer.
        ScriptedLoad twice{{shortage, missing}};
        try {
            loadbesideold::Run(std::ref(twice), [&] { ++released; }, true);
            ADD_FAILURE() << "threw nothing";
        } catch (const std::runtime_error& failure) {
            EXPECT_EQ(std::string(failure.what()), missing.what());
        }
    }

    // A bad file, or one over the pixel cap, keeps the old picture.
    for (const auto& other : {missing, pixelCap}) {
        ScriptedLoad load{{other}};
        int released = 0;
        EXPECT_THROW(loadbesideold::Run(std::ref(load), [&] { ++released; }, true), std::runtime_error);
        EXPECT_EQ(released, 0);
        EXPECT_EQ(load.calls, 1);
    }
}

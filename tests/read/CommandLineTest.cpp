// The command line of the batch reader: what it accepts and what it refuses as wrong usage.
#include <gtest/gtest.h>

#include <ostream>

#include "BatchOptions.h"

namespace marksheet {
namespace {

TEST(CommandLine, OptionsAndFilesMixInGivenOrder) {
    const auto parsed = ParseCommandLine({"a.png", "--format", "csv", "-j", "3", "--sample", "b.jpg",
                                          "--annotate=out", "--", "--sample", "-"});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed)) << std::get<UsageError>(parsed).message;
    const auto& o = std::get<BatchOptions>(parsed);
    EXPECT_EQ(o.format, OutputFormat::Csv);
    EXPECT_EQ(o.jobs, 3u);
    EXPECT_EQ(o.annotateDir, "out");
    const std::vector<BatchInput> expected{{"a.png", false},
                                           {std::string(SampleInputName), true},
                                           {"b.jpg", false},
                                           {"--sample", false},
                                           {"-", false}};
    EXPECT_EQ(o.inputs, expected) << "after -- every argument is a file, and - is a file name too";
}

TEST(CommandLine, DefaultsAreTextAndOneJobPerCore) {
    const auto parsed = ParseCommandLine({"a.png"});
    const auto& o = std::get<BatchOptions>(parsed);
    EXPECT_EQ(o.format, OutputFormat::Text);
    EXPECT_EQ(o.jobs, 0u);
    EXPECT_TRUE(o.annotateDir.empty());
    EXPECT_FALSE(o.help);
}

TEST(CommandLine, HelpNeedsNoFiles) {
    EXPECT_TRUE(std::get<BatchOptions>(ParseCommandLine({"--help"})).help);
    EXPECT_TRUE(std::get<BatchOptions>(ParseCommandLine({"-h"})).help);
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* messagePart;
    friend void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }
};

class CommandLineUsageError : public testing::TestWithParam<UsageCase> {};

TEST_P(CommandLineUsageError, IsRefusedWithAReason) {
    const auto parsed = ParseCommandLine(GetParam().args);
    ASSERT_TRUE(std::holds_alternative<UsageError>(parsed));
    EXPECT_NE(std::get<UsageError>(parsed).message.find(GetParam().messagePart), std::string::npos)
        << std::get<UsageError>(parsed).message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineUsageError,
    testing::Values(UsageCase{"noFiles", {}, "no files"},
                    UsageCase{"onlyOptions", {"--format", "json"}, "no files"},
                    UsageCase{"unknownOption", {"--fast", "a.png"}, "unknown option '--fast'"},
                    UsageCase{"unknownShortOption", {"-x", "a.png"}, "unknown option '-x'"},
                    UsageCase{"formatWithoutValue", {"a.png", "--format"}, "needs a value"},
                    UsageCase{"unknownFormat", {"--format", "xml", "a.png"}, "unknown output format 'xml'"},
                    UsageCase{"jobsWithoutValue", {"a.png", "--jobs"}, "needs a number"},
                    UsageCase{"jobsZero", {"--jobs", "0", "a.png"}, "from 1 to"},
                    UsageCase{"jobsNegative", {"--jobs=-2", "a.png"}, "from 1 to"},
                    UsageCase{"jobsNotANumber", {"--jobs", "4x", "a.png"}, "not '4x'"},
                    UsageCase{"jobsHuge", {"--jobs", "99999999999", "a.png"}, "from 1 to"},
                    UsageCase{"annotateWithoutFolder", {"a.png", "--annotate"}, "needs a folder"},
                    UsageCase{"annotateEmptyFolder", {"--annotate=", "a.png"}, "needs a folder"},
                    UsageCase{"sampleWithValue", {"--sample=yes"}, "takes no value"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, UsageTextNamesEveryOption) {
    const std::string usage = UsageText();
    for (const char* option : {"--format", "--jobs", "--annotate", "--sample", "--help", "FILE"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace marksheet
